#include "engine/display.h"

#include <GL/gl.h>
#include <GL/glu.h>

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

Display::Display() {
    textures = new TextureManager;
    materials = new MaterialLibrary;
}

// The program never gets here (the Display lives as long as the process); tests do.
Display::~Display() {
    delete materials;
    delete textures;
}

void Display::init() {
    const bool arb = platform::glHasExtension("GL_ARB_multitexture");
    const bool core = platform::glVersionAtLeast(1, 3);
    activeTexture = reinterpret_cast<ActiveTextureFn>(multitextureEntry("glActiveTextureARB", "glActiveTexture", arb, core));
    multiTexCoord2f =
        reinterpret_cast<MultiTexCoord2fFn>(multitextureEntry("glMultiTexCoord2fARB", "glMultiTexCoord2f", arb, core));
    if (activeTexture == nullptr || multiTexCoord2f == nullptr) {
        platform::showMessage("El dispositivo grafico no soporta algunas operaciones necesarias.", "Marn",
                              platform::MessageIcon::None);
        // The program ends at the first look at the message queue; set-up goes on till then.
        platform::postQuitMessage(0);
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

void Display::swapBuffers() { platform::swapBuffers(windowState().deviceContext); }
