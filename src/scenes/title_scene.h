// First scene: the party card during order 0, the demo's title card during order 1.
#pragma once

#include "scenes/scene.h"

class GroupNode;
class MeshNode;
class Material;
class LandscapeScene;

class TitleScene : public Scene {
public:
    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    MeshNode* partyCard = nullptr;
    MeshNode* titleCard = nullptr;
    Material* fadeMaterial = nullptr;
    LandscapeScene* next = nullptr;
};
