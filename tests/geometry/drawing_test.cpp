// Meshes and particle sprites drawn for real through the Display on a headless context,
// read back as pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/timer.h"
#include "app/window.h"
#include "engine/display.h"
#include "engine/material.h"
#include "geometry/generators.h"
#include "geometry/particles.h"
#include "platform/gl_context.h"
#include "support/scoped_demo.h"

namespace {

constexpr int W = 160;
constexpr int H = 120;

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        windowState().width = W;
        windowState().height = H;
        windowState().surfaceWidth = W;
        windowState().surfaceHeight = H;
        display = demo->display.get();
        display->init();
        world = demo->world.get();
        camera = new GroupNode;
        world->setCamera(camera);
    }

    Material* colour(float r, float g, float b) {
        auto* m = new Material;
        m->mode = Material::ColorMode;
        m->color = Color4(r, g, b, 1.0f);
        return m;
    }

    std::vector<std::uint8_t> render() {
        display->renderFrame();
        return gl.readPixels();
    }

    static bool lit(const std::vector<std::uint8_t>& rgb, int x, int y, int channel) {
        return rgb[(static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)) * 3 +
                   static_cast<std::size_t>(channel)] > 128;
    }
    static int litCount(const std::vector<std::uint8_t>& rgb, int channel) {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) n += lit(rgb, x, y, channel);
        return n;
    }

    platform::OffscreenContext gl{W, H};
    ScopedDemo demo;
    Display* display = nullptr;
    World* world = nullptr;
    GroupNode* camera = nullptr;
};

// Half the height of the view, in pixels, taken by a length `half` at distance `distance`
// with the 45-degree vertical field of view.
int projected(float half, float distance) {
    return static_cast<int>(std::lround(half / distance / std::tan(22.5 * 3.14159265358979 / 180.0) * (H / 2)));
}

TEST_F(DrawingTest, BoxAheadOfTheCameraFillsItsProjectedSquare) {
    const Vec3 size(2, 2, 2);
    MeshNode* box = makeCenteredBox(colour(1, 0, 0), size, 0.0f);
    world->addToRoot(box);
    camera->setPosition(Vec3(0, 0, 5));
    const auto rgb = render();

    // The front face is 4 units from the eye.
    const int half = projected(1.0f, 4.0f);
    int left = W, right = -1, top = H, bottom = -1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (lit(rgb, x, y, 0)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(left, W / 2 - half, 1);
    EXPECT_NEAR(right, W / 2 + half - 1, 1);
    EXPECT_NEAR(top, H / 2 - half, 1);
    EXPECT_NEAR(bottom, H / 2 + half - 1, 1);
    EXPECT_EQ(litCount(rgb, 1), 0);

    // Moved right by the node, the box follows.
    box->translateBy(Vec3(1.5f, 0, 0));
    const auto moved = render();
    EXPECT_FALSE(lit(moved, W / 2 - half + 2, H / 2, 0));
    EXPECT_TRUE(lit(moved, W / 2 + half + 2, H / 2, 0));
}

TEST_F(DrawingTest, FloorFacesUpAndIsCulledFromBelow) {
    Material* culled = colour(0, 1, 0);
    world->addToRoot(makePlane(culled, 4.0f, 1.0f));

    camera->setPosition(Vec3(0, 5, 0));
    camera->setRotation(Vec3(90, 0, 0));  // looking straight down
    const int above = litCount(render(), 1);
    const int half = projected(2.0f, 5.0f);
    EXPECT_NEAR(above, 4 * half * half, 4 * half * 2);

    camera->setPosition(Vec3(0, -5, 0));
    camera->setRotation(Vec3(-90, 0, 0));  // looking straight up at its back
    EXPECT_EQ(litCount(render(), 1), 0);

    culled->cullFace = false;
    EXPECT_NEAR(litCount(render(), 1), above, 4 * half);
}

TEST_F(DrawingTest, TubeIsSeenFromOutsideOnly) {
    world->addToRoot(makeTube(colour(0, 0, 1), 1.0f, 2.0f, 16, 1.0f));
    camera->setPosition(Vec3(0, 1, 6));
    EXPECT_GT(litCount(render(), 2), 100);
    // From inside, every wall quad shows its back and is culled.
    camera->setPosition(Vec3(0, 1, 0));
    EXPECT_EQ(litCount(render(), 2), 0);
}

TEST_F(DrawingTest, EmptyMeshStillAppliesItsMaterial) {
    auto* node = new MeshNode;
    auto* mesh = new Mesh(1, 0, 0);
    mesh->material = colour(1, 1, 1);
    mesh->material->wireframe = true;
    node->addMesh(mesh);
    world->addToRoot(node);
    render();
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // the empty glBegin/glEnd pair is legal
}

TEST_F(DrawingTest, TwoTextureMeshSendsBothCoordinatePairs) {
    auto* node = new MeshNode;
    auto* mesh = new Mesh(2, 3, 3);
    mesh->addVertex2(MeshVertex2(Vec3(-1, -1, 0), Vec2(0.1f, 0.2f), Vec2(3, 4)));
    mesh->addVertex2(MeshVertex2(Vec3(1, -1, 0), Vec2(0.3f, 0.4f), Vec2(5, 6)));
    mesh->addVertex2(MeshVertex2(Vec3(0, 1, 0), Vec2(0.5f, 0.6f), Vec2(7, 8)));
    for (int i : {0, 1, 2}) mesh->addIndex(i);
    mesh->material = colour(1, 1, 0);
    node->addMesh(mesh);
    world->addToRoot(node);
    camera->setPosition(Vec3(0, 0, 4));
    const auto rgb = render();
    EXPECT_TRUE(lit(rgb, W / 2, H / 2, 0));
    EXPECT_TRUE(lit(rgb, W / 2, H / 2, 1));

    // The current coordinates of each unit are those of the last vertex sent.
    GLfloat unit0[4], unit1[4];
    display->activeTexture(GL_TEXTURE1_ARB);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, unit1);
    display->activeTexture(GL_TEXTURE0_ARB);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, unit0);
    EXPECT_FLOAT_EQ(unit0[0], 0.5f);
    EXPECT_FLOAT_EQ(unit0[1], 0.6f);
    EXPECT_FLOAT_EQ(unit1[0], 7.0f);
    EXPECT_FLOAT_EQ(unit1[1], 8.0f);
}

