// The frame's drawable list keeps its storage between frames: after the first frame of a
// tree, rendering allocates nothing, and nothing of an earlier frame is drawn again.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "app/window.h"
#include "engine/display.h"
#include "platform/gl_context.h"
#include "support/message_recorder.h"
#include "support/scoped_demo.h"
#include "support/test_nodes.h"

// The sanitizers bring their own operator new and delete; replacing them there would pair
// the driver's allocations with the wrong release, so counting is left to ordinary builds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELASTRIA_COUNTS_ALLOCATIONS 0
#else
#define VELASTRIA_COUNTS_ALLOCATIONS 1
#endif

namespace {
// Counts operator new calls made by this thread while counting is on.
thread_local bool counting = false;
thread_local int allocations = 0;
}  // namespace

#if VELASTRIA_COUNTS_ALLOCATIONS
void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// The replacement pair is malloc/free on both sides; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

class RenderStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        windowState().width = 64;
        windowState().height = 48;
        windowState().surfaceWidth = 64;
        windowState().surfaceHeight = 48;
        demo->display->init();
        demo->world->setCamera(&camera);
    }
    int allocationsOfOneFrame() {
        allocations = 0;
        counting = true;
        demo->display->renderFrame();
        counting = false;
        glFinish();  // the driver's deferred work stays out of the next count too
        return allocations;
    }

    MessageRecorder messages;
    platform::OffscreenContext gl{64, 48};
    ScopedDemo demo;
    GroupNode camera;
};

TEST_F(RenderStorageTest, FramesAfterTheFirstAllocateNothing) {
    if (!VELASTRIA_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted under a sanitizer";
    // The driver builds its programs during the first frames (and allocates for that);
    // those frames are not counted.
    std::vector<QuadDrawable> quads(40, QuadDrawable(1, 0, 0));
    for (auto& q : quads) demo->world->addToRoot(new DrawableNode(&q));
    for (int i = 0; i < 3; ++i) allocationsOfOneFrame();
    EXPECT_EQ(allocationsOfOneFrame(), 0);
    EXPECT_EQ(allocationsOfOneFrame(), 0);
    for (const auto& q : quads) EXPECT_EQ(q.drawCount, 5);
}

TEST_F(RenderStorageTest, AShorterFrameDrawsOnlyItsOwnItems) {
    QuadDrawable first(1, 0, 0), second(0, 1, 0), third(0, 0, 1);
    DrawableNode a(&first), b(&second), c(&third);
    demo->world->addToRoot(&a);
    demo->world->addToRoot(&b);
    demo->world->addToRoot(&c);
    demo->display->renderFrame();
    b.setVisible(false);
    c.setVisible(false);
    demo->display->renderFrame();
    EXPECT_EQ(first.drawCount, 2);
    EXPECT_EQ(second.drawCount, 1);
    EXPECT_EQ(third.drawCount, 1);

    // A tree that grows past the kept storage still draws every item once.
    b.setVisible(true);
    c.setVisible(true);
    QuadDrawable fourth(1, 1, 1);
    DrawableNode d(&fourth);
    demo->world->addToRoot(&d);
    demo->display->renderFrame();
    EXPECT_EQ(first.drawCount, 3);
    EXPECT_EQ(second.drawCount, 2);
    EXPECT_EQ(fourth.drawCount, 1);
}

}  // namespace
