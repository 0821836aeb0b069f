#include "scenes/credits_scene.h"

#include "app/demo.h"
#include "engine/display.h"
#include "engine/font3d.h"
#include "engine/text_node.h"
#include "geometry/controllers.h"
#include "geometry/fade_cube.h"
#include "geometry/generators.h"
#include "geometry/particles.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "scenes/credits_text.h"

namespace {

using credits::kGreetings;
using credits::kMembers;

// The roll, one entry per line; a single space is an empty line.
const char* const creditsLines[CreditsScene::lineCount] = {
    "velastria", " una demo por Vom ", " ", "presentada en:", "tressoria '04", " ", " ",
    kMembers[0], "(gfx)", " ", kMembers[1], "(code, gfx)", " ", kMembers[2], "(code, msx)", " ", " ",
    "dedicada a Vom", " ", " ", "nuestros mas sinceros", "agradecimientos para:",
    kGreetings[0], kGreetings[1], kGreetings[2], kGreetings[3], kGreetings[4], kGreetings[5], kGreetings[6],
    kGreetings[7], kGreetings[8], kGreetings[9], kGreetings[10], kGreetings[11], kGreetings[12], kGreetings[13],
    kGreetings[14], kGreetings[15], kGreetings[16], kGreetings[17], kGreetings[18],
    " ", " ", " ", " ", " ", " ",
    "saludos a todos los", "asistentes a la party!", " ", "v e l a s t r i a", " ", " ",
};

}  // namespace

void CreditsScene::enter() {
    world->reset();

    logoMaterial = materials->createAdditiveMaterial(textures->loadJpeg("textures\\vom.jpg"), Color4(1, 1, 1, 1));
    fireMaterial = materials->createAdditiveMaterial(textures->loadBmp("textures\\fire.bmp"), Color4(1, 1, 1, 0.4f));
    textMaterial = materials->createColorMaterial(Color4(0.9f, 0.8f, 1, 0), Color4(0.9f, 0.8f, 1, 0));
    logoMaterial->cullFace = false;
    fadeMaterial = materials->createBlendedMaterial(textures->loadBmp("textures\\black.bmp"), Color4(1, 1, 1, 1));
    fadeMaterial->cullFace = false;

    auto* fire = new ParticleSystem(1000, new ParticleRenderer(fireMaterial, 0.17f, false));
    fire->addEmitter(new PointEmitter(Vec3(-3.7f, 1.3f, -6.5f), Vec3(0.1f, 0.3f, 0.1f), Vec3(1.1f, 1.75f, 0.9f),
                                      Vec3(0.5f, 0.4f, 0.4f), 2.2f, 1.5f, 700.0f));
    fire->addForce(new ParticleForce(Vec3(0, -4, 0)));
    world->addToRoot(fire);

    // The credits carry a fade cube like the scenes before them, so they come out of the
    // spirograph's fade to black instead of cutting in; the fade rule below drives it.
    // Text lines are added after the camera and so are not darkened, but they start below
    // the view and only show once the fade is over.
    camera = new GroupNode;
    world->addToRoot(camera);
    camera->addChild(makeFadeCube(fadeMaterial));
    camera->setRotation(Vec3(0, 0, 0));
    world->setCamera(camera);

    font = Font3D::create("Fixed", 0.04f, false);
    lineMover = new TranslateController(Vec3(0, 0.5f, 0));
    nextLine = 0;
    lineArmed = true;
}

bool CreditsScene::frame(Timer* timer) {
    const SongPosition pos = theDemo->music->position();
    const float dt = timer->delta;

    if (pos.row >= 16)
        fadeMaterial->color.a = 0.0f;
    else if (dt < 0.2f)
        fadeMaterial->color.a -= 0.6f * dt;

    // At most one line per row that is a multiple of 7; re-armed on the following row.
    if (pos.row % 7 == 0 && lineArmed && nextLine < lineCount) {
        auto* line = new TextNode(font, textMaterial, creditsLines[nextLine]);
        line->setPosition(Vec3(1.5f, -5.5f, -8));
        line->setScale(Vec3(0.4f, 0.4f, 0.4f));
        line->addController(lineMover);
        world->addToRoot(line);
        ++nextLine;
        lineArmed = false;
        if (nextLine == 44) {  // the logo follows the (empty) line 43
            MeshNode* logo = makePlane(logoMaterial, 5.0f, 5.0f);
            logo->setScale(Vec3(0.8f, 1, -0.33f));
            logo->setRotation(Vec3(90, 0, 0));
            logo->setPosition(Vec3(1.5f, -5.5f, -8));
            logo->addController(lineMover);
            world->addToRoot(logo);
        }
    }
    if (pos.row % 7 == 1) lineArmed = true;

    updateAndDraw(timer);
    return pos.order != finalOrder;
}
