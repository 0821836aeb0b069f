// Fifth scene: glowing sprites dropped along a slowly turning epitrochoid seen from above;
// the curve changes shape at each pattern start and the colour at row 32.
#pragma once

#include "scenes/scene.h"

class GroupNode;
class Material;
class ParticleSystem;
class CurveEmitter;
class CreditsScene;

class SpirographScene : public Scene {
public:
    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    Material* flashMaterial = nullptr;
    Material* fadeMaterial = nullptr;
    ParticleSystem* curveSystem = nullptr;
    CurveEmitter* curveEmitter = nullptr;
    CreditsScene* next = nullptr;
};
