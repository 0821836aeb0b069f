#include "scenes/glass_cube_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "geometry/controllers.h"
#include "geometry/generators.h"
#include "geometry/particles.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/spirograph_scene.h"

namespace {

struct Box {
    Vec3 a, b;
};

constexpr float h = 6.0f;        // half the cube's side
constexpr float in = h - 1.5f;   // inner face of the beams
constexpr float paneOut = h - 0.725f;
constexpr float paneIn = paneOut - 0.05f;

// Along the twelve edges; square cross-sections from 4.5 to 6 on the two other axes.
const Box beams[12] = {
    {Vec3(-h, in, -h), Vec3(-in, h, h)},     // top-left, along z
    {Vec3(-in, in, -h), Vec3(h, h, -in)},    // top-back, along x
    {Vec3(in, in, -h), Vec3(h, h, h)},       // top-right, along z
    {Vec3(-in, in, in), Vec3(in, h, h)},     // top-front, along x
    {Vec3(-h, -h, -h), Vec3(-in, -in, h)},   // bottom-left, along z
    {Vec3(-in, -h, -h), Vec3(h, -in, -in)},  // bottom-back, along x
    {Vec3(in, -h, -h), Vec3(h, -in, h)},     // bottom-right, along z
    {Vec3(-in, -h, in), Vec3(in, -in, h)},   // bottom-front, along x
    {Vec3(-h, -in, in), Vec3(-in, in, h)},   // vertical front-left
    {Vec3(-h, -in, -h), Vec3(-in, in, -in)}, // vertical back-left
    {Vec3(in, -in, -h), Vec3(h, in, -in)},   // vertical back-right
    {Vec3(in, -in, in), Vec3(h, in, h)},     // vertical front-right
};

// One pane just inside each face: front, back, left, right, top, bottom.
const Box panes[6] = {
    {Vec3(-in, -in, paneIn), Vec3(in, in, paneOut)},
    {Vec3(-in, -in, -paneOut), Vec3(in, in, -paneIn)},
    {Vec3(-paneOut, -in, -in), Vec3(-paneIn, in, in)},
    {Vec3(paneIn, -in, -in), Vec3(paneOut, in, in)},
    {Vec3(-in, paneIn, -in), Vec3(in, paneOut, in)},
    {Vec3(-in, -paneOut, -in), Vec3(in, -paneIn, in)},
};

const Box blockBoxes[4] = {
    {Vec3(2, 1, 6), Vec3(-1, 2, 3)},
    {Vec3(4.5f, -3, -6), Vec3(2, -1, -3)},
    {Vec3(-6, 0, 1), Vec3(6, 0.2f, -1)},
    {Vec3(-2.5f, -6, -3.5f), Vec3(-4, -4, -4)},
};

struct FountainPlacement {
    bool moved;
    Vec3 move, turn, force;
};
const FountainPlacement placements[3] = {
    {true, Vec3(0, 1, 4), Vec3(0, 0, 180), Vec3(0, 4, 0)},
    {false, Vec3(), Vec3(), Vec3(0, -4, 0)},
    {true, Vec3(4, -2, -3), Vec3(-90, 0, 0), Vec3(0, 0, 4)},
};

}  // namespace

void GlassCubeScene::enter() {
    world->reset();

    Material* glass = materials->createAdditiveMaterial(textures->loadBmp("textures\\glass.bmp"), Color4(1, 1, 1, 0.1f));
    Material* spray =
        materials->createAdditiveMaterial(textures->loadBmp("textures\\water.bmp"), Color4(0.8f, 0.2f, 0.3f, 0.7f));
    Material* metal = materials->createTexturedMaterial(textures->loadBmp("textures\\metal.bmp"));
    // Made and kept like the others, though no node draws with it.
    materials->createTexturedMaterial(textures->loadBmp("textures\\metal2.bmp"));
    Material* blockMetal = materials->createTexturedMaterial(textures->loadBmp("textures\\metal4.bmp"));
    Material* blue = materials->createTexturedMaterial(textures->loadBmp("textures\\blue.bmp"));

    blocks = new GroupNode;
    world->addToRoot(blocks);
    for (const Box& b : blockBoxes) blocks->addChild(makeBox(blockMetal, b.a, b.b, 1.0f));

    cubeFrame = new GroupNode;
    world->addToRoot(cubeFrame);
    cubeBody = new GroupNode;
    cubeFrame->addChild(cubeBody);
    for (const Box& b : beams) cubeBody->addChild(makeBox(blue, b.a, b.b, 8.0f));

    for (const FountainPlacement& p : placements) {
        fountain = new GroupNode;
        world->addToRoot(fountain);
        fountain->addChild(makeTube(metal, 1.2f, 1.0f, 16, 1.0f));
        fountain->addChild(makeBox(metal, Vec3(2, 1.5f, -2), Vec3(-2, 1, 2), 5.2f));
        MeshNode* cap = makeBox(metal, Vec3(0.8f, 2.5f, -0.8f), Vec3(-0.8f, 1.5f, 0.8f), 5.2f);
        cap->rotateBy(Vec3(0, 45, 0));
        fountain->addChild(cap);
        MeshNode* spout = makeTube(metal, 0.05f, 0.25f, 12, 1.0f);
        spout->translateBy(Vec3(0, 2.5f, 0));
        fountain->addChild(spout);
        fountain->setScale(Vec3(0.5f, 0.5f, 0.5f));

        auto* system = new ParticleSystem(1000, new ParticleRenderer(spray, 0.6f, true));
        system->addEmitter(new PointEmitter(Vec3(0, 2.8f, 0), Vec3(0.05f, 0.05f, 0.05f), Vec3(0, 4, 0),
                                            Vec3(2, 0.4f, 2), 1.5f, 0.2f, 400.0f));
        fountain->addChild(system);

        if (p.moved) {
            fountain->translateBy(p.move);
            fountain->rotateBy(p.turn);
        }
        system->addForce(new ParticleForce(p.force));
    }

    for (const Box& b : panes) cubeBody->addChild(makeBox(glass, b.a, b.b, 8.0f));

    worldSpin = new SpinController(Vec3(25, 35, -30));
    world->root->addController(worldSpin);
    world->root->setPosition(Vec3(0, -2, 0));

    camera = new GroupNode;
    world->addToRoot(camera);
    world->setCamera(camera);

    next = new SpirographScene;
    spinReversed = true;
}

bool GlassCubeScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    if (pos.order > 14) {
        theDemo->setPendingScene(next);
        return true;
    }

    world->root->setPosition(pos.order <= 12 ? Vec3(0, 0, 0) : Vec3(0, 0, -25));

    // Reverse once per row 0, however many frames it lasts.
    if (pos.row != 0) {
        spinReversed = false;
    } else if (!spinReversed) {
        worldSpin->angularVelocity = worldSpin->angularVelocity * -1.0f;
        spinReversed = true;
    }

    updateAndDraw(timer);
    return true;
}
