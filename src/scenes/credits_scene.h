// Last scene: lines of extruded 3D text rise through the view beside a fire plume; the
// program ends on the first frame that hears the final order.
#pragma once

#include <cstdint>

#include "scenes/scene.h"

class GroupNode;
class Material;
class TranslateController;
class Font3D;

class CreditsScene : public Scene {
public:
    static constexpr std::int32_t lineCount = 53;
    static constexpr std::int32_t finalOrder = 28;

    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    TranslateController* lineMover = nullptr;
    Material* textMaterial = nullptr;
    Material* fireMaterial = nullptr;
    Material* logoMaterial = nullptr;
    Material* fadeMaterial = nullptr;
    Font3D* font = nullptr;
    std::int32_t nextLine = 0;
    bool lineArmed = true;
};
