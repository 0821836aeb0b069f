#include "resources/material_library.h"

namespace {

// Materials live for the rest of the process: drawables and scenes keep pointers to them.
Material* keep(std::vector<Material*>& list, Material* m) {
    list.push_back(m);
    return m;
}

}  // namespace

Material* MaterialLibrary::createColorMaterial(const Color4& first, const Color4& drawing) {
    auto* m = new Material();
    m->mode = Material::ColorMode;
    m->firstColor = first;
    m->color = drawing;
    return keep(materials, m);
}

Material* MaterialLibrary::createTexturedMaterial(Texture* texture) {
    auto* m = new Material();
    m->mode = Material::TexturedMode;
    m->texture = texture;
    return keep(materials, m);
}

Material* MaterialLibrary::createDualTextureMaterial(Texture* unit0, Texture* unit1) {
    auto* m = new Material();
    m->mode = Material::DualTextureMode;
    m->texture = unit0;
    m->secondTexture = unit1;
    return keep(materials, m);
}

namespace {

// Translucent sprites and glows: drawn behind opaque geometry but never hiding what follows,
// and seen from both sides.
Material* makeTranslucent(std::int32_t mode, Texture* texture, const Color4& color) {
    auto* m = new Material();
    m->mode = mode;
    m->texture = texture;
    m->firstColor = color;
    m->color = color;
    m->depthWrite = false;
    m->cullFace = false;
    m->blended = true;
    return m;
}

}  // namespace

Material* MaterialLibrary::createAdditiveMaterial(Texture* texture, const Color4& color) {
    return keep(materials, makeTranslucent(Material::AdditiveMode, texture, color));
}

Material* MaterialLibrary::createBlendedMaterial(Texture* texture, const Color4& color) {
    return keep(materials, makeTranslucent(Material::BlendedMode, texture, color));
}
