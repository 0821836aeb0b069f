// Frame rendering: fixed OpenGL state and projection, the per-frame walk that collects
// drawables into a RenderList and draws them in tree order, and the buffer swap.
#pragma once

#include <vector>

#include "engine/node.h"

class Display;
class RenderList;
class MaterialLibrary;
class TextureManager;

// Anything a RenderList can draw: placed by its owner's world matrix.
class Drawable {
public:
    virtual void draw(RenderList* list) = 0;

    Node* owner = nullptr;

protected:
    ~Drawable() = default;
};

class RenderList {
public:
    explicit RenderList(Display* d) : display(d) {}
    void add(Drawable* drawable) { drawables.push_back(drawable); }

    Display* display;
    std::vector<Drawable*> drawables;  // insertion order is drawing order
};

// Signatures of the two multitexture entry points (GL_ARB_multitexture).
using ActiveTextureFn = void (*)(unsigned int unit);
using MultiTexCoord2fFn = void (*)(unsigned int unit, float s, float t);
// glClientActiveTextureARB: which unit's coordinate array the array calls address.
using ClientActiveTextureFn = void (*)(unsigned int unit);

class Display {
public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    void init();
    void setProjection(int width, int height);
    void renderFrame();
    void swapBuffers();

    // How the last frame reached a window whose size is not the picture's.
    enum class Scaling {
        None,       // same size: drawn straight into the window
        Offscreen,  // drawn at the picture's size into a framebuffer object, then scaled in one copy
        Viewport,   // no framebuffer objects: drawn at the screen's resolution through the viewport
    };
    Scaling scaling() const { return lastScaling; }

    // While set, frames update everything but draw and swap nothing (a minimised window).
    bool drawingSuspended = false;
    MultiTexCoord2fFn multiTexCoord2f = nullptr;
    ActiveTextureFn activeTexture = nullptr;
    // Optional: without it two-texture meshes are sent vertex by vertex.
    ClientActiveTextureFn clientActiveTexture = nullptr;
    MaterialLibrary* materials;
    TextureManager* textures;

private:
    struct Framebuffer;
    // The frame's target: binds it and sets the viewport.
    Scaling beginTarget();
    bool offscreenReady();

    // The storage of each frame's RenderList, kept between frames so that rendering
    // allocates nothing once the largest tree has been seen.
    std::vector<Drawable*> drawableStorage;
    Framebuffer* framebuffer = nullptr;  // made at the first scaled frame
    bool framebufferFailed = false;     // not offered, or incomplete: the viewport does it
    Scaling lastScaling = Scaling::None;
};
