#include "engine/display.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "app/demo.h"
#include "app/window.h"
#include "platform/gl_context.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"

namespace {

// An entry point counts only when the context really offers multitexturing: some binding
// libraries hand out an address for any name at all.
void* multitextureEntry(const char* arbName, const char* coreName, bool arbOffered, bool coreOffered) {
    if (arbOffered)
        if (void* p = platform::glProcAddress(arbName)) return p;
    // Drivers that only know the core names get those (the signatures are the same).
    if (coreOffered) return platform::glProcAddress(coreName);
    return nullptr;
}

}  // namespace

// The picture's own framebuffer object and the entry points it needs, from
// GL_ARB_framebuffer_object (or OpenGL 3.0) or else GL_EXT_framebuffer_object with
// GL_EXT_framebuffer_blit: the same functions and numbers under two sets of names.
struct Display::Framebuffer {
    void(APIENTRY* genFramebuffers)(GLsizei, GLuint*) = nullptr;
    void(APIENTRY* deleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
    void(APIENTRY* bindFramebuffer)(GLenum, GLuint) = nullptr;
    void(APIENTRY* genRenderbuffers)(GLsizei, GLuint*) = nullptr;
    void(APIENTRY* deleteRenderbuffers)(GLsizei, const GLuint*) = nullptr;
    void(APIENTRY* bindRenderbuffer)(GLenum, GLuint) = nullptr;
    void(APIENTRY* renderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei) = nullptr;
    void(APIENTRY* framebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint) = nullptr;
    GLenum(APIENTRY* checkFramebufferStatus)(GLenum) = nullptr;
    void(APIENTRY* blitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) = nullptr;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};  // colour, depth
    int width = 0, height = 0;
    GLenum filter = GL_LINEAR;
    bool copied = false;  // the first copy is checked

    bool load() {
        const bool arb = platform::glHasExtension("GL_ARB_framebuffer_object") || platform::glVersionAtLeast(3, 0);
        const bool ext = platform::glHasExtension("GL_EXT_framebuffer_object") &&
                         platform::glHasExtension("GL_EXT_framebuffer_blit");
        if (!arb && !ext) return false;
        // Where the processor rasterises, blending four picture pixels into each screen
        // pixel costs twice what taking the nearest one does (on a 1920x1080 screen the
        // show's mean frame went from about 2 to about 1.4-1.6 times the 640x480 one); a
        // graphics card does either for nothing, and blending looks smoother.
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        const std::string_view name = renderer != nullptr ? renderer : "";
        for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer"})
            if (name.find(software) != std::string_view::npos) filter = GL_NEAREST;
        const char* suffix = arb ? "" : "EXT";
        const auto entry = [suffix](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                platform::glProcAddress((std::string(name) + suffix).c_str()));
            return fn != nullptr;
        };
        return entry(genFramebuffers, "glGenFramebuffers") && entry(deleteFramebuffers, "glDeleteFramebuffers") &&
               entry(bindFramebuffer, "glBindFramebuffer") && entry(genRenderbuffers, "glGenRenderbuffers") &&
               entry(deleteRenderbuffers, "glDeleteRenderbuffers") && entry(bindRenderbuffer, "glBindRenderbuffer") &&
               entry(renderbufferStorage, "glRenderbufferStorage") &&
               entry(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
               entry(checkFramebufferStatus, "glCheckFramebufferStatus") && entry(blitFramebuffer, "glBlitFramebuffer");
    }

    // Colour and depth like the window's own, so the picture is the one the window would show.
    bool create(int w, int h) {
        GLint depthBits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
        const GLenum depthFormat = depthBits > 24 ? GL_DEPTH_COMPONENT32 : depthBits > 16 ? GL_DEPTH_COMPONENT24
                                                                                          : GL_DEPTH_COMPONENT16;
        genFramebuffers(1, &framebuffer);
        genRenderbuffers(2, renderbuffers);
        bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        renderbufferStorage(GL_RENDERBUFFER, depthFormat, w, h);
        bindRenderbuffer(GL_RENDERBUFFER, 0);
        bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
        const bool complete = checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        bindFramebuffer(GL_FRAMEBUFFER, 0);
        width = w;
        height = h;
        return complete;
    }

    void destroy() {
        if (framebuffer != 0) deleteFramebuffers(1, &framebuffer);
        if (renderbuffers[0] != 0) deleteRenderbuffers(2, renderbuffers);
        framebuffer = 0;
        renderbuffers[0] = renderbuffers[1] = 0;
    }
};

Display::Display() {
    textures = new TextureManager;
    materials = new MaterialLibrary;
}

// The program never gets here (the Display lives as long as the process); tests do.
// The framebuffer object went with the context that made it.
Display::~Display() {
    delete framebuffer;
    delete materials;
    delete textures;
}

