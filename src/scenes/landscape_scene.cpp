#include "scenes/landscape_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "geometry/controllers.h"
#include "geometry/fade_cube.h"
#include "geometry/generators.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/fade.h"
#include "scenes/starfield_scene.h"

namespace {

struct CameraSetup {
    Vec3 rotation;
    Vec3 centre;
    bool setsPhase;  // order 3 keeps the phase order 2 left
    Vec3 phase;
    Vec3 frequency;
    Vec3 amplitude;
};

// Orders 2 to 6: camera angle, then the sine path's centre, phase, frequency, amplitude.
const CameraSetup cameraSetups[5] = {
    {Vec3(70, 0, 0), Vec3(0, 50, 0), true, Vec3(45, 0, 0), Vec3(30, 0, 0), Vec3(37, 0, 0)},
    {Vec3(45, 0, 0), Vec3(25, 15, -6), false, Vec3(), Vec3(5, 0, 5), Vec3(5, 0, 5)},
    {Vec3(0, 90, 15), Vec3(-20, 6, -26), true, Vec3(0, 0, 0), Vec3(20, 0, 15), Vec3(15, 0, 1)},
    {Vec3(90, 0, 0), Vec3(0, 50, 0), true, Vec3(0, 0, 90), Vec3(30, 0, 30), Vec3(40, 0, 40)},
    {Vec3(45, 0, 0), Vec3(25, 15, -6), true, Vec3(0, 0, -45), Vec3(5, 0, 5), Vec3(5, 0, 5)},
};

}  // namespace

void LandscapeScene::enter() {
    world->reset();

    // The detail texture is loaded before the colour map, though it goes on unit 1.
    Texture* detail = textures->loadBmp("textures\\metal4.bmp");
    Texture* colourMap = textures->loadJpeg("textures\\mapeado.jpg");
    terrainMaterial = materials->createDualTextureMaterial(colourMap, detail);
    Material* water = materials->createBlendedMaterial(textures->loadBmp("textures\\water.bmp"),
                                                       Color4(0.5f, 0.5f, 0.7f, 0.5f));
    // Made and kept like every material of the scene, though no node here draws with it.
    materials->createAdditiveMaterial(textures->loadBmp("textures\\fire.bmp"), Color4(1, 1, 1, 0.5f));
    Material* wood = materials->createTexturedMaterial(textures->loadBmp("textures\\wood.bmp"));
    static const char* const skyFiles[5] = {"textures\\s_1.jpg", "textures\\s_2.jpg", "textures\\s_3.jpg",
                                            "textures\\s_4.jpg", "textures\\s_techo.jpg"};
    Material* skyMaterials[5];
    for (int i = 0; i < 5; ++i) skyMaterials[i] = materials->createTexturedMaterial(textures->loadJpeg(skyFiles[i]));
    fadeMaterial = materials->createBlendedMaterial(textures->loadBmp("textures\\black.bmp"), Color4(1, 1, 1, 1));
    fadeMaterial->cullFace = false;

    MeshNode* land = makeHeightMap(terrainMaterial, "textures\\mapeado.bn.bmp", 30.0f, 0.25f);
    world->addToRoot(land);
    land->translateBy(Vec3(-63.5f, -5, -63.5f));

    MeshNode* crate = makeStandingBox(wood, Vec3(1, 1, 1), 0.0f);
    crate->setScale(Vec3(2, 2, 2));
    world->addToRoot(crate);
    crate->addController(new PositionOscillator(Vec3(28, 4.4f, -12), Vec3(0, 0, 0), Vec3(1, 75, 4), Vec3(1, 0.1f, 1.2f)));
    crate->addController(new RotationOscillator(Vec3(3, 45, 2), Vec3(0, 0, 0), Vec3(4, 1, 15), Vec3(6, 170, 12)));

    MeshNode* waterPlane = makePlane(water, 127.0f, 2.0f);
    world->addToRoot(waterPlane);
    waterPlane->addController(new PositionOscillator(Vec3(0, 5, 0), Vec3(0, 0, 0), Vec3(1, 25, 4), Vec3(0, 0.15f, 0)));
    waterPlane->setVisible(true);

    sky = new GroupNode;
    world->addToRoot(sky);
    struct SkyFace {
        Vec3 turn, move;
    };
    static const SkyFace faces[5] = {
        {Vec3(90, 0, 90), Vec3(-5, 0, 0)},  {Vec3(90, 0, 0), Vec3(0, 0, 5)},
        {Vec3(90, 0, -90), Vec3(5, 0, 0)},  {Vec3(90, 0, 180), Vec3(0, 0, -5)},
        {Vec3(0, 0, 180), Vec3(0, 5, 0)},
    };
    for (int i = 0; i < 5; ++i) {
        MeshNode* plane = makePlane(skyMaterials[i], 10.0f, 0.0f);
        plane->rotateBy(faces[i].turn);
        plane->translateBy(faces[i].move);
        sky->addChild(plane);
    }
    sky->setScale(Vec3(20, 20, 20));
    sky->setRotation(Vec3(0, 90, 0));

    camera = new GroupNode;
    camera->addChild(makeFadeCube(fadeMaterial));
    world->addToRoot(camera);
    world->setCamera(camera);
    camera->setRotation(Vec3(2, 120, 0));

    next = new StarfieldScene;

    cameraPath = new PositionOscillator(Vec3(0, 50, 0), Vec3(0, 0, 90), Vec3(30, 0, 30), Vec3(40, 0, 40));
    camera->addController(cameraPath);
}

bool LandscapeScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    if (pos.order > 6) {
        theDemo->setPendingScene(next);
        return true;
    }

    if (pos.order > 4) {
        // Wireframe flash on rows 16k and 16k + 1.
        if (pos.row % 16 == 0) {
            terrainMaterial->wireframe = true;
            sky->setVisible(false);
        } else if (pos.row % 16 == 2) {
            terrainMaterial->wireframe = false;
            sky->setVisible(true);
        }
    }

    fadeAtPatternEdges(fadeMaterial, pos.row, timer->delta);

    // Camera set-up per order, written every frame of that order.
    if (pos.order >= 2 && pos.order <= 6) {
        const CameraSetup& setup = cameraSetups[pos.order - 2];
        camera->setRotation(setup.rotation);
        cameraPath->centre = setup.centre;
        if (setup.setsPhase) cameraPath->phase = setup.phase;
        cameraPath->frequency = setup.frequency;
        cameraPath->amplitude = setup.amplitude;
    }

    updateAndDraw(timer);
    return true;
}
