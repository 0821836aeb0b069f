#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "app/window.h"
#include "engine/display.h"
#include "platform/gl_context.h"
#include "platform/window.h"
#include "support/message_recorder.h"
#include "support/scoped_demo.h"
#include "support/test_nodes.h"

namespace {

constexpr int W = 160;
constexpr int H = 120;

struct Pixel {
    int r, g, b;
};

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        windowState().width = W;
        windowState().height = H;
        windowState().surfaceWidth = W;
        windowState().surfaceHeight = H;
        display = demo->display.get();
        display->init();
    }
    void TearDown() override {
        platform::hideGlNames({});
        platform::WindowMessage m;
        while (platform::peekMessage(m)) {
        }
    }

    Pixel at(const std::vector<std::uint8_t>& rgb, int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)) * 3;
        return Pixel{rgb[i], rgb[i + 1], rgb[i + 2]};
    }

    // Bounding box of the pixels whose channel c is bright.
    struct Box {
        int left = W, right = -1, top = H, bottom = -1;
    };
    Box brightBox(const std::vector<std::uint8_t>& rgb, int c) const {
        Box b;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (rgb[(static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)) * 3 + static_cast<std::size_t>(c)] > 128) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    }

    MessageRecorder messages;
    platform::OffscreenContext gl{W, H};
    ScopedDemo demo;
    Display* display = nullptr;
};

TEST(DisplayConstruction, OwnsItsLibrariesAndNeedsNoContext) {
    Display d;
    EXPECT_NE(d.textures, nullptr);
    EXPECT_NE(d.materials, nullptr);
    EXPECT_EQ(d.activeTexture, nullptr);
    EXPECT_EQ(d.multiTexCoord2f, nullptr);
}

TEST_F(DisplayTest, InitSetsTheFixedStateAndProjection) {
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_NE(display->activeTexture, nullptr);
    EXPECT_NE(display->multiTexCoord2f, nullptr);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], W);
    EXPECT_EQ(viewport[3], H);
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);

    // 45 degrees vertically, aspect 4:3, near 0.1, far 200.
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const double f = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
    const double n = static_cast<double>(0.1f), fa = 200.0;
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[0], f / (4.0 / 3.0), 1e-5);
    EXPECT_NEAR(p[10], (fa + n) / (n - fa), 1e-5);
    EXPECT_NEAR(p[14], 2.0 * fa * n / (n - fa), 1e-5);
    EXPECT_FLOAT_EQ(p[11], -1.0f);
}

TEST_F(DisplayTest, ZeroHeightProjectionDoesNotDivideByZero) {
    display->setProjection(W, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    for (float v : p) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(DisplayTest, MissingMultitextureIsReportedAndQuits) {
    platform::hideGlNames({"GL_ARB_multitexture", "glActiveTextureARB", "glActiveTexture"});
    Display second;
    second.init();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "El dispositivo grafico no soporta algunas operaciones necesarias.");
    EXPECT_EQ(messages.messages[0].caption, "Marn");
    EXPECT_EQ(messages.messages[0].icon, platform::MessageIcon::None);
    EXPECT_EQ(second.activeTexture, nullptr);
    platform::WindowMessage m;
    ASSERT_TRUE(platform::peekMessage(m));
    EXPECT_EQ(m.message, platform::msg::Quit);
    EXPECT_EQ(m.wParam, 1u);  // the exit status: the run failed
    // Set-up carried on regardless.
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
}

TEST_F(DisplayTest, EmptyTreeGivesAClearedFrameEvenAfterDepthWritesWereTurnedOff) {
    // Leave junk in both buffers and depth writes off, as a blended material would.
    glClearColor(1, 1, 1, 1);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0.5f);
    glClearDepth(1.0);
    glDepthMask(GL_FALSE);

    GroupNode camera;
    demo->world->setCamera(&camera);
    display->renderFrame();
    for (auto v : gl.readPixels()) ASSERT_EQ(v, 0);
    std::vector<float> depth(static_cast<std::size_t>(W * H));
    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    for (float d : depth) ASSERT_FLOAT_EQ(d, 1.0f);
}

