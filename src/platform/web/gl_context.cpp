#include "platform/gl_context.h"

#include <GL/gl.h>
#include <emscripten/html5.h>

#include <cstring>

#include "platform/backend.h"
#include "platform/web/bridge.h"

namespace platform {

namespace {

// The fixed-function emulation draws the second texture unit's coordinates as its own
// attribute; these are the entry points the drawing code looks up by name.
void activeTexture(GLenum unit) { glActiveTexture(unit); }
void multiTexCoord2f(GLenum unit, GLfloat s, GLfloat t) { velastria_gl_multi_tex_coord_2f(unit, s, t); }
void clientActiveTexture(GLenum unit) { glClientActiveTexture(unit); }

}  // namespace

namespace backend {

bool glContextCurrent() { return emscripten_webgl_get_current_context() != 0; }

void* glEntryPoint(const char* name) {
    if (std::strcmp(name, "glActiveTextureARB") == 0 || std::strcmp(name, "glActiveTexture") == 0)
        return reinterpret_cast<void*>(&activeTexture);
    if (std::strcmp(name, "glMultiTexCoord2fARB") == 0 || std::strcmp(name, "glMultiTexCoord2f") == 0)
        return reinterpret_cast<void*>(&multiTexCoord2f);
    if (std::strcmp(name, "glClientActiveTextureARB") == 0 || std::strcmp(name, "glClientActiveTexture") == 0)
        return reinterpret_cast<void*>(&clientActiveTexture);
    // Nothing else is looked up by name on this backend: framebuffer copies are not needed
    // while the canvas has the picture's own size.
    return nullptr;
}

bool glExtensionOffered(const char* name) {
    // Multitexturing is part of the emulation; WebGL's own extensions have other names.
    return std::strcmp(name, "GL_ARB_multitexture") == 0;
}

}  // namespace backend

// Tests and offline renderers run on the desktop; a page has only the show's canvas.
OffscreenContext::OffscreenContext(int width, int height, int) : w(width), h(height) {}
OffscreenContext::~OffscreenContext() = default;
void OffscreenContext::swap() {}

}  // namespace platform
