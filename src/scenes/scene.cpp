#include "scenes/scene.h"

#include "app/demo.h"
#include "engine/display.h"

Scene::Scene()
    : materials(theDemo->display->materials),
      textures(theDemo->display->textures),
      world(theDemo->world.get()),
      display(theDemo->display.get()) {}

void Scene::updateAndDraw(Timer* timer) {
    world->root->update(timer);
    display->renderFrame();
    display->swapBuffers();
}
