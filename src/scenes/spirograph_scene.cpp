#include "scenes/spirograph_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "geometry/controllers.h"
#include "geometry/fade_cube.h"
#include "geometry/particles.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/credits_scene.h"

void SpirographScene::enter() {
    world->reset();

    flashMaterial = materials->createAdditiveMaterial(textures->loadBmp("textures\\flash.bmp"), Color4(1, 1, 1, 0.3f));
    fadeMaterial = materials->createBlendedMaterial(textures->loadBmp("textures\\black.bmp"), Color4(1, 1, 1, 1));
    fadeMaterial->cullFace = false;

    curveSystem = new ParticleSystem(3500, new ParticleRenderer(flashMaterial, 2.0f, false));
    // R = 5, r = 6, d = 5: closes after six turns, about 9.4 s at 4 radians per second.
    curveEmitter = new CurveEmitter(Vec3(0, 0, 0), Vec3(0.15f, 0.15f, 0.15f), 7.0f, 0.0f, 5.0f, 6.0f, 5.0f, 4.0f,
                                    0.025f, 2);
    curveSystem->addEmitter(curveEmitter);
    curveSystem->setPosition(Vec3(0, -45, 0));
    world->addToRoot(curveSystem);
    curveSystem->addController(new SpinController(Vec3(0, -10, 0)));

    camera = new GroupNode;
    camera->addChild(makeFadeCube(fadeMaterial));
    world->addToRoot(camera);
    camera->setRotation(Vec3(90, 0, 0));  // straight down
    world->setCamera(camera);

    next = new CreditsScene;
}

bool SpirographScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    if (pos.order >= 19) {
        theDemo->setPendingScene(next);
        return true;
    }

    const float dt = timer->delta;
    if (pos.row < 4)
        fadeMaterial->color.a -= 2.0f * dt;
    else if (pos.row >= 60)
        fadeMaterial->color.a += 2.0f * dt;

    // A new curve on every frame of row 0 of orders 16-18; the parameter t carries on.
    if (pos.row == 0 && pos.order >= 16 && pos.order <= 18) {
        switch (pos.order) {
            case 16:
                curveEmitter->d = 7.0f;
                break;
            case 17:
                curveEmitter->R = 6.0f;
                curveEmitter->r = 2.0f;
                break;
            case 18:
                curveEmitter->R = 7.0f;
                curveEmitter->r = 6.0f;
                curveEmitter->d = 7.0f;
                break;
            default:
                break;
        }
        curveSystem->killAll();
    }

    if (pos.order >= 15 && pos.order <= 18) {
        static const Color4 early[4] = {Color4(1, 1, 1, 0.3f), Color4(1, 1, 1, 0.3f), Color4(1, 1, 1, 0.3f),
                                        Color4(0, 1, 1, 0.3f)};
        static const Color4 late[4] = {Color4(1, 0.1f, 0.1f, 0.3f), Color4(0.1f, 0.3f, 0.9f, 0.3f),
                                       Color4(1, 0.1f, 1, 0.3f), Color4(1, 1, 0.3f, 0.3f)};
        const auto i = static_cast<std::size_t>(pos.order - 15);
        flashMaterial->color = pos.row < 32 ? early[i] : late[i];
    }

    updateAndDraw(timer);
    return true;
}
