// A scene that logs its calls ("enter:<name>", "frame:<name>") and can queue a successor
// from either call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/timer.h"
#include "scenes/scene.h"

class RecordingScene : public Scene {
public:
    RecordingScene(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}

    void enter() override {
        log->push_back("enter:" + name);
        if (queueOnEnter != nullptr) theDemo->setPendingScene(queueOnEnter);
    }
    bool frame(Timer* timer) override {
        log->push_back("frame:" + name);
        deltas.push_back(timer->delta);
        if (queueOnFrame != nullptr) theDemo->setPendingScene(queueOnFrame);
        log->push_back("frame-end:" + name);
        return onFrame ? onFrame() : keepRunning;
    }

    std::string name;
    std::vector<std::string>* log;
    std::vector<float> deltas;
    Scene* queueOnEnter = nullptr;
    Scene* queueOnFrame = nullptr;
    bool keepRunning = true;
    std::function<bool()> onFrame;  // when set, decides instead of keepRunning
};
