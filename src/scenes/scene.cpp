#include "scenes/scene.h"

#include "app/demo.h"

Scene::Scene()
    : materials(theDemo->display->materials),
      textures(theDemo->display->textures),
      world(theDemo->world.get()),
      display(theDemo->display.get()) {}
