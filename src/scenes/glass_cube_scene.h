// Fourth scene: the whole world spins — an open cube of blue beams with faint glass panes,
// metal blocks and three spraying fountains; seen from inside, then from 25 units away.
#pragma once

#include "scenes/scene.h"

class GroupNode;
class SpinController;
class SpirographScene;

class GlassCubeScene : public Scene {
public:
    void enter() override;
    bool frame(Timer* timer) override;

    GroupNode* camera = nullptr;
    SpirographScene* next = nullptr;
    SpinController* worldSpin = nullptr;
    bool spinReversed = true;  // true while row 0 lasts after a reversal
    GroupNode* cubeFrame = nullptr;
    GroupNode* cubeBody = nullptr;
    GroupNode* fountain = nullptr;  // the last fountain built
    GroupNode* blocks = nullptr;
};
