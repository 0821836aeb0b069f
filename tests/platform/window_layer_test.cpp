#include <gtest/gtest.h>

#include <SDL.h>

#include <optional>

#include "platform/window.h"

namespace {

namespace msg = platform::msg;

std::intptr_t ignoreAll(platform::NativeWindow*, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

class WindowLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::registerClass("Test", ignoreAll, platform::moduleInstance()));
        window = platform::createWindow("Test", "test", platform::WindowStyle::Overlapped, 64, 48);
        ASSERT_NE(window, nullptr);
        drain();
    }
    void TearDown() override {
        platform::clearStepFailures();
        if (window != nullptr) {
            EXPECT_TRUE(platform::destroyWindow(window));
        }
        EXPECT_TRUE(platform::unregisterClass("Test", platform::moduleInstance()));
        drain();
    }
    void drain() {
        platform::WindowMessage m;
        while (platform::peekMessage(m)) {
        }
    }
    std::optional<platform::WindowMessage> pushKey(Uint32 type, SDL_Keycode sym, SDL_Scancode scan,
                                                   Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = sdlId;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = scan;
        e.key.keysym.mod = mod;
        EXPECT_EQ(SDL_PushEvent(&e), 1);
        return next();
    }
    std::optional<platform::WindowMessage> pushWindowEvent(Uint8 event, Uint32 windowId) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = windowId;
        e.window.event = event;
        EXPECT_EQ(SDL_PushEvent(&e), 1);
        return next();
    }
    std::optional<platform::WindowMessage> next() {
        platform::WindowMessage m;
        if (!platform::peekMessage(m)) return std::nullopt;
        return m;
    }

    platform::NativeWindow* window = nullptr;
    Uint32 sdlId = 0;
};

// The SDL id of our window: the first window event it produces names it.
Uint32 findId() {
    for (Uint32 candidate = 1; candidate < 1000; ++candidate)
        if (SDL_Window* w = SDL_GetWindowFromID(candidate); w != nullptr && SDL_GetWindowTitle(w) == std::string("test"))
            return candidate;
    return 0;
}

