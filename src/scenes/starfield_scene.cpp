#include "scenes/starfield_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "geometry/controllers.h"
#include "geometry/fade_cube.h"
#include "geometry/generators.h"
#include "geometry/particles.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/glass_cube_scene.h"

namespace {

// Born on a 100 x 80 rectangle 160 units ahead, flying at the viewer at about 40 units/s.
PointEmitter* makeStarEmitter(float rate) {
    return new PointEmitter(Vec3(0, 0, -160), Vec3(50, 40, 0.05f), Vec3(0, 0, 40), Vec3(0, 0, 2), 10.0f, 0.2f, rate);
}

}  // namespace

void StarfieldScene::enter() {
    world->reset();

    backdropMaterial = materials->createBlendedMaterial(textures->loadJpeg("textures\\estrellas.jpg"), Color4(1, 1, 1, 1));
    // One file, three loads, three textures.
    Material* white = materials->createAdditiveMaterial(textures->loadBmp("textures\\star.bmp"), Color4(1, 1, 1, 0.8f));
    Material* orange =
        materials->createAdditiveMaterial(textures->loadBmp("textures\\star.bmp"), Color4(0.9f, 0.4f, 0.2f, 0.8f));
    Material* blue =
        materials->createAdditiveMaterial(textures->loadBmp("textures\\star.bmp"), Color4(0.3f, 0.3f, 0.6f, 0.8f));
    fadeMaterial = materials->createBlendedMaterial(textures->loadBmp("textures\\black.bmp"), Color4(1, 1, 1, 1));
    fadeMaterial->cullFace = false;
    backdropMaterial->cullFace = false;

    GroupNode* holder = new GroupNode;
    MeshNode* backdrop = makePlane(backdropMaterial, 300.0f, 0.0f);
    backdrop->setRotation(Vec3(90, 0, 0));
    holder->setPosition(Vec3(0, 0, -180));
    backdrop->addController(new SpinController(Vec3(0, 2, 0)));
    world->addToRoot(holder);
    holder->addChild(backdrop);

    whiteEmitter = makeStarEmitter(400.0f);
    orangeEmitter = makeStarEmitter(100.0f);
    blueEmitter = makeStarEmitter(50.0f);

    starForce = new ParticleForce(Vec3(0, 0, 0));

    struct Stream {
        std::int32_t capacity;
        Material* material;
        float size;
        PointEmitter* emitter;
    };
    const Stream streams[3] = {
        {8000, white, 1.4f, whiteEmitter},
        {500, orange, 1.0f, orangeEmitter},
        {500, blue, 1.2f, blueEmitter},
    };
    for (const Stream& s : streams) {
        auto* system = new ParticleSystem(s.capacity, new ParticleRenderer(s.material, s.size, false));
        system->addEmitter(s.emitter);
        system->addForce(starForce);
        world->addToRoot(system);
    }

    camera = new GroupNode;
    world->addToRoot(camera);
    camera->addChild(makeFadeCube(fadeMaterial));
    camera->setRotation(Vec3(0, 0, 0));
    world->setCamera(camera);

    next = new GlassCubeScene;
}

bool StarfieldScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    if (pos.order >= 11) {
        theDemo->setPendingScene(next);
        return true;
    }

    const float dt = timer->delta;
    switch (pos.order) {
        case 7:  // fade in, fully open from row 32
            if (pos.row > 31)
                fadeMaterial->color.a = 0.0f;
            else
                fadeMaterial->color.a -= 0.25f * dt;
            break;
        case 8:  // the stars sag
            starForce->acceleration = Vec3(0, -3.5f, 0);
            break;
        case 9:  // build-up: pushed ever harder, the white stream thickens, the backdrop fades
            starForce->acceleration += Vec3(0, 0, 25) * dt;
            whiteEmitter->rate += 200.0f * dt;
            whiteEmitter->life -= 1.5f * dt;
            backdropMaterial->color.a -= 0.1f * dt;
            break;
        case 10:  // settle, then fade out from row 33
            starForce->acceleration = Vec3(0, 0, 0);
            whiteEmitter->rate = 1000.0f;
            whiteEmitter->life = 4.0f;
            if (pos.row < 33)
                fadeMaterial->color.a = 0.0f;
            else
                fadeMaterial->color.a += 0.25f * dt;
            break;
        default:
            break;
    }

    updateAndDraw(timer);
    return true;
}
