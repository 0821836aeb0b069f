// Scene-graph nodes.  Every node keeps a cached world matrix that setters invalidate
// eagerly for the whole subtree; Display::renderFrame refreshes the invalid ones once a
// frame before collecting drawables.  Nodes, controllers and drawables are never freed
// by the engine: scenes create them once and they live for the rest of the process.
#pragma once

#include <vector>

#include "engine/math.h"

class Timer;
class RenderList;
class Node;

// Animates a node once per frame.  One controller may serve several nodes: it only ever
// learns its target through the argument.
class Controller {
public:
    virtual void apply(Timer* timer, Node* target) = 0;

protected:
    ~Controller() = default;
};

class Node {
public:
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    virtual void update(Timer* timer) = 0;
    virtual void collect(RenderList* list) = 0;

    Node* translateBy(const Vec3& v);
    void setPosition(const Vec3& v);
    Node* rotateBy(const Vec3& degrees);
    void setRotation(const Vec3& degrees);
    void setScale(const Vec3& v);
    void setVisible(bool b) { visible = b; }
    void addChild(Node* child);
    void addController(Controller* controller) { controllers.push_back(controller); }
    void invalidate();

    Matrix4 localMatrix() const;
    void updateWorldMatrices();
    // The view transform when this node is the camera: R(-rotation) * T(-position), from
    // the node's own local fields only (its scale, parents and world matrix are ignored).
    Matrix4 viewMatrix() const;

    bool visible = true;
    bool worldValid = true;
    Node* parent = nullptr;
    std::vector<Node*> children;
    std::vector<Controller*> controllers;
    Matrix4 worldMatrix = Matrix4::identity();
    Vec3 position;
    Vec3 rotation;
    Vec3 scale{1.0f, 1.0f, 1.0f};

protected:
    ~Node() = default;
    // Controllers in order, then each child's update; visibility does not stop animation.
    void standardUpdate(Timer* timer);
    void collectChildren(RenderList* list);
};

class GroupNode final : public Node {
public:
    void update(Timer* timer) override { standardUpdate(timer); }
    void collect(RenderList* list) override;
};

class World {
public:
    World();
    // Frees the current root object only: the nodes hung below it are not owned by the tree.
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void addToRoot(Node* node) { root->addChild(node); }
    void setCamera(Node* node) { cameraNode = node; }
    Node* camera() const { return cameraNode; }
    // A fresh empty root; the camera pointer stays as it was until the next setCamera.
    void reset();

    GroupNode* root;

private:
    Node* cameraNode = nullptr;
};