void Display::init() {
    const bool arb = platform::glHasExtension("GL_ARB_multitexture");
    const bool core = platform::glVersionAtLeast(1, 3);
    activeTexture = reinterpret_cast<ActiveTextureFn>(multitextureEntry("glActiveTextureARB", "glActiveTexture", arb, core));
    multiTexCoord2f =
        reinterpret_cast<MultiTexCoord2fFn>(multitextureEntry("glMultiTexCoord2fARB", "glMultiTexCoord2f", arb, core));
    clientActiveTexture = reinterpret_cast<ClientActiveTextureFn>(
        multitextureEntry("glClientActiveTextureARB", "glClientActiveTexture", arb, core));
    if (activeTexture == nullptr || multiTexCoord2f == nullptr) {
        platform::showMessage("El dispositivo grafico no soporta algunas operaciones necesarias.", "Marn",
                              platform::MessageIcon::None);
        // The program ends at the first look at the message queue; set-up goes on till then.
        // The run failed, and its exit status says so.
        platform::postQuitMessage(1);
    }
    setProjection(windowState().width, windowState().height);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void Display::setProjection(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    gluPerspective(45.0, static_cast<double>(aspect), static_cast<double>(0.1f), 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Display::renderFrame() {
    World* world = theDemo->world.get();
    world->root->updateWorldMatrices();
    if (drawingSuspended) return;
    lastScaling = beginTarget();
    // The last material of the previous frame may have left depth writes off; the clear needs them.
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    RenderList list(this);
    list.drawables.swap(drawableStorage);
    list.drawables.clear();
    world->root->collect(&list);

    // Without a camera the eye stays at the origin looking down -z rather than reading
    // through a null node.
    if (const Node* camera = world->camera()) glLoadMatrixf(camera->viewMatrix().data());
    for (Drawable* d : list.drawables) {
        glPushMatrix();
        if (d->owner != nullptr) glMultMatrixf(d->owner->worldMatrix.data());
        d->draw(&list);
        glPopMatrix();
    }
    drawableStorage.swap(list.drawables);
}

// Scaling was chosen by measurement on the software rasteriser (bench/show, --surface):
// drawing at 640x480 and enlarging the finished picture in one copy adds the copy's fixed
// cost (on a 1920x1080 screen the show's mean frame took 1.4 to 2 times as long, with the
// copy's filter as Framebuffer::load picks it), while drawing every scene at the screen's
// resolution multiplies the cost of all of them (about three times).  It also keeps the
// picture exactly the one drawn at 640x480 (line widths, point sprites, texture detail),
// only enlarged.
Display::Scaling Display::beginTarget() {
    const WindowState& ws = windowState();
    const platform::PictureRect target = platform::fitPicture(ws.width, ws.height, ws.surfaceWidth, ws.surfaceHeight);
    if (ws.surfaceWidth == ws.width && ws.surfaceHeight == ws.height) {
        glViewport(0, 0, ws.width, ws.height);
        return Scaling::None;
    }
    if (offscreenReady()) {
        framebuffer->bindFramebuffer(GL_FRAMEBUFFER, framebuffer->framebuffer);
        glViewport(0, 0, ws.width, ws.height);
        return Scaling::Offscreen;
    }
    // The clear that follows covers the whole window, so the bars come out black.
    glViewport(target.x, ws.surfaceHeight - target.y - target.height, target.width, target.height);
    return Scaling::Viewport;
}

bool Display::offscreenReady() {
    const WindowState& ws = windowState();
    if (framebufferFailed) return false;
    if (framebuffer != nullptr && framebuffer->width == ws.width && framebuffer->height == ws.height) return true;
    if (framebuffer == nullptr) {
        // A multisampled window (some drivers force it on every window) cannot take a copy
        // from a single-sampled picture: the copy would fail and leave the screen black.
        GLint sampleBuffers = 0;
        glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
        framebuffer = new Framebuffer;
        if (sampleBuffers > 0 || !framebuffer->load()) {
            framebufferFailed = true;
            return false;
        }
    }
    framebuffer->destroy();
    if (!framebuffer->create(ws.width, ws.height)) {
        framebuffer->destroy();
        framebufferFailed = true;
        return false;
    }
    return true;
}

void Display::swapBuffers() {
    if (drawingSuspended) return;
    const WindowState& ws = windowState();
    if (lastScaling == Scaling::Offscreen) {
        // Bars black, then the picture enlarged into its rectangle (OpenGL counts rows from
        // the bottom).
        const platform::PictureRect target = platform::fitPicture(ws.width, ws.height, ws.surfaceWidth, ws.surfaceHeight);
        const int bottom = ws.surfaceHeight - target.y - target.height;
        framebuffer->bindFramebuffer(GL_FRAMEBUFFER, 0);
        // Only the bars are cleared: the copy covers the rest, and a software rasteriser
        // would clear the whole screen pixel by pixel for nothing.
        const int right = target.x + target.width, top = bottom + target.height;
        const int w = ws.surfaceWidth, h = ws.surfaceHeight;
        // x, y, width, height: left and right of the picture, or below and above it.
        const int bars[2][4] = {{0, 0, target.x, h}, {right, 0, w - right, h}};
        const int strips[2][4] = {{0, 0, w, bottom}, {0, top, w, h - top}};
        glEnable(GL_SCISSOR_TEST);
        for (const auto& b : target.width < w ? bars : strips) {
            glScissor(b[0], b[1], b[2], b[3]);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
        framebuffer->bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer->framebuffer);
        // Whatever the driver's reason, a first copy that it refuses means the viewport
        // draws every later frame (this one is lost).  Earlier errors are not the copy's.
        const bool firstCopy = !framebuffer->copied;
        for (int i = 0; firstCopy && i < 32 && glGetError() != GL_NO_ERROR; ++i) continue;
        framebuffer->blitFramebuffer(0, 0, ws.width, ws.height, target.x, bottom, right, top, GL_COLOR_BUFFER_BIT,
                                     framebuffer->filter);
        framebuffer->copied = true;
        if (firstCopy && glGetError() != GL_NO_ERROR) framebufferFailed = true;
        framebuffer->bindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    platform::swapBuffers(ws.deviceContext);
}
