// The complete fixed-function render state of one drawable.  Materials are shared by
// many drawables and scenes change their fields between frames (fades, wireframe).
#pragma once

#include <cstdint>

#include "engine/math.h"

class RenderList;
struct Texture;

class Material {
public:
    enum Mode : std::int32_t {
        ColorMode = 0,
        TexturedMode = 1,
        DualTextureMode = 2,
        AdditiveMode = 5,
        BlendedMode = 6,
    };

    void apply(RenderList* list);

    std::int32_t mode = ColorMode;
    Texture* texture = nullptr;
    Texture* secondTexture = nullptr;
    Color4 firstColor{1.0f, 1.0f, 1.0f, 0.0f};
    Color4 color{1.0f, 1.0f, 1.0f, 0.0f};  // the drawing colour
    // Kept for the record layout; read by nothing.
    Color4 spareColorA;
    Color4 spareColorB;
    std::int32_t spareInt = 0;
    bool wireframe = false;
    bool spareFlagA = true;
    bool spareFlagB = true;
    bool depthTest = true;
    bool depthWrite = true;
    bool cullFace = true;
    bool spareFlagC = true;
    bool spareFlagD = false;
    bool blended = false;  // set by the additive and blended creators; read by nothing
};
