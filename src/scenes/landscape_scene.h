// Second scene: a flight over a height-map landscape with water, a bobbing crate and a
// sky box; the camera set-up follows the order, and orders 5-6 flash to wireframe.
#pragma once

#include "scenes/scene.h"

class GroupNode;
class Material;
class PositionOscillator;
class StarfieldScene;

class LandscapeScene : public Scene {
public:
    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    PositionOscillator* cameraPath = nullptr;
    Material* terrainMaterial = nullptr;
    GroupNode* sky = nullptr;
    StarfieldScene* next = nullptr;
    Material* fadeMaterial = nullptr;
};
