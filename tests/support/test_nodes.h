// Small scene-graph parts for tests: a node that owns one drawable, a drawable that paints a
// flat coloured quad in immediate mode, and a controller that logs what it was applied to.
#pragma once

#include <string>
#include <vector>

#include "engine/display.h"
#include "engine/node.h"

// Draws a w x h quad in the z = 0 plane of its owner, centred, in one flat colour, with
// depth testing off so nothing but the projection decides whether it shows.
class QuadDrawable : public Drawable {
public:
    QuadDrawable(float r, float g, float b, float halfSize = 0.5f) : red(r), green(g), blue(b), half(halfSize) {}
    void draw(RenderList* list) override;

    float red, green, blue, half;
    int drawCount = 0;
    Display* lastDisplay = nullptr;  // the list itself is gone once the frame is drawn
};

// A node kind with its own drawable: adds it when visible, then its children.
class DrawableNode : public Node {
public:
    explicit DrawableNode(Drawable* d) : drawable(d) { d->owner = this; }
    void update(Timer* timer) override { standardUpdate(timer); }
    void collect(RenderList* list) override {
        if (!visible) return;
        list->add(drawable);
        collectChildren(list);
    }

    Drawable* drawable;
};

// Appends "<name>:<target address tag>" to a shared log each time it runs.
class LoggingController : public Controller {
public:
    LoggingController(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
    void apply(Timer* timer, Node* target) override {
        log->push_back(name);
        lastTimer = timer;
        lastTarget = target;
    }

    std::string name;
    std::vector<std::string>* log;
    Timer* lastTimer = nullptr;
    Node* lastTarget = nullptr;
};
