// The application object: owns the frame clock, the input, the scene graph, the renderer
// and the music for the life of the process, and runs one pass of the main loop at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "app/input.h"
#include "app/timer.h"
#include "engine/display.h"
#include "engine/node.h"
#include "music/music_player.h"

class Scene;

class Demo {
public:
    // Builds the members in the order Timer, Input, World, Display, MusicPlayer; none of them
    // touches the window or OpenGL, so the Demo exists before the window does.
    Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // One pass of the main loop; false means the program is to end.
    bool frameStep();
    // The scene to switch to at the next pass (a later call replaces an earlier one).
    void setPendingScene(Scene* next) { pendingScene = next; }

    std::int32_t loopCount = 0;
    Scene* currentScene = nullptr;
    Scene* pendingScene = nullptr;
    std::unique_ptr<Input> input;
    std::unique_ptr<Display> display;
    std::unique_ptr<World> world;
    std::unique_ptr<Timer> timer;
    std::unique_ptr<MusicPlayer> music;
};

// The one Demo of the process, set right after it is built.
extern Demo* theDemo;