TEST_F(DisplayTest, NodeFiveUnitsAheadIsDrawnCentred) {
    QuadDrawable quad(1, 0, 0);
    DrawableNode node(&quad);
    GroupNode camera;
    camera.setPosition(Vec3(0, 0, 5));
    demo->world->addToRoot(&node);
    demo->world->setCamera(&camera);
    display->renderFrame();

    ASSERT_EQ(quad.drawCount, 1);
    EXPECT_EQ(quad.lastDisplay, display);
    const auto rgb = gl.readPixels();
    const Box b = brightBox(rgb, 0);
    ASSERT_GE(b.right, 0) << "nothing drawn";
    EXPECT_NEAR(b.left, W - 1 - b.right, 1);
    EXPECT_NEAR(b.top, H - 1 - b.bottom, 1);
    // A unit quad 5 units away fills 1 / (2 * 5 * tan 22.5) of the height.
    const double expected = H / (10.0 * std::tan(22.5 * 3.14159265358979323846 / 180.0));
    EXPECT_NEAR(b.bottom - b.top + 1, expected, 2.0);
    // The matrix stack is left as the camera set it.
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(mv[14], -5.0f);
}

TEST_F(DisplayTest, CameraTurnedNinetyDegreesLooksAlongPlusX) {
    QuadDrawable ahead(0, 1, 0), behind(1, 0, 0), minusZ(0, 0, 1);
    DrawableNode aheadNode(&ahead), behindNode(&behind), minusZNode(&minusZ);
    // Stand the x-side quads up so they face the x axis.
    aheadNode.setPosition(Vec3(5, 0, 0));
    aheadNode.setRotation(Vec3(0, 90, 0));
    behindNode.setPosition(Vec3(-5, 0, 0));
    behindNode.setRotation(Vec3(0, 90, 0));
    minusZNode.setPosition(Vec3(0, 0, -5));
    demo->world->addToRoot(&aheadNode);
    demo->world->addToRoot(&behindNode);
    demo->world->addToRoot(&minusZNode);
    GroupNode camera;
    camera.setRotation(Vec3(0, 90, 0));
    demo->world->setCamera(&camera);
    display->renderFrame();

    const auto rgb = gl.readPixels();
    const Pixel centre = at(rgb, W / 2, H / 2);
    EXPECT_EQ(centre.g, 255);
    EXPECT_EQ(centre.r, 0);
    EXPECT_EQ(brightBox(rgb, 0).right, -1) << "the quad behind the camera is visible";
    EXPECT_EQ(brightBox(rgb, 2).right, -1) << "the quad along -z is visible";
}

TEST_F(DisplayTest, DrawsInTreeOrderAndSkipsHiddenNodes) {
    QuadDrawable first(1, 0, 0, 1.0f), second(0, 1, 0, 0.5f), hidden(0, 0, 1, 2.0f);
    DrawableNode a(&first), b(&second), h(&hidden);
    a.setPosition(Vec3(0, 0, -5));
    b.setPosition(Vec3(0, 0, -5));
    h.setPosition(Vec3(0, 0, -5));
    h.setVisible(false);
    demo->world->addToRoot(&a);
    demo->world->addToRoot(&b);
    demo->world->addToRoot(&h);
    GroupNode camera;
    demo->world->setCamera(&camera);
    display->renderFrame();

    EXPECT_EQ(hidden.drawCount, 0);
    const auto rgb = gl.readPixels();
    const Pixel centre = at(rgb, W / 2, H / 2);
    EXPECT_EQ(centre.g, 255);  // the later node overdraws the earlier one
    EXPECT_EQ(centre.r, 0);
    EXPECT_EQ(at(rgb, W / 2 - 15, H / 2).r, 255);  // the earlier, larger one shows around it
}

TEST_F(DisplayTest, NoCameraDrawsFromTheOriginInsteadOfCrashing) {
    QuadDrawable quad(1, 0, 0);
    DrawableNode node(&quad);
    node.setPosition(Vec3(0, 0, -5));
    demo->world->addToRoot(&node);
    ASSERT_EQ(demo->world->camera(), nullptr);
    display->renderFrame();
    EXPECT_EQ(at(gl.readPixels(), W / 2, H / 2).r, 255);
    display->swapBuffers();  // no window: nothing to present, nothing to break
}

