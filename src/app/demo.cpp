#include "app/demo.h"

#include <cstdio>

#include "app/window.h"
#include "platform/window.h"
#include "resources/load_report.h"
#include "resources/texture_manager.h"
#include "scenes/scene.h"

Demo* theDemo = nullptr;

Demo::Demo() {
    timer = std::make_unique<Timer>();
    input = std::make_unique<Input>();
    world = std::make_unique<World>();
    display = std::make_unique<Display>();
    music = std::make_unique<MusicPlayer>();
}

bool Demo::frameStep() {
    // However the pass ends, it has seen the key presses made since the last one.
    struct EndOfPass {
        Input& input;
        ~EndOfPass() { input.endFrame(); }
    } endOfPass{*input};
    ++loopCount;
    input->sampleMouse();
    if (input->isKeyDown(platform::vk::Escape)) return false;
    timer->tick();

    if (pendingScene != nullptr) {
        // Cleared before enter, so an enter that queues a further scene switches next pass.
        currentScene = pendingScene;
        pendingScene = nullptr;
        // A scene loads all its pictures here: what failed is reported once it is built.
        resources::LoadStep loading(display->textures->failures);
        currentScene->enter();
    }
    if (currentScene != nullptr && !currentScene->frame(timer.get())) return false;

    const WindowState& ws = windowState();
    if (!ws.fullscreen) {
        char title[80];
        std::snprintf(title, sizeof title, "%s (fps: %5.2f, loops: %d)", "Marn", 1.0 / static_cast<double>(timer->delta),
                      static_cast<int>(loopCount));
        platform::setWindowTitle(ws.window, title);
    }
    return true;
}
