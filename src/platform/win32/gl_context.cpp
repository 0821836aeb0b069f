#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/gl_context.h"

namespace platform {

namespace backend {

bool glContextCurrent() { return wglGetCurrentContext() != nullptr; }

void* glEntryPoint(const char* name) {
    PROC p = wglGetProcAddress(name);
    // Some drivers answer small numbers instead of null for names they do not know.
    const auto value = reinterpret_cast<std::intptr_t>(p);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) {
        // OpenGL 1.1 functions are exported by the system library itself.
        HMODULE library = GetModuleHandleA("opengl32.dll");
        p = library != nullptr ? GetProcAddress(library, name) : nullptr;
    }
    return reinterpret_cast<void*>(p);
}

bool glExtensionOffered(const char* name) {
    const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::size_t length = std::strlen(name);
    if (list == nullptr || length == 0) return false;
    // Whole names only: GL_ARB_multitexture must not match GL_ARB_multitexture_foo.
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool startsName = at == list || at[-1] == ' ';
        const bool endsName = at[length] == ' ' || at[length] == '\0';
        if (startsName && endsName) return true;
    }
    return false;
}

}  // namespace backend

// Tests and tools that draw without the demo's window run on the Linux backend; here the
// context is never made and ok() stays false.
OffscreenContext::OffscreenContext(int width, int height, int) : w(width), h(height) {
    std::fprintf(stderr, "offscreen context: not offered on this system\n");
}

OffscreenContext::~OffscreenContext() = default;

void OffscreenContext::swap() {}

}  // namespace platform
