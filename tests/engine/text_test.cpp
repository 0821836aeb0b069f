#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "engine/font3d.h"
#include "engine/material.h"
#include "engine/material_gl.h"
#include "engine/text_node.h"
#include "resources/material_library.h"
#include "support/message_recorder.h"
#include "support/scoped_demo.h"

namespace {

constexpr int stageSize = 160;
constexpr float extent = 2.0f;  // 40 pixels per unit
constexpr float pixelsPerUnit = stageSize / (2 * extent);

struct InkBox {
    int count = 0;
    int left = stageSize, right = -1, top = stageSize, bottom = -1;  // inclusive, rows from the top
};

InkBox ink(const platform::OffscreenContext& gl) {
    auto rgb = gl.readPixels();
    InkBox box;
    for (int y = 0; y < stageSize; ++y)
        for (int x = 0; x < stageSize; ++x) {
            std::size_t i = (static_cast<std::size_t>(y) * stageSize + static_cast<std::size_t>(x)) * 3;
            if (rgb[i] + rgb[i + 1] + rgb[i + 2] == 0) continue;
            ++box.count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

float toColumn(float x) { return (x + extent) * pixelsPerUnit; }
float toRow(float y) { return (extent - y) * pixelsPerUnit; }

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stage.ok());
        font = Font3D::create("Fixed", 0.04f, false);
        ASSERT_NE(font->font, nullptr) << "no outline font installed";
        letters.color = Color4(0.9f, 0.8f, 1.0f, 0.0f);  // culling stays on, as in the credits
    }

    GlStage stage{stageSize, extent};
    Font3D* font = nullptr;
    Material letters;
    GroupNode root;
};

TEST_F(TextTest, StringIsCentredOnTheNodeByItsAdvances) {
    const auto& a = font->metrics['A'];
    const auto& b = font->metrics['B'];
    const float width = a.cellIncX + b.cellIncX;
    // Where the glyphs' black boxes say the ink is, relative to the node at (0.25, -0.5).
    const float ox = 0.25f, oy = -0.5f;
    const float left = ox - width * 0.5f + a.glyphOriginX;
    const float right = ox - width * 0.5f + a.cellIncX + b.glyphOriginX + b.blackBoxX;
    const float top = oy + std::max(a.glyphOriginY, b.glyphOriginY);

    auto* node = new TextNode(font, &letters, "AB");
    node->setPosition(Vec3(ox, oy, 0.0f));
    root.addChild(node);
    stage.drawTree(&root);
    InkBox box = ink(stage.gl);
    ASSERT_GT(box.count, 100);
    EXPECT_NEAR(box.left, toColumn(left), 1.5);
    EXPECT_NEAR(box.right + 1, toColumn(right), 1.5);
    EXPECT_NEAR(box.top, toRow(top), 1.5);
    EXPECT_NEAR(box.bottom + 1, toRow(oy), 1.5);  // both letters stand on the baseline
    expectPixelNear(stage.pixel((box.left + box.right) / 2, box.bottom - 1), {230, 204, 255}, 255);
}

TEST_F(TextTest, EmptyOrMissingTextDrawsNothingAndMovesNothing) {
    RenderList list(&stage.display);
    for (const char* text : {"", static_cast<const char*>(nullptr)}) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        font->drawText(&list, text);
        GLfloat mv[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        EXPECT_EQ(mv[12], 0.0f);
        EXPECT_EQ(mv[0], 1.0f);
    }
    EXPECT_EQ(ink(stage.gl).count, 0);

    // Byte 255 alone: an empty list, no advance.
    const char odd[] = {static_cast<char>(0xFF), 0};
    root.addChild(new TextNode(font, &letters, odd));
    stage.drawTree(&root);
    EXPECT_EQ(ink(stage.gl).count, 0);
}

TEST_F(TextTest, HiddenNodeHidesItsChildren) {
    auto* parent = new TextNode(font, &letters, "H");
    auto* child = new TextNode(font, &letters, "I");
    parent->addChild(child);
    root.addChild(parent);
    RenderList list(&stage.display);
    root.collect(&list);
    EXPECT_EQ(list.drawables, (std::vector<Drawable*>{&parent->drawable, &child->drawable}));
    EXPECT_EQ(parent->drawable.owner, parent);

    parent->setVisible(false);
    RenderList none(&stage.display);
    root.collect(&none);
    EXPECT_TRUE(none.drawables.empty());
    stage.drawTree(&root);
    EXPECT_EQ(ink(stage.gl).count, 0);
}

