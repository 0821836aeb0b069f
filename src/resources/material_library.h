// Creates every Material the scenes use, in five variants, and keeps them for good.
#pragma once

#include <vector>

#include "engine/material.h"

class MaterialLibrary {
public:
    MaterialLibrary() = default;  // touches no OpenGL: built before the window exists

    Material* createColorMaterial(const Color4& first, const Color4& drawing);
    Material* createTexturedMaterial(Texture* texture);
    Material* createDualTextureMaterial(Texture* unit0, Texture* unit1);
    Material* createAdditiveMaterial(Texture* texture, const Color4& color);
    Material* createBlendedMaterial(Texture* texture, const Color4& color);

    std::vector<Material*> materials;  // in creation order
};
