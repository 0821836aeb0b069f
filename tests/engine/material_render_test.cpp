#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include "engine/material.h"
#include "engine/material_gl.h"

namespace {

// A square at depth z, covering [-half, half]^2, textured 0..1 on both units; wound
// counter-clockwise (front facing) unless told otherwise.
void drawQuad(RenderList* list, Material* m, float z = 0.0f, float half = 1.0f, bool ccw = true) {
    m->apply(list);
    const float xs[4] = {-half, half, half, -half};
    const float ys[4] = {-half, -half, half, half};
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; ++k) {
        int i = ccw ? k : 3 - k;
        float s = xs[i] > 0 ? 1.0f : 0.0f, t = ys[i] > 0 ? 1.0f : 0.0f;
        glTexCoord2f(s, t);
        list->display->multiTexCoord2f(GL_TEXTURE1_ARB, s, t);
        glVertex3f(xs[i], ys[i], z);
    }
    glEnd();
}

class MaterialRender : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(stage.ok()); }
    GlStage stage;
    RenderList list{&stage.display};
};

TEST_F(MaterialRender, ColourModeUsesColourWithoutTextureOrBlending) {
    // Leave texturing and blending on, as a previous drawable might.
    Material textured;
    textured.mode = Material::TexturedMode;
    textured.texture = solidTexture(255, 255, 0);
    Material glass;
    glass.mode = Material::BlendedMode;
    glass.texture = textured.texture;
    glass.color = Color4(1.0f, 1.0f, 1.0f, 0.5f);
    drawQuad(&list, &glass);

    Material plain;
    plain.color = Color4(0.2f, 0.4f, 0.6f, 0.0f);  // alpha 0 must not make it invisible
    stage.clear(0.0f, 0.0f, 0.0f);
    drawQuad(&list, &plain);
    expectPixelNear(stage.centre(), {51, 102, 153});
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(current[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
}

TEST_F(MaterialRender, TexturedModeShowsTheTextureUntinted) {
    Material m;
    m.mode = Material::TexturedMode;
    m.texture = solidTexture(30, 160, 220);
    m.color = Color4(0.0f, 0.0f, 0.0f, 0.0f);  // not used in this mode
    glColor3f(0.0f, 0.0f, 0.0f);                // nor is whatever colour was current
    drawQuad(&list, &m);
    expectPixelNear(stage.centre(), {30, 160, 220});
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), m.texture->name);
}

TEST_F(MaterialRender, DualTextureModeMultipliesAndDoubles) {
    Material m;
    m.mode = Material::DualTextureMode;
    m.texture = solidTexture(128, 64, 255);
    m.secondTexture = solidTexture(128, 128, 64);
    drawQuad(&list, &m);
    // 2 * a * b per channel, clamped.
    expectPixelNear(stage.centre(), {128, 64, 128});

    // Unit 1 stays selected with its combiner...
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
    EXPECT_EQ(unit, GL_TEXTURE1_ARB);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_COMBINE_ARB);

    // ...until the next material turns unit 1 off again: only the first texture shows.
    Material single;
    single.mode = Material::TexturedMode;
    single.texture = m.texture;
    drawQuad(&list, &single);
    expectPixelNear(stage.centre(), {128, 64, 255});
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0_ARB);
}

TEST_F(MaterialRender, AdditiveAndBlendedModesMixWithTheBackground) {
    Texture* tex = solidTexture(200, 200, 100);
    Material add;
    add.mode = Material::AdditiveMode;
    add.texture = tex;
    add.color = Color4(1.0f, 0.5f, 1.0f, 0.5f);
    stage.clear(0.2f, 0.2f, 0.2f);
    drawQuad(&list, &add);
    // background + alpha * texture * colour
    expectPixelNear(stage.centre(), {51 + 100, 51 + 50, 51 + 50});

    Material blend;
    blend.mode = Material::BlendedMode;
    blend.texture = tex;
    blend.color = Color4(1.0f, 1.0f, 1.0f, 0.5f);
    stage.clear(0.2f, 0.2f, 0.2f);
    drawQuad(&list, &blend);
    // (1 - alpha) * background + alpha * texture
    expectPixelNear(stage.centre(), {126, 126, 76});

    // Alpha 0: both go through the pipeline and change nothing.
    add.color.a = 0.0f;
    blend.color.a = 0.0f;
    stage.clear(0.2f, 0.2f, 0.2f);
    drawQuad(&list, &add);
    drawQuad(&list, &blend);
    expectPixelNear(stage.centre(), {51, 51, 51});
}