TEST_F(TextTest, ExtrudedGlyphsShowFromEverySideWithCulling) {
    ASSERT_TRUE(letters.cullFace);
    auto* node = new TextNode(font, &letters, "M");
    root.addChild(node);
    stage.drawTree(&root);
    const int front = ink(stage.gl).count;
    ASSERT_GT(front, 100);

    // From behind, the back face (at z = -depth) shows the same area, mirrored.
    node->setRotation(Vec3(0.0f, 180.0f, 0.0f));
    stage.clear(0.0f, 0.0f, 0.0f);
    stage.drawTree(&root);
    EXPECT_NEAR(ink(stage.gl).count, front, front / 20);

    // Edge on, a thick font shows its side walls: the ones facing the viewer must survive
    // culling, giving the same nearest depths as drawing every wall.
    Font3D* thick = Font3D::create("Fixed", 0.5f, false);
    node->drawable.font = thick;
    node->setRotation(Vec3(0.0f, 90.0f, 0.0f));
    auto depths = [&] {
        stage.clear(0.0f, 0.0f, 0.0f);
        stage.drawTree(&root);
        std::vector<float> d(stageSize * stageSize);
        glReadPixels(0, 0, stageSize, stageSize, GL_DEPTH_COMPONENT, GL_FLOAT, d.data());
        return d;
    };
    std::vector<float> culled = depths();
    InkBox side = ink(stage.gl);
    EXPECT_NEAR(side.right + 1 - side.left, 0.5f * pixelsPerUnit, 2.0f);
    letters.cullFace = false;
    std::vector<float> all = depths();
    int differing = 0;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (std::fabs(all[i] - culled[i]) > 1e-3f) ++differing;
    EXPECT_LT(differing, side.count / 50);
}

TEST_F(TextTest, LineOutlinesDrawOnlyTheContours) {
    Font3D* outline = Font3D::create("Fixed", 0.04f, true);
    EXPECT_EQ(outline->metrics['O'].cellIncX, font->metrics['O'].cellIncX);
    auto* node = new TextNode(font, &letters, "O");
    node->setScale(Vec3(2.0f, 2.0f, 2.0f));
    root.addChild(node);
    stage.drawTree(&root);
    InkBox solid = ink(stage.gl);
    node->drawable.font = outline;
    stage.clear(0.0f, 0.0f, 0.0f);
    stage.drawTree(&root);
    InkBox lines = ink(stage.gl);
    EXPECT_GT(lines.count, 50);
    EXPECT_LT(lines.count, solid.count / 2);
    EXPECT_NEAR(lines.left, solid.left, 1);
    EXPECT_NEAR(lines.right, solid.right, 1);
}

// The whole way, as the credits use it: the real frame renderer with its perspective, a
// camera at the origin and a scaled line of text in front of it.
TEST(TextFrame, LineIsCentredUnderPerspective) {
    constexpr int W = 160, H = 120;
    MessageRecorder messages;
    platform::OffscreenContext gl{W, H};
    ASSERT_TRUE(gl.ok());
    ScopedDemo demo;
    windowState().width = W;
    windowState().height = H;
    windowState().surfaceWidth = W;
    windowState().surfaceHeight = H;
    Display* display = demo->display.get();
    display->init();
    ASSERT_TRUE(messages.messages.empty());

    Font3D* font = Font3D::create("Fixed", 0.04f, false);
    ASSERT_NE(font->font, nullptr);
    Material* letters = display->materials->createColorMaterial(Color4(0.9f, 0.8f, 1.0f, 0.0f),
                                                                Color4(0.9f, 0.8f, 1.0f, 0.0f));
    auto* camera = new GroupNode();
    demo->world->addToRoot(camera);
    demo->world->setCamera(camera);
    const char* text = "velastria";
    auto* line = new TextNode(font, letters, text);
    const float distance = 3.0f, scale = 0.4f;
    line->setPosition(Vec3(0.0f, 0.0f, -distance));
    line->setScale(Vec3(scale, scale, scale));
    demo->world->addToRoot(line);
    display->renderFrame();

    float width = 0.0f;
    for (const char* p = text; *p != 0; ++p) width += font->metrics[static_cast<unsigned char>(*p)].cellIncX;
    const auto& first = font->metrics['v'];
    const auto& last = font->metrics['a'];
    const float inkLeft = -width * 0.5f + first.glyphOriginX;
    const float inkRight = width * 0.5f - last.cellIncX + last.glyphOriginX + last.blackBoxX;
    // Eye-space x at the line's depth to a window column.
    const double focal = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
    auto column = [&](float x) { return W * 0.5 * (1.0 + x * scale / distance * focal / (4.0 / 3.0)); };

    auto rgb = gl.readPixels();
    int left = W, right = -1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::size_t i = (static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)) * 3;
            if (rgb[i + 2] > 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    ASSERT_LE(left, right);
    EXPECT_NEAR(left, column(inkLeft), 1.5);
    EXPECT_NEAR(right + 1, column(inkRight), 1.5);
}

}  // namespace