TEST_F(DrawingTest, IndicesPastTheStoredVerticesAreNotRead) {
    auto* node = new MeshNode;
    auto* mesh = new Mesh(1, 3, 6);
    mesh->addVertex(MeshVertex(Vec3(-1, -1, 0), Vec2(0, 0)));
    mesh->addVertex(MeshVertex(Vec3(1, -1, 0), Vec2(0, 0)));
    mesh->addVertex(MeshVertex(Vec3(0, 1, 0), Vec2(0, 0)));
    for (int i : {0, 1, 2, 7, -1, 2}) mesh->addIndex(i);
    mesh->material = colour(1, 0, 1);
    node->addMesh(mesh);
    world->addToRoot(node);
    camera->setPosition(Vec3(0, 0, 4));
    EXPECT_TRUE(lit(render(), W / 2, H / 2, 0));
}

// --- particles -------------------------------------------------------------------------

struct SpriteRing {
    int litInside = 0, inside = 0, litOutside = 0;
};

// Counts lit pixels inside the circle the sprite always covers whatever its spin, and
// outside the circle it can never leave.
SpriteRing ring(const std::vector<std::uint8_t>& rgb, int channel, float inner, float outer) {
    SpriteRing r;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float dx = x + 0.5f - W / 2.0f, dy = y + 0.5f - H / 2.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const bool on = rgb[(static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)) * 3 +
                                static_cast<std::size_t>(channel)] > 128;
            if (d < inner) {
                ++r.inside;
                r.litInside += on;
            } else if (d > outer) {
                r.litOutside += on;
            }
        }
    return r;
}

TEST_F(DrawingTest, SpritesTurnToFaceTheCamera) {
    auto* renderer = new ParticleRenderer(colour(1, 1, 1), 2.0f, false);
    auto* system = new ParticleSystem(4, renderer);
    world->addToRoot(system);
    Particle p;
    p.life = 10.0f;

    // Yaw: the camera at the origin turned to look along +x; the sprite stands 5 ahead.  An
    // unturned sprite would lie in the system's x-y plane, edge on to this camera.
    p.position = Vec3(5, 0, 0);
    system->spawn(p);
    camera->setRotation(Vec3(0, 90, 0));
    const float inner = projected(1.0f, 5.0f) - 1.5f, outer = projected(std::sqrt(2.0f), 5.0f) + 1.5f;
    for (int frame = 0; frame < 3; ++frame) {  // a new random spin every frame
        const SpriteRing r = ring(render(), 0, inner, outer);
        EXPECT_EQ(r.litInside, r.inside) << "frame " << frame;
        EXPECT_EQ(r.litOutside, 0) << "frame " << frame;
    }

    // Pitch: looking straight down at a sprite below.
    system->killAll();
    p.position = Vec3(0, -5, 0);
    system->spawn(p);
    camera->setRotation(Vec3(90, 0, 0));
    const SpriteRing down = ring(render(), 0, inner, outer);
    EXPECT_EQ(down.litInside, down.inside);
    EXPECT_EQ(down.litOutside, 0);
}

TEST_F(DrawingTest, HiddenOrDeadParticlesAreNotDrawn) {
    auto* renderer = new ParticleRenderer(colour(1, 1, 1), 2.0f, false);
    auto* system = new ParticleSystem(2, renderer);
    world->addToRoot(system);
    Particle p;
    p.life = 0.05f;
    p.position = Vec3(0, 0, -5);
    system->spawn(p);
    EXPECT_GT(litCount(render(), 0), 0);
    system->setVisible(false);
    EXPECT_EQ(litCount(render(), 0), 0);
    system->setVisible(true);
    Timer t;
    t.delta = 0.1f;
    system->update(&t);
    EXPECT_EQ(litCount(render(), 0), 0);
}

TEST_F(DrawingTest, RandomDrawsPerSpriteDependOnOrientation) {
    auto* facing = new ParticleSystem(3, new ParticleRenderer(colour(1, 1, 1), 1.0f, false));
    auto* tumbling = new ParticleSystem(3, new ParticleRenderer(colour(1, 1, 1), 1.0f, true));
    world->addToRoot(facing);
    world->addToRoot(tumbling);
    Particle p;
    p.life = 10.0f;
    p.position = Vec3(0, 0, -5);
    for (int i = 0; i < 2; ++i) {
        facing->spawn(p);
        tumbling->spawn(p);
    }
    // Two facing sprites take one spin each, two tumbling sprites three draws each.
    std::srand(4242);
    std::vector<int> expected;
    for (int i = 0; i < 9; ++i) expected.push_back(std::rand());
    std::srand(4242);
    render();
    EXPECT_EQ(std::rand(), expected[8]);
}

}  // namespace
