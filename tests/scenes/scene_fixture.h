// Runs the real scenes inside the real Demo on a headless GL context, with the song position
// and the clock scripted by the test: every step sets (order, row), moves the virtual clock
// on by one frame and runs one Demo::frameStep.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <GL/gl.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/window.h"
#include "engine/display.h"
#include "engine/material.h"
#include "platform/clock.h"
#include "platform/gl_context.h"
#include "platform/window.h"
#include "support/message_recorder.h"
#include "support/scoped_demo.h"
#include "support/test_paths.h"

class SceneTest : public ::testing::Test {
protected:
    static constexpr int W = 160;
    static constexpr int H = 120;
    static constexpr std::uint32_t frameMs = 20;

    SceneTest() : previousDir(std::filesystem::current_path()) {}

    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        // The scenes read their textures from "textures/" below the working folder.
        std::filesystem::current_path(testpaths::demoDir);
        windowState().width = W;
        windowState().height = H;
        windowState().surfaceWidth = W;
        windowState().surfaceHeight = H;
        demo->display->init();
        demo->music->setPositionSource([this] { return SongPosition{order, row, 0}; });
        platform::setClockSource(clock.source());
        platform::setVirtualCursor(&cursor);
        demo->timer->start();
    }
    void TearDown() override {
        platform::setVirtualCursor(nullptr);
        platform::setClockSource(nullptr);
        std::filesystem::current_path(previousDir);
        // The scenes load every file they name; none may be missing or refused.
        if (!missingFilesExpected)
            for (const auto& m : messages.messages) ADD_FAILURE() << m.caption << ": " << m.text;
    }

    // Queues a scene and runs the pass that enters it and draws its first frame.
    template <typename S>
    S* enterAt(std::int32_t o, std::int32_t r) {
        auto* scene = new S;  // scenes live for the rest of the process
        demo->setPendingScene(scene);
        EXPECT_TRUE(step(o, r));
        EXPECT_EQ(demo->currentScene, scene);
        return scene;
    }

    // One pass of the main loop at the given song position, one frame after the last.
    bool step(std::int32_t o, std::int32_t r, std::uint32_t ms = frameMs) {
        order = o;
        row = r;
        clock.advance(ms);
        return demo->frameStep();
    }
    // Several passes at the same position.
    void steps(int count, std::int32_t o, std::int32_t r) {
        for (int i = 0; i < count; ++i) ASSERT_TRUE(step(o, r));
    }

    // Fills the back buffer with a colour no scene draws, to see whether a pass drew at all.
    void paintMarker() {
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    bool markerIntact() {
        const auto rgb = gl.readPixels();
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (rgb[i] != 255 || rgb[i + 1] != 0 || rgb[i + 2] != 255) return false;
        return true;
    }
    // Mean of all channels of the last picture drawn, 0 (black) to 255 (white).
    double brightness() {
        const auto rgb = gl.readPixels();
        double sum = 0;
        for (std::uint8_t v : rgb) sum += v;
        return rgb.empty() ? 0.0 : sum / static_cast<double>(rgb.size());
    }

    std::filesystem::path previousDir;
    platform::OffscreenContext gl{W, H};
    ScopedDemo demo;
    MessageRecorder messages;
    platform::VirtualClock clock{1000};
    platform::VirtualCursor cursor;
    std::int32_t order = 0;
    std::int32_t row = 0;
    bool missingFilesExpected = false;
};

inline void expectVec(const Vec3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}