TEST_F(WindowLayerTest, KeysArriveAsVirtualKeyNumbers) {
    sdlId = findId();
    ASSERT_NE(sdlId, 0u);
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scan;
        std::uintptr_t code;
    };
    for (const Case& c : {Case{SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27}, Case{SDLK_w, SDL_SCANCODE_W, 87},
                          Case{SDLK_a, SDL_SCANCODE_A, 65}, Case{SDLK_0, SDL_SCANCODE_0, 48},
                          Case{SDLK_9, SDL_SCANCODE_9, 57}, Case{SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
                          Case{SDLK_UP, SDL_SCANCODE_UP, 38}, Case{SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},
                          Case{SDLK_DOWN, SDL_SCANCODE_DOWN, 40}, Case{SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
                          Case{SDLK_RETURN, SDL_SCANCODE_RETURN, 13}, Case{SDLK_F1, SDL_SCANCODE_F1, 112},
                          Case{SDLK_F4, SDL_SCANCODE_F4, 115}, Case{SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 16},
                          Case{SDLK_KP_0, SDL_SCANCODE_KP_0, 96}, Case{SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
                          // A letter key whose layout gives no Latin letter keeps its place's number.
                          Case{0x3b1, SDL_SCANCODE_Q, 81}}) {
        auto down = pushKey(SDL_KEYDOWN, c.sym, c.scan);
        ASSERT_TRUE(down.has_value()) << c.code;
        EXPECT_EQ(down->message, msg::KeyDown);
        EXPECT_EQ(down->wParam, c.code);
        EXPECT_EQ(down->window, window);
        auto up = pushKey(SDL_KEYUP, c.sym, c.scan);
        ASSERT_TRUE(up.has_value());
        EXPECT_EQ(up->message, msg::KeyUp);
        EXPECT_EQ(up->wParam, c.code);
    }
}

TEST_F(WindowLayerTest, AltTurnsKeysIntoSystemKeysAndRepeatsStayKeyDowns) {
    sdlId = findId();
    auto alt = pushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_LALT);
    ASSERT_TRUE(alt.has_value());
    EXPECT_EQ(alt->message, msg::SysKeyDown);
    auto altUp = pushKey(SDL_KEYUP, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_RALT);
    ASSERT_TRUE(altUp.has_value());
    EXPECT_EQ(altUp->message, msg::SysKeyUp);
    auto repeat = pushKey(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_NONE, 1);
    ASSERT_TRUE(repeat.has_value());
    EXPECT_EQ(repeat->message, msg::KeyDown);
    EXPECT_NE(repeat->lParam & (1 << 30), 0);
    // Keys without a number produce nothing.
    EXPECT_FALSE(pushKey(SDL_KEYDOWN, SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY).has_value());
}

TEST_F(WindowLayerTest, WindowEventsBecomeActivationAndCloseMessages) {
    sdlId = findId();
    auto minimised = pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED, sdlId);
    ASSERT_TRUE(minimised.has_value());
    EXPECT_EQ(minimised->message, msg::Activate);
    EXPECT_NE(minimised->wParam >> 16, 0u);
    auto restored = pushWindowEvent(SDL_WINDOWEVENT_RESTORED, sdlId);
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->message, msg::Activate);
    EXPECT_EQ(restored->wParam >> 16, 0u);
    auto hidden = pushWindowEvent(SDL_WINDOWEVENT_HIDDEN, sdlId);  // another virtual desktop
    ASSERT_TRUE(hidden.has_value());
    EXPECT_EQ(hidden->wParam, 0x10000u);
    auto shown = pushWindowEvent(SDL_WINDOWEVENT_SHOWN, sdlId);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->wParam >> 16, 0u);
    // The keyboard (and with it the pointer) comes with the focus, not with being shown.
    auto lost = pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST, sdlId);
    ASSERT_TRUE(lost.has_value());
    EXPECT_EQ(lost->wParam, 0u);
    auto close = pushWindowEvent(SDL_WINDOWEVENT_CLOSE, sdlId);
    ASSERT_TRUE(close.has_value());
    EXPECT_EQ(close->message, msg::Close);
    EXPECT_EQ(close->window, window);
    // Events of windows this layer did not make are not ours to report.
    EXPECT_FALSE(pushWindowEvent(SDL_WINDOWEVENT_CLOSE, sdlId + 1000).has_value());

    // A termination request from outside asks the window to close.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    auto q = next();
    ASSERT_TRUE(q.has_value());
    EXPECT_EQ(q->message, msg::Close);
}

TEST_F(WindowLayerTest, DefaultHandlingClosesOnAltF4Only) {
    platform::defaultWindowProcedure(window, msg::SysKeyDown, 'W', 0);
    EXPECT_FALSE(next().has_value());
    platform::defaultWindowProcedure(window, msg::SysKeyDown, platform::vk::F4, 0);
    auto command = next();
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->message, msg::SysCommand);
    EXPECT_EQ(command->wParam, platform::sys::Close);
    platform::defaultWindowProcedure(window, command->message, command->wParam, 0);
    auto close = next();
    ASSERT_TRUE(close.has_value());
    EXPECT_EQ(close->message, msg::Close);
    EXPECT_EQ(close->window, window);
}

TEST_F(WindowLayerTest, PostedMessagesComeFirstInOrderAndDieWithTheirWindow) {
    platform::postMessage({window, msg::KeyDown, 65, 0});
    platform::postQuitMessage(3);
    auto first = next();
    auto second = next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->wParam, 65u);
    EXPECT_EQ(second->message, msg::Quit);
    EXPECT_EQ(second->window, nullptr);
    EXPECT_EQ(second->wParam, 3u);

    platform::postMessage({window, msg::KeyDown, 66, 0});
    ASSERT_TRUE(platform::destroyWindow(window));
    window = nullptr;
    EXPECT_FALSE(next().has_value());
}

