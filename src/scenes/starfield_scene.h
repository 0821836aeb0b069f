// Third scene: three streams of star sprites flying at the viewer in front of a slowly
// turning star-sky backdrop; each order changes how they move.
#pragma once

#include "scenes/scene.h"

class GroupNode;
class Material;
class ParticleForce;
class PointEmitter;
class GlassCubeScene;

class StarfieldScene : public Scene {
public:
    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    ParticleForce* starForce = nullptr;
    Material* fadeMaterial = nullptr;
    Material* backdropMaterial = nullptr;
    PointEmitter* whiteEmitter = nullptr;
    PointEmitter* orangeEmitter = nullptr;
    PointEmitter* blueEmitter = nullptr;
    GlassCubeScene* next = nullptr;
};
