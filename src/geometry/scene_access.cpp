// The one place where geometry reaches up into the application object: everything else in
// this folder sees only the two accessors of scene_access.h.
#include "geometry/scene_access.h"

#include "app/demo.h"

const Node* sceneCamera() {
    if (!theDemo || !theDemo->world) return nullptr;
    return theDemo->world->camera();
}

Input* sceneInput() {
    if (!theDemo) return nullptr;
    return theDemo->input.get();
}
