#include <gtest/gtest.h>

#include "engine/font3d.h"
#include "engine/material_gl.h"

namespace {

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stage.ok());
        font = Font3D::create("Fixed", 0.04f, false);
        ASSERT_NE(font, nullptr);
        ASSERT_NE(font->font, nullptr) << "no outline font installed";
    }
    const platform::GlyphMetricsFloat& m(unsigned char c) const { return font->metrics[c]; }

    GlStage stage;
    Font3D* font = nullptr;
};

TEST_F(FontTest, MetricsAreInEmUnits) {
    EXPECT_FALSE(font->font->file().empty());
    EXPECT_NE(font->listBase, 0u);
    EXPECT_TRUE(glIsList(font->listBase + 'M'));
    EXPECT_TRUE(glIsList(font->listBase + 255));

    // A capital sits on the baseline, a bit under an em tall and under an em wide.
    EXPECT_GT(m('M').cellIncX, 0.3f);
    EXPECT_LT(m('M').cellIncX, 1.2f);
    EXPECT_GT(m('M').blackBoxY, 0.5f);
    EXPECT_LT(m('M').blackBoxY, 0.9f);
    EXPECT_NEAR(m('M').glyphOriginY, m('M').blackBoxY, 0.02f);
    EXPECT_GT(m('M').blackBoxX, 0.3f);
    EXPECT_LE(m('M').glyphOriginX + m('M').blackBoxX, m('M').cellIncX + 0.05f);
    EXPECT_EQ(m('M').cellIncY, 0.0f);

    // A descender reaches below the baseline; a space has an advance and no ink.
    EXPECT_LT(m('g').glyphOriginY - m('g').blackBoxY, -0.1f);
    EXPECT_GT(m(' ').cellIncX, 0.2f);
    EXPECT_EQ(m(' ').blackBoxX, 0.0f);

    // Bytes follow the Western code page: 0x80 is the euro sign, 0xE9 an e with acute.
    EXPECT_GT(m(0x80).blackBoxX, 0.3f);
    EXPECT_NEAR(m(0xE9).cellIncX, m('e').cellIncX, 1e-6f);
    EXPECT_GT(m(0xE9).glyphOriginY, m('e').glyphOriginY + 0.1f);  // the accent rises above

    // Byte 255 draws nothing and does not advance.
    EXPECT_EQ(m(255).cellIncX, 0.0f);
    EXPECT_EQ(m(255).blackBoxX, 0.0f);
}

TEST_F(FontTest, EachListMovesThePenByItsAdvance) {
    for (int c : {int{'M'}, int{'i'}, int{' '}, 0xE9, 255}) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glCallList(font->listBase + static_cast<GLuint>(c));
        GLfloat mv[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        EXPECT_FLOAT_EQ(mv[12], m(static_cast<unsigned char>(c)).cellIncX) << c;
        EXPECT_FLOAT_EQ(mv[13], 0.0f);
        EXPECT_FLOAT_EQ(mv[14], 0.0f);
    }
}

}  // namespace