TEST_F(MaterialRender, NullTextureBindsNoTexture) {
    Material m;
    m.mode = Material::TexturedMode;
    m.texture = solidTexture(255, 0, 0);
    drawQuad(&list, &m);
    m.texture = nullptr;
    drawQuad(&list, &m);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    expectPixelNear(stage.centre(), {255, 255, 255});  // plain white, not the old red

    Material dual;
    dual.mode = Material::DualTextureMode;
    dual.texture = solidTexture(100, 100, 100);
    stage.clear(0.0f, 0.0f, 0.0f);
    drawQuad(&list, &dual);  // second texture missing: unit 1 has nothing bound
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    // A unit without a usable texture passes its input through: the first texture as it is.
    expectPixelNear(stage.centre(), {100, 100, 100});
}

TEST_F(MaterialRender, WireframeAndCulling) {
    Material m;
    m.color = Color4(1.0f, 1.0f, 1.0f, 1.0f);
    m.wireframe = true;
    drawQuad(&list, &m, 0.0f, 0.5f);
    EXPECT_EQ(stage.centre(), (Pixel{0, 0, 0}));
    // The left and right edges (x = -0.5 and 0.5, window columns 16 and 48) are drawn.
    int lit = 0;
    for (int x = 0; x < 64; ++x) {
        if (stage.pixel(x, 32) == Pixel{255, 255, 255}) {
            EXPECT_TRUE((x >= 15 && x <= 16) || (x >= 47 && x <= 48)) << x;
            ++lit;
        }
    }
    EXPECT_EQ(lit, 2);

    m.wireframe = false;
    stage.clear(0.0f, 0.0f, 0.0f);
    drawQuad(&list, &m, 0.0f, 0.5f, false);  // back facing: culled
    EXPECT_EQ(stage.centre(), (Pixel{0, 0, 0}));
    m.cullFace = false;
    drawQuad(&list, &m, 0.0f, 0.5f, false);
    EXPECT_EQ(stage.centre(), (Pixel{255, 255, 255}));
}

TEST_F(MaterialRender, DepthWritesAndDepthTest) {
    Material nearRed, farGreen;
    nearRed.color = Color4(1.0f, 0.0f, 0.0f, 1.0f);
    farGreen.color = Color4(0.0f, 1.0f, 0.0f, 1.0f);
    // The near square written first hides the far one drawn after it...
    drawQuad(&list, &nearRed, 0.5f);
    drawQuad(&list, &farGreen, -0.5f);
    EXPECT_EQ(stage.centre(), (Pixel{255, 0, 0}));
    // ...unless it leaves the depth buffer alone,
    nearRed.depthWrite = false;
    stage.clear(0.0f, 0.0f, 0.0f);
    drawQuad(&list, &nearRed, 0.5f);
    drawQuad(&list, &farGreen, -0.5f);
    EXPECT_EQ(stage.centre(), (Pixel{0, 255, 0}));
    // ...or the far one does not test against it.
    nearRed.depthWrite = true;
    farGreen.depthTest = false;
    stage.clear(0.0f, 0.0f, 0.0f);
    drawQuad(&list, &nearRed, 0.5f);
    drawQuad(&list, &farGreen, -0.5f);
    EXPECT_EQ(stage.centre(), (Pixel{0, 255, 0}));
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(MaterialRender, UnknownModeSetsOnlyTheCommonState) {
    Material glass;
    glass.mode = Material::BlendedMode;
    glass.texture = solidTexture(10, 20, 30);
    glass.color = Color4(0.5f, 0.5f, 0.5f, 0.25f);
    glass.apply(&list);

    Material odd;
    odd.mode = 3;
    odd.wireframe = true;
    odd.cullFace = false;
    odd.color = Color4(1.0f, 0.0f, 0.0f, 1.0f);
    odd.apply(&list);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint poly[2];
    glGetIntegerv(GL_POLYGON_MODE, poly);
    EXPECT_EQ(poly[0], GL_LINE);
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(current[3], 0.25f);  // the colour is still the blended material's
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), glass.texture->name);
}

}  // namespace