TEST_F(WindowLayerTest, ClassesAndSurfacesFollowTheirRules) {
    // A class name is taken once; a class in use cannot go.
    EXPECT_FALSE(platform::registerClass("Test", ignoreAll, platform::moduleInstance()));
    EXPECT_FALSE(platform::unregisterClass("Test", platform::moduleInstance()));
    EXPECT_FALSE(platform::unregisterClass("Other", platform::moduleInstance()));
    EXPECT_EQ(platform::createWindow("Other", "x", platform::WindowStyle::Overlapped, 64, 48), nullptr);
    EXPECT_EQ(platform::createWindow("Test", "x", platform::WindowStyle::Overlapped, 0, 48), nullptr);

    platform::DeviceContext* dc = platform::getDeviceContext(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(platform::getDeviceContext(window), dc);  // one surface per window
    EXPECT_EQ(platform::createContext(dc), nullptr);     // no pixel format yet

    platform::PixelFormatRequest request;
    request.rgba = false;
    EXPECT_EQ(platform::choosePixelFormat(dc, request), 0);
    request = platform::PixelFormatRequest{};
    request.supportOpenGL = false;
    EXPECT_EQ(platform::choosePixelFormat(dc, request), 0);
    request = platform::PixelFormatRequest{};
    request.colorBits = 7;
    EXPECT_EQ(platform::choosePixelFormat(dc, request), 0);
    const int format = platform::choosePixelFormat(dc, platform::PixelFormatRequest{});
    ASSERT_GT(format, 0);
    EXPECT_FALSE(platform::setPixelFormat(dc, format + 5));
    ASSERT_TRUE(platform::setPixelFormat(dc, format));

    platform::GlContext* ctx = platform::createContext(dc);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(platform::windowResources().contexts, 1);
    ASSERT_TRUE(platform::makeCurrent(dc, ctx));
    EXPECT_TRUE(platform::swapBuffers(dc));
    EXPECT_TRUE(platform::makeCurrent(nullptr, nullptr));
    EXPECT_TRUE(platform::deleteContext(ctx));
    EXPECT_FALSE(platform::deleteContext(ctx));  // already gone
    EXPECT_TRUE(platform::releaseDeviceContext(window, dc));
    EXPECT_FALSE(platform::releaseDeviceContext(window, dc));
    EXPECT_FALSE(platform::swapBuffers(dc));
    EXPECT_EQ(platform::windowResources().deviceContexts, 0);
}

TEST_F(WindowLayerTest, DisplayModeMustExistExactly) {
    EXPECT_FALSE(platform::changeDisplayMode(641, 479, 32));
    EXPECT_FALSE(platform::windowResources().modeChanged);
    // Every size the display lists can be had, and only those.
    for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
        SDL_DisplayMode m{};
        ASSERT_EQ(SDL_GetDisplayMode(0, i, &m), 0);
        if (m.w == 0 || m.h == 0) {
            EXPECT_FALSE(platform::changeDisplayMode(m.w, m.h, 32));
            continue;
        }
        EXPECT_TRUE(platform::changeDisplayMode(m.w, m.h, 16));
        platform::restoreDisplayMode();
    }
    EXPECT_FALSE(platform::windowResources().modeChanged);
}

TEST(VirtualCursor, ReplacesThePointerWhileInstalled) {
    platform::VirtualCursor cursor;
    cursor.position = {5, 6};
    platform::setVirtualCursor(&cursor);
    platform::ScreenPoint p;
    ASSERT_TRUE(platform::getCursorPos(p));
    EXPECT_EQ(p, (platform::ScreenPoint{5, 6}));
    ASSERT_TRUE(platform::setCursorPos(320, 240));
    EXPECT_EQ(cursor.position, (platform::ScreenPoint{320, 240}));
    ASSERT_EQ(cursor.warps.size(), 1u);
    platform::setVirtualCursor(nullptr);
    platform::setCursorPos(1, 1);
    EXPECT_EQ(cursor.warps.size(), 1u);
}

TEST(WindowSteps, InjectedCreationFailuresCreateNothing) {
    platform::setStepFails(platform::WindowStep::RegisterClass, true);
    EXPECT_FALSE(platform::registerClass("Seam", ignoreAll, platform::moduleInstance()));
    platform::clearStepFailures();
    ASSERT_TRUE(platform::registerClass("Seam", ignoreAll, platform::moduleInstance()));
    platform::setStepFails(platform::WindowStep::CreateWindow, true);
    EXPECT_EQ(platform::createWindow("Seam", "x", platform::WindowStyle::Overlapped, 64, 48), nullptr);
    EXPECT_EQ(platform::windowResources().windows, 0);
    platform::clearStepFailures();
    EXPECT_TRUE(platform::unregisterClass("Seam", platform::moduleInstance()));
    EXPECT_EQ(platform::windowResources().classes, 0);
}

}  // namespace
