#include "engine/node.h"

Node* Node::translateBy(const Vec3& v) {
    position += v;
    invalidate();
    return this;
}

void Node::setPosition(const Vec3& v) {
    position = v;
    invalidate();
}

Node* Node::rotateBy(const Vec3& degrees) {
    rotation += degrees;
    invalidate();
    return this;
}

void Node::setRotation(const Vec3& degrees) {
    rotation = degrees;
    invalidate();
}

void Node::setScale(const Vec3& v) {
    scale = v;
    invalidate();
}

void Node::addChild(Node* child) {
    child->parent = this;
    children.push_back(child);
    child->invalidate();
}

void Node::invalidate() {
    // Eager on purpose: the whole subtree is marked even where it already was invalid.
    worldValid = false;
    for (Node* child : children) child->invalidate();
}

Matrix4 Node::localMatrix() const {
    return Matrix4::multiply(Matrix4::multiply(Matrix4::scaling(scale), Matrix4::rotationXYZ(rotation)),
                             Matrix4::translation(position));
}

void Node::updateWorldMatrices() {
    if (!worldValid) {
        worldMatrix = parent ? Matrix4::multiply(localMatrix(), parent->worldMatrix) : localMatrix();
        worldValid = true;
    }
    for (Node* child : children) child->updateWorldMatrices();
}

Matrix4 Node::viewMatrix() const {
    const Vec3 back(-position.x, -position.y, -position.z);
    const Vec3 unturn(-rotation.x, -rotation.y, -rotation.z);
    return Matrix4::multiply(Matrix4::translation(back), Matrix4::rotationXYZ(unturn));
}

void Node::standardUpdate(Timer* timer) {
    // Index loops: a controller or child may append to these lists while they run.
    for (std::size_t i = 0; i < controllers.size(); ++i) controllers[i]->apply(timer, this);
    for (std::size_t i = 0; i < children.size(); ++i) children[i]->update(timer);
}

void Node::collectChildren(RenderList* list) {
    for (Node* child : children) child->collect(list);
}

void GroupNode::collect(RenderList* list) {
    if (!visible) return;
    collectChildren(list);
}

World::World() : root(new GroupNode) {}

World::~World() { delete root; }

void World::reset() {
    // The old tree stays alive: scenes, controllers and the camera may still point into it.
    root = new GroupNode;
}
