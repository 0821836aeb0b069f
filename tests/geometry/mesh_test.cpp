#include <gtest/gtest.h>

#include "engine/display.h"
#include "geometry/mesh.h"

namespace {

MeshVertex v1(float x) { return MeshVertex(Vec3(x, 0, 0), Vec2(x, x)); }
MeshVertex2 v2(float x) { return MeshVertex2(Vec3(x, 0, 0), Vec2(x, x), Vec2(-x, -x)); }

TEST(Mesh, StoresDropAdditionsBeyondCapacity) {
    Mesh m(1, 4, 6);
    EXPECT_EQ(m.vertices.size(), 4u);
    EXPECT_TRUE(m.vertices2.empty());
    for (int i = 0; i < 5; ++i) m.addVertex(v1(static_cast<float>(i + 1)));
    for (int i = 0; i < 7; ++i) m.addIndex(i);
    EXPECT_EQ(m.vertexCount, 4u);
    EXPECT_EQ(m.indexCount, 6u);
    EXPECT_FLOAT_EQ(m.vertices[3].position.x, 4.0f);  // the fifth vertex went nowhere
    EXPECT_EQ(m.indices[5], 5);
}

TEST(Mesh, VerticesOfTheOtherFormatAreIgnored) {
    Mesh one(1, 2, 3);
    one.addVertex2(v2(1));
    EXPECT_EQ(one.vertexCount, 0u);
    one.addVertex(v1(1));
    EXPECT_EQ(one.vertexCount, 1u);

    Mesh two(2, 2, 3);
    EXPECT_TRUE(two.vertices.empty());
    EXPECT_EQ(two.vertices2.size(), 2u);
    two.addVertex(v1(1));
    EXPECT_EQ(two.vertexCount, 0u);
    two.addVertex2(v2(3));
    ASSERT_EQ(two.vertexCount, 1u);
    EXPECT_EQ(two.vertices2[0].texCoord2, Vec2(-3, -3));
    EXPECT_EQ(two.vertices2[0].normal, Vec3());
    EXPECT_EQ(two.vertices2[0].color, Color4(0, 0, 0, 1));

    Mesh other(3, 2, 3);
    other.addVertex(v1(1));
    other.addVertex2(v2(1));
    EXPECT_EQ(other.vertexCount, 0u);
}

TEST(MeshNode, CollectsItsMeshesInOrderThenItsChildren) {
    auto* node = new MeshNode;
    auto* first = new Mesh(1, 1, 1);
    auto* second = new Mesh(1, 1, 1);
    node->addMesh(first);
    node->addMesh(second);
    EXPECT_EQ(first->owner, node);
    EXPECT_EQ(second->owner, node);

    auto* child = new MeshNode;
    auto* childMesh = new Mesh(1, 1, 1);
    child->addMesh(childMesh);
    node->addChild(child);

    RenderList list(nullptr);
    node->collect(&list);
    EXPECT_EQ(list.drawables, (std::vector<Drawable*>{first, second, childMesh}));

    // A hidden child drops only its own part; a hidden node drops its whole subtree.
    child->setVisible(false);
    RenderList withoutChild(nullptr);
    node->collect(&withoutChild);
    EXPECT_EQ(withoutChild.drawables, (std::vector<Drawable*>{first, second}));

    child->setVisible(true);
    node->setVisible(false);
    RenderList none(nullptr);
    node->collect(&none);
    EXPECT_TRUE(none.drawables.empty());
}

}  // namespace