TEST(PictureFit, LargestRectangleOfThePicturesShapeCentred) {
    struct Case {
        int sw, sh;
        platform::PictureRect expected;
    };
    for (const Case& c : {Case{640, 480, {0, 0, 640, 480}}, Case{1920, 1080, {240, 0, 1440, 1080}},
                          Case{1280, 1024, {0, 32, 1280, 960}}, Case{1024, 768, {0, 0, 1024, 768}},
                          Case{800, 1200, {0, 300, 800, 600}}, Case{1, 1000, {0, 499, 1, 1}},
                          Case{1366, 768, {171, 0, 1024, 768}}, Case{0, 480, {0, 0, 640, 480}}})
        EXPECT_EQ(platform::fitPicture(640, 480, c.sw, c.sh), c.expected) << c.sw << "x" << c.sh;
}

// A picture that fills the frame, shown in a wider and in a taller window over whatever the
// window held before: the fitted rectangle, bars black, whether the driver offers
// framebuffer objects or not.
struct ScaledCase {
    bool framebuffers;
    int surfaceWidth, surfaceHeight;
    platform::PictureRect picture;
    int samples = 0;  // a window the driver multisamples: the copy cannot go there
};

class ScaledFrame : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(ScaledFrame, FillsTheFittedRectangleAndLeavesBlackBars) {
    const ScaledCase c = GetParam();
    const int SW = c.surfaceWidth, SH = c.surfaceHeight;
    if (!c.framebuffers)
        platform::hideGlNames({"GL_ARB_framebuffer_object", "GL_EXT_framebuffer_object", "glBlitFramebuffer",
                               "glBlitFramebufferEXT"});
    platform::OffscreenContext gl(SW, SH, c.samples);
    ASSERT_TRUE(gl.ok());
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    ASSERT_EQ(sampleBuffers > 0, c.samples > 1) << "the driver gives no multisampled window";
    // Left-overs of an earlier, differently sized frame.
    glClearColor(0.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ScopedDemo demo;
    WindowState& ws = windowState();
    ws.width = W;
    ws.height = H;
    ws.surfaceWidth = SW;
    ws.surfaceHeight = SH;
    demo->display->init();
    QuadDrawable quad(1, 0, 0, 10.0f);  // far larger than the view
    DrawableNode node(&quad);
    GroupNode camera;
    camera.setPosition(Vec3(0, 0, 5));
    demo->world->addToRoot(&node);
    demo->world->setCamera(&camera);
    demo->display->renderFrame();
    demo->display->swapBuffers();  // no window to show it in: the scaled picture stays in the back buffer
    platform::hideGlNames({});
    EXPECT_EQ(demo->display->scaling(),
              c.framebuffers && c.samples == 0 ? Display::Scaling::Offscreen : Display::Scaling::Viewport);

    const platform::PictureRect r = platform::fitPicture(W, H, SW, SH);
    ASSERT_EQ(r, c.picture);
    const auto rgb = gl.readPixels();
    for (int y = 0; y < SH; ++y)
        for (int x = 0; x < SW; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * SW + static_cast<std::size_t>(x)) * 3;
            const bool inside = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
            ASSERT_EQ(rgb[i], inside ? 255 : 0) << x << "," << y;
            ASSERT_EQ(rgb[i + 1], 0) << x << "," << y;
            ASSERT_EQ(rgb[i + 2], 0) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutFramebufferObjects, ScaledFrame,
                         ::testing::Values(ScaledCase{true, 400, 240, {40, 0, 320, 240}},
                                           ScaledCase{false, 400, 240, {40, 0, 320, 240}},
                                           ScaledCase{true, 320, 400, {0, 80, 320, 240}},
                                           ScaledCase{false, 320, 400, {0, 80, 320, 240}},
                                           ScaledCase{true, 400, 240, {40, 0, 320, 240}, 4}),
                         [](const auto& info) {
                             return std::string(info.param.framebuffers ? "Framebuffer" : "Viewport") +
                                    (info.param.surfaceWidth > info.param.surfaceHeight ? "Wide" : "Tall") +
                                    (info.param.samples > 1 ? "Multisampled" : "");
                         });

}  // namespace
