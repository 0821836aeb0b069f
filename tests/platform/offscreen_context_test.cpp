#include <gtest/gtest.h>

#include <GL/gl.h>

#include "platform/gl_context.h"

namespace {

TEST(OffscreenContext, ClearedFrameReadsBack) {
    platform::OffscreenContext gl(64, 48);
    ASSERT_TRUE(gl.ok());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    auto black = gl.readPixels();
    ASSERT_EQ(black.size(), 64u * 48u * 3u);
    for (auto v : black) ASSERT_EQ(v, 0);

    // A red upper half proves the rows come back top first.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 24, 64, 24);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    auto half = gl.readPixels();
    EXPECT_EQ(half[0], 255);                 // top-left pixel, red
    EXPECT_EQ(half[(47 * 64) * 3], 0);       // bottom-left pixel, black
    EXPECT_NE(platform::glProcAddress("glActiveTextureARB"), nullptr);
}

}  // namespace
