#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/timer.h"
#include "engine/display.h"
#include "engine/node.h"
#include "support/test_nodes.h"

namespace {

void expectTranslation(const Matrix4& m, float x, float y, float z) {
    EXPECT_FLOAT_EQ(m[12], x);
    EXPECT_FLOAT_EQ(m[13], y);
    EXPECT_FLOAT_EQ(m[14], z);
}

TEST(NodeInvalidation, SettersMarkTheWholeSubtree) {
    GroupNode a, b, c;
    a.addChild(&b);
    b.addChild(&c);
    a.updateWorldMatrices();
    ASSERT_TRUE(a.worldValid && b.worldValid && c.worldValid);

    b.setPosition(Vec3(1, 0, 0));
    EXPECT_TRUE(a.worldValid);
    EXPECT_FALSE(b.worldValid);
    EXPECT_FALSE(c.worldValid);

    a.updateWorldMatrices();
    a.setVisible(false);  // visibility is not a transform
    EXPECT_TRUE(a.worldValid);
    a.rotateBy(Vec3(0, 10, 0))->translateBy(Vec3(0, 1, 0));
    EXPECT_FALSE(a.worldValid || b.worldValid || c.worldValid);
}

TEST(NodeInvalidation, FreshNodeIsValidIdentityUntilAdded) {
    GroupNode parent, child;
    EXPECT_TRUE(child.worldValid);
    EXPECT_EQ(child.worldMatrix.m, Matrix4::identity().m);
    parent.setPosition(Vec3(0, 0, -3));
    parent.updateWorldMatrices();
    parent.addChild(&child);
    EXPECT_FALSE(child.worldValid);
    EXPECT_EQ(child.parent, &parent);
    // Never moved itself, it still lands at its parent's place.
    parent.updateWorldMatrices();
    expectTranslation(child.worldMatrix, 0, 0, -3);
}

TEST(NodeWorldMatrices, ParentMotionReachesDescendantsWithoutTouchingTheirFields) {
    GroupNode root, arm, hand;
    root.addChild(&arm);
    arm.addChild(&hand);
    arm.setPosition(Vec3(2, 0, 0));
    hand.setPosition(Vec3(0, 1, 0));
    root.updateWorldMatrices();
    expectTranslation(hand.worldMatrix, 2, 1, 0);

    root.translateBy(Vec3(0, 0, 5));
    root.updateWorldMatrices();
    expectTranslation(hand.worldMatrix, 2, 1, 5);
    EXPECT_EQ(hand.position, Vec3(0, 1, 0));

    // A turned parent turns its children's offsets: a node's 90 degrees about y takes +x to +z.
    root.setPosition(Vec3(0, 0, 0));
    root.setRotation(Vec3(0, 90, 0));
    root.updateWorldMatrices();
    EXPECT_NEAR(arm.worldMatrix[12], 0.0f, 1e-5f);
    EXPECT_NEAR(arm.worldMatrix[14], 2.0f, 1e-5f);
}

TEST(NodeWorldMatrices, RootUsesItsOwnLocalMatrixAndScaleComesLast) {
    GroupNode root;
    root.setScale(Vec3(2, 2, 2));
    root.setPosition(Vec3(1, 2, 3));
    root.updateWorldMatrices();
    EXPECT_EQ(root.worldMatrix.m, root.localMatrix().m);
    expectTranslation(root.worldMatrix, 1, 2, 3);  // translation is not scaled
    EXPECT_FLOAT_EQ(root.worldMatrix[0], 2.0f);
}

TEST(NodeUpdate, ControllersRunBeforeChildrenInOrderEvenWhenHidden) {
    std::vector<std::string> log;
    LoggingController first("first", &log), second("second", &log), inner("inner", &log);
    GroupNode root, hiddenChild;
    root.addController(&first);
    root.addController(&second);
    root.addController(&first);  // twice: runs twice
    root.addChild(&hiddenChild);
    hiddenChild.addController(&inner);
    hiddenChild.setVisible(false);

    Timer timer;
    root.update(&timer);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "first", "inner"}));
    EXPECT_EQ(inner.lastTarget, &hiddenChild);
    EXPECT_EQ(inner.lastTimer, &timer);
}

TEST(NodeCollect, HiddenSubtreesContributeNothing) {
    QuadDrawable qa(1, 0, 0), qb(0, 1, 0), qc(0, 0, 1);
    DrawableNode a(&qa), b(&qb), c(&qc);
    GroupNode root, hiddenGroup;
    root.addChild(&a);
    root.addChild(&hiddenGroup);
    hiddenGroup.addChild(&b);
    a.addChild(&c);
    hiddenGroup.setVisible(false);

    RenderList list(nullptr);
    root.collect(&list);
    // Pre-order: a node's own drawable before its children's; the hidden group's visible child is absent.
    EXPECT_EQ(list.drawables, (std::vector<Drawable*>{&qa, &qc}));

    hiddenGroup.setVisible(true);
    a.setVisible(false);
    RenderList again(nullptr);
    root.collect(&again);
    EXPECT_EQ(again.drawables, (std::vector<Drawable*>{&qb}));
}

TEST(World, ResetGivesAFreshRootAndKeepsTheCamera) {
    World world;
    GroupNode* firstRoot = world.root;
    ASSERT_NE(firstRoot, nullptr);
    EXPECT_EQ(world.camera(), nullptr);
    GroupNode camera, thing;
    world.addToRoot(&thing);
    world.setCamera(&camera);
    EXPECT_EQ(thing.parent, firstRoot);

    world.reset();
    EXPECT_NE(world.root, firstRoot);
    EXPECT_TRUE(world.root->children.empty());
    EXPECT_EQ(world.camera(), &camera);
    // The old tree is left as it was for whoever still points into it.
    EXPECT_EQ(firstRoot->children.size(), 1u);
}

TEST(NodeView, CameraViewIgnoresScaleAndParents) {
    GroupNode parent, camera;
    parent.setPosition(Vec3(100, 0, 0));
    parent.addChild(&camera);
    camera.setPosition(Vec3(0, 0, 5));
    camera.setScale(Vec3(3, 3, 3));
    const Matrix4 view = camera.viewMatrix();
    expectTranslation(view, 0, 0, -5);
    EXPECT_FLOAT_EQ(view[0], 1.0f);
}

}  // namespace
