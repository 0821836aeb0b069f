// A small headless stage for render-state tests: an offscreen context with an
// orthographic view of [-extent, extent] in x and y, a Display whose multitexture entry
// points are looked up by name, and helpers to draw through drawables and read pixels.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "engine/display.h"
#include "engine/node.h"
#include "platform/gl_context.h"
#include "resources/texture_manager.h"

using Pixel = std::array<int, 3>;

class GlStage {
public:
    explicit GlStage(int size = 64, float extent = 1.0f) : gl(size, size), size(size) {
        if (!gl.ok()) return;
        display.activeTexture = reinterpret_cast<ActiveTextureFn>(platform::glProcAddress("glActiveTextureARB"));
        display.multiTexCoord2f = reinterpret_cast<MultiTexCoord2fFn>(platform::glProcAddress("glMultiTexCoord2fARB"));
        glViewport(0, 0, size, size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-extent, extent, -extent, extent, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDepthFunc(GL_LEQUAL);  // as the frame renderer sets it up
        clear(0.0f, 0.0f, 0.0f);
    }
    bool ok() const { return gl.ok() && display.activeTexture != nullptr && display.multiTexCoord2f != nullptr; }

    void clear(float r, float g, float b) {
        glDepthMask(GL_TRUE);
        glClearColor(r, g, b, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // (x, y) with y counted from the top row, as the picture is seen.
    Pixel pixel(int x, int y) const {
        auto rgb = gl.readPixels();
        std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    Pixel centre() const { return pixel(size / 2, size / 2); }

    // Draws the visible drawables of a tree the way the frame renderer does: world
    // matrices refreshed, then each drawable under its owner's world matrix.
    void drawTree(Node* root) {
        root->updateWorldMatrices();
        RenderList list(&display);
        root->collect(&list);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (Drawable* d : list.drawables) {
            glPushMatrix();
            glMultMatrixf(d->owner->worldMatrix.data());
            d->draw(&list);
            glPopMatrix();
        }
    }

    platform::OffscreenContext gl;
    Display display;
    int size;
};

// A solid-colour 4 x 4 texture made directly, as the texture manager would.
inline Texture* solidTexture(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    auto* t = new Texture();
    std::vector<std::uint8_t> px;
    for (int i = 0; i < 16; ++i) px.insert(px.end(), {r, g, b});
    glGenTextures(1, &t->name);
    glBindTexture(GL_TEXTURE_2D, t->name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return t;
}

inline void expectPixelNear(const Pixel& got, const Pixel& want, int tolerance = 3) {
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << "channel " << i;
}
