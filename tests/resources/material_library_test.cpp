#include <gtest/gtest.h>

#include "resources/material_library.h"
#include "resources/texture_manager.h"

namespace {

// Render flags in the order wireframe, depthTest, depthWrite, cullFace, blended.
std::array<bool, 5> flags(const Material* m) {
    return {m->wireframe, m->depthTest, m->depthWrite, m->cullFace, m->blended};
}

TEST(MaterialLibrary, CreatorsSetModeTexturesColoursAndFlags) {
    MaterialLibrary lib;
    Texture t1, t2;
    const Color4 first(0.1f, 0.2f, 0.3f, 0.4f), drawing(0.9f, 0.8f, 1.0f, 0.0f), glow(1.0f, 1.0f, 1.0f, 0.4f);
    const Color4 defaultColor(1.0f, 1.0f, 1.0f, 0.0f);

    Material* c = lib.createColorMaterial(first, drawing);
    EXPECT_EQ(c->mode, 0);
    EXPECT_EQ(c->firstColor, first);
    EXPECT_EQ(c->color, drawing);
    EXPECT_EQ(c->texture, nullptr);

    Material* t = lib.createTexturedMaterial(&t1);
    EXPECT_EQ(t->mode, 1);
    EXPECT_EQ(t->texture, &t1);
    EXPECT_EQ(t->color, defaultColor);
    EXPECT_EQ(flags(t), (std::array<bool, 5>{false, true, true, true, false}));

    Material* d = lib.createDualTextureMaterial(&t1, &t2);
    EXPECT_EQ(d->mode, 2);
    EXPECT_EQ(d->texture, &t1);
    EXPECT_EQ(d->secondTexture, &t2);

    Material* a = lib.createAdditiveMaterial(&t2, glow);
    Material* b = lib.createBlendedMaterial(nullptr, glow);
    EXPECT_EQ(a->mode, 5);
    EXPECT_EQ(b->mode, 6);
    EXPECT_EQ(a->texture, &t2);
    EXPECT_EQ(b->texture, nullptr);  // a failed load is passed on as it is
    for (Material* m : {a, b}) {
        EXPECT_EQ(m->color, glow);
        EXPECT_EQ(m->firstColor, glow);
        EXPECT_EQ(flags(m), (std::array<bool, 5>{false, true, false, false, true}));
        EXPECT_EQ(m->spareColorA, Color4());  // the never-read fields keep their defaults
        EXPECT_TRUE(m->spareFlagA && m->spareFlagB && m->spareFlagC && !m->spareFlagD);
    }
    EXPECT_EQ(lib.materials, (std::vector<Material*>{c, t, d, a, b}));

    // Each call makes a new material, even with the same arguments.
    EXPECT_NE(lib.createTexturedMaterial(&t1), t);
}

}  // namespace
