#include "scenes/title_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "geometry/controllers.h"
#include "geometry/fade_cube.h"
#include "geometry/generators.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/fade.h"
#include "scenes/landscape_scene.h"

namespace {

// Upright card facing the camera, swaying slowly about the view axis.
RotationOscillator* makeSway() {
    return new RotationOscillator(Vec3(90, 0, 5), Vec3(0, 0, 0), Vec3(0, 0, 20), Vec3(0, 0, 10));
}

}  // namespace

void TitleScene::enter() {
    // The first scene builds on the World's initial empty root: no reset.
    Material* partyMaterial = materials->createTexturedMaterial(textures->loadBmp("textures\\tressoria.bmp"));
    Material* titleMaterial = materials->createTexturedMaterial(textures->loadJpeg("textures\\velastria.jpg"));
    fadeMaterial = materials->createBlendedMaterial(textures->loadBmp("textures\\black.bmp"), Color4(1, 1, 1, 1));
    partyMaterial->cullFace = false;
    titleMaterial->cullFace = false;
    fadeMaterial->cullFace = false;

    partyCard = makePlane(partyMaterial, 5.0f, 5.0f);
    partyCard->setScale(Vec3(1, 1, 0.33f));
    partyCard->setPosition(Vec3(0, 0, -7));
    world->addToRoot(partyCard);
    partyCard->addController(makeSway());

    titleCard = makePlane(titleMaterial, 5.0f, 5.0f);
    titleCard->setScale(Vec3(1, 1, 0.6f));
    titleCard->setPosition(Vec3(0.15f, 0, -3));
    world->addToRoot(titleCard);
    titleCard->addController(makeSway());

    camera = new GroupNode;
    camera->addChild(makeFadeCube(fadeMaterial));
    world->addToRoot(camera);
    camera->setRotation(Vec3(0, 0, 0));
    world->setCamera(camera);

    next = new LandscapeScene;
}

bool TitleScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    if (pos.order == 0) {
        partyCard->setVisible(true);
        titleCard->setVisible(false);
    } else if (pos.order == 1) {
        partyCard->setVisible(false);
        titleCard->setVisible(true);
    } else if (pos.order == 2) {
        theDemo->setPendingScene(next);
        return true;
    }
    fadeAtPatternEdges(fadeMaterial, pos.row, timer->delta);

    updateAndDraw(timer);
    return true;
}
