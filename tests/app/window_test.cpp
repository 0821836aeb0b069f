#include <gtest/gtest.h>

#include <GL/gl.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/demo.h"
#include "app/program.h"
#include "app/window.h"
#include "platform/clock.h"
#include "platform/gl_context.h"
#include "music/xm_writer.h"
#include "platform/window.h"
#include "support/message_recorder.h"
#include "support/recording_scene.h"
#include "support/scoped_demo.h"
#include "support/xm_songs.h"

namespace {

using platform::MessageIcon;
using platform::WindowStep;
namespace msg = platform::msg;

void drainMessages() {
    platform::WindowMessage m;
    while (platform::peekMessage(m)) {
    }
}

void expectNothingLeft() {
    const auto r = platform::windowResources();
    EXPECT_EQ(r.classes, 0);
    EXPECT_EQ(r.windows, 0);
    EXPECT_EQ(r.deviceContexts, 0);
    EXPECT_EQ(r.contexts, 0);
    EXPECT_FALSE(r.modeChanged);
    EXPECT_FALSE(r.cursorHidden);
    const WindowState& ws = windowState();
    EXPECT_EQ(ws.window, nullptr);
    EXPECT_EQ(ws.deviceContext, nullptr);
    EXPECT_EQ(ws.glContext, nullptr);
}

// runProgram reads its song from the working folder: a run gets a folder of its own, with a
// short song in sound/ or without one.
class SongFolder {
public:
    explicit SongFolder(bool withSong)
        : previous(std::filesystem::current_path()),
          root(std::filesystem::temp_directory_path() / ("velastria_program_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(root / "sound");
        if (withSong) {
            const auto bytes = writeXm(xmtest::songFromText(1, {xmtest::patternText(1, 16, {{0, "C-4 01 .. ..."}})}));
            std::ofstream(root / "sound" / "velastr.xm", std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        std::filesystem::current_path(root);
    }
    ~SongFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(root);
    }

private:
    std::filesystem::path previous, root;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { drainMessages(); }
    void TearDown() override {
        platform::clearStepFailures();
        drainMessages();
        // runProgram makes its own Demo for good; a test has to give it back.
        if (theDemo != demo.demo.get()) {
            delete theDemo;
            theDemo = demo.demo.get();
        }
    }
    // Pumps the queue through the window procedure until the window has been activated.
    bool pumpUntilActive() {
        for (int i = 0; i < 1000 && !windowState().active; ++i) {
            platform::WindowMessage m;
            if (platform::peekMessage(m) && m.message != msg::Quit) platform::dispatchMessage(m);
        }
        return windowState().active;
    }
    MessageRecorder messages;
    ScopedDemo demo;
};

TEST_F(WindowTest, WindowedOpenGivesACurrentDoubleBufferedContextAndClosesCleanly) {
    ASSERT_TRUE(openWindow("Marn", 640, 480, 32, ScreenMode::Window));
    const WindowState& ws = windowState();
    EXPECT_FALSE(ws.fullscreen);
    EXPECT_EQ(ws.width, 640);
    EXPECT_EQ(ws.height, 480);
    EXPECT_EQ(ws.colorBits, 32);
    EXPECT_EQ(ws.instance, platform::moduleInstance());
    ASSERT_NE(ws.window, nullptr);
    ASSERT_NE(ws.deviceContext, nullptr);
    ASSERT_NE(ws.glContext, nullptr);
    const auto geometry = platform::windowGeometry(ws.window);
    EXPECT_EQ(geometry.width, 640);
    EXPECT_EQ(geometry.height, 480);
    EXPECT_FALSE(geometry.fullscreen);
    EXPECT_EQ(platform::windowTitle(ws.window), "Marn");
    EXPECT_FALSE(platform::windowResources().cursorHidden);
    EXPECT_FALSE(platform::windowResources().screenSaverEnabled);

    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    GLint depthBits = 0, redBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_RED_BITS, &redBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(redBits, 8);

    // A cleared frame reads back black.
    glClearColor(0, 0, 0, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<unsigned char> rgb(640 * 480 * 3, 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (unsigned char v : rgb) ASSERT_EQ(v, 0);
    demo->display->swapBuffers();

    // Showing the window activates it: frames may run from then on.
    EXPECT_TRUE(pumpUntilActive());

    closeWindow();
    EXPECT_TRUE(messages.messages.empty());
    expectNothingLeft();
}

TEST_F(WindowTest, FullscreenNeedsExactlyTheModeAskedFor) {
    // No display offers 641 x 479: the nearest mode must not be taken instead.
    EXPECT_FALSE(openWindow("Marn", 641, 479, 32, ScreenMode::ModeSwitch));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "No se pudo establecer el modo de video");
    EXPECT_EQ(messages.messages[0].caption, "Marn");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Stop);
    const auto r = platform::windowResources();
    EXPECT_FALSE(r.modeChanged);  // the desktop is untouched
    EXPECT_EQ(r.windows, 0);
    EXPECT_EQ(r.classes, 1);  // the class stays registered until closeWindow

    closeWindow();
    EXPECT_EQ(messages.messages.size(), 1u);
    expectNothingLeft();
}

TEST_F(WindowTest, ModeRefusedWhereTheSwitchIsOnlyTheDefaultGivesTheScaledFullScreen) {
    // No display offers 641 x 479; the user did not ask for the switch by name.
    ASSERT_TRUE(openWindow("Marn", 641, 479, 32, ScreenMode::ModeSwitchOrFullscreen));
    EXPECT_TRUE(messages.messages.empty());  // a line on standard error, no box to answer
    const WindowState& ws = windowState();
    EXPECT_TRUE(ws.fullscreen);
    EXPECT_FALSE(ws.modeSwitched);
    EXPECT_FALSE(platform::windowResources().modeChanged);
    EXPECT_TRUE(platform::windowGeometry(ws.window).fullscreen);
    closeWindow();
    expectNothingLeft();
}

TEST_F(WindowTest, RegisterFailureNeedsNoCleanup) {
    platform::setStepFails(WindowStep::RegisterClass, true);
    EXPECT_FALSE(openWindow("Marn", 640, 480, 32, ScreenMode::Window));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "No se pudo registrar la clase de la ventana.");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Exclamation);
    expectNothingLeft();
}

struct FailingStep {
    WindowStep step;
    const char* text;
};

class WindowStepFailure : public WindowTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(WindowStepFailure, ShowsItsOwnMessageAfterCleaningUpThenTheCallers) {
    platform::setStepFails(GetParam().step, true);
    // The program's own start-up, windowed: the failing step's message, then the caller's,
    // and a failed run's status for whoever started it.
    EXPECT_EQ(runProgram(ProgramOptions{ScreenMode::Window}), 1);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text, GetParam().text);
    EXPECT_EQ(messages.messages[0].caption, "Marn");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.messages[1].text, "No se pudo crear la ventana.");
    EXPECT_EQ(messages.messages[1].caption, "Marn");
    EXPECT_EQ(messages.messages[1].icon, MessageIcon::None);
    expectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, WindowStepFailure,
    ::testing::Values(FailingStep{WindowStep::CreateWindow, "Error creando la ventana."},
                      FailingStep{WindowStep::GetDeviceContext, "No se puede obtener un Device Context para el dispositivo."},
                      FailingStep{WindowStep::ChoosePixelFormat, "No se puede encontrar un formato de pixel adecuado."},
                      FailingStep{WindowStep::SetPixelFormat, "No se puede establecer un formato de pixel adecuado."},
                      FailingStep{WindowStep::CreateContext, "No se puede crear un contexto para GL."},
                      FailingStep{WindowStep::MakeCurrent, "Can't Activate The GL Rendering Context."}));

TEST_F(WindowTest, FailedModeChangeIsReportedBeforeTheCallersMessage) {
    platform::setStepFails(WindowStep::ChangeDisplayMode, true);
    EXPECT_EQ(runProgram(ProgramOptions{ScreenMode::ModeSwitch}), 1);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text, "No se pudo establecer el modo de video");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages.messages[1].text, "No se pudo crear la ventana.");
    EXPECT_FALSE(platform::windowResources().modeChanged);
    EXPECT_EQ(platform::windowResources().windows, 0);
    closeWindow();  // the registered class is the only thing left
    expectNothingLeft();
}

TEST_F(WindowTest, EveryFailingReleaseIsReportedAndTheNextStillRuns) {
    ASSERT_TRUE(openWindow("Marn", 640, 480, 32, ScreenMode::Window));
    for (auto step : {WindowStep::ReleaseCurrent, WindowStep::DeleteContext, WindowStep::ReleaseDeviceContext,
                      WindowStep::DestroyWindow, WindowStep::UnregisterClass})
        platform::setStepFails(step, true);
    closeWindow();
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Fallo al destruir DC y RC.", "Marn"},
        {"Fallo al destruir RC.", "Marn"},
        {"Release Device Context Failed.", "SHUTDOWN ERROR"},
        {"Could Not Release hWnd.", "SHUTDOWN ERROR"},
        {"Could Not Unregister Class.", "SHUTDOWN ERROR"},
    };
    ASSERT_EQ(messages.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages.messages[i].text, expected[i].first);
        EXPECT_EQ(messages.messages[i].caption, expected[i].second);
        EXPECT_EQ(messages.messages[i].icon, MessageIcon::Information);
    }
    EXPECT_EQ(windowState().instance, nullptr);
    expectNothingLeft();
}

TEST_F(WindowTest, ProcedureActivityRuleAndKeys) {
    WindowState& ws = windowState();
    auto activate = [](bool active, bool minimised) {
        return static_cast<std::uintptr_t>((minimised ? 0x10000 : 0) | (active ? 1 : 0));
    };
    EXPECT_EQ(windowProcedure(nullptr, msg::Activate, activate(true, false), 0), 0);
    EXPECT_TRUE(ws.active);
    windowProcedure(nullptr, msg::Activate, activate(false, true), 0);  // minimised
    EXPECT_FALSE(ws.active);
    windowProcedure(nullptr, msg::Activate, activate(true, false), 0);  // restored
    EXPECT_TRUE(ws.active);
    EXPECT_TRUE(ws.focused);
    windowProcedure(nullptr, msg::Activate, activate(false, false), 0);  // another window took the focus
    EXPECT_TRUE(ws.active);
    EXPECT_FALSE(ws.focused);  // ...and with it the pointer

    windowProcedure(nullptr, msg::KeyDown, 87, 0);
    EXPECT_TRUE(demo->input->isKeyDown(87));
    windowProcedure(nullptr, msg::KeyUp, 87, 0);
    demo->input->endFrame();
    EXPECT_FALSE(demo->input->isKeyDown(87));
    // Keys pressed with Alt held arrive as system keys and stay away from the table.
    windowProcedure(nullptr, msg::SysKeyDown, 87, 0);
    EXPECT_FALSE(demo->input->isKeyDown(87));

    // Screen saver and monitor power-down requests are swallowed; nothing is queued.
    EXPECT_EQ(windowProcedure(nullptr, msg::SysCommand, platform::sys::ScreenSave, 0), 0);
    EXPECT_EQ(windowProcedure(nullptr, msg::SysCommand, platform::sys::MonitorPower, 0), 0);
    // A new client size rescales the picture; a minimised window's 0 x 0 is no size to scale to.
    EXPECT_EQ(windowProcedure(nullptr, msg::Size, 0, 1920 | (1080 << 16)), 0);
    EXPECT_EQ(windowProcedure(nullptr, msg::Size, 0, 0), 0);
    EXPECT_EQ(ws.surfaceWidth, 1920);
    EXPECT_EQ(ws.surfaceHeight, 1080);
    EXPECT_EQ(ws.width, 640);
    platform::WindowMessage m;
    EXPECT_FALSE(platform::peekMessage(m));

    windowProcedure(nullptr, msg::Close, 0, 0);
    ASSERT_TRUE(platform::peekMessage(m));
    EXPECT_EQ(m.message, msg::Quit);
    EXPECT_EQ(m.wParam, 0u);
}

class MessageLoopTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        platform::setClockSource(clock.source());
        platform::setVirtualCursor(&cursor);
        ASSERT_TRUE(openWindow("Marn", 640, 480, 32, ScreenMode::Window));
        ASSERT_TRUE(pumpUntilActive());
        demo->timer->start();
    }
    void TearDown() override {
        closeWindow();
        EXPECT_TRUE(messages.messages.empty());
        platform::setVirtualCursor(nullptr);
        platform::setClockSource(nullptr);
        WindowTest::TearDown();
    }
    void post(std::uint32_t message, std::uintptr_t wParam = 0) {
        platform::postMessage(platform::WindowMessage{windowState().window, message, wParam, 0});
    }
    platform::VirtualClock clock{100};
    platform::VirtualCursor cursor;
};

TEST_F(MessageLoopTest, EscapeKeyEndsTheLoopAtTheNextFrame) {
    post(msg::KeyDown, 27);
    runMessageLoop();
    EXPECT_EQ(demo->loopCount, 1);
}

TEST_F(MessageLoopTest, CloseRequestEndsTheLoopBeforeAnyFrame) {
    post(msg::Close);
    post(msg::KeyDown, 65);
    runMessageLoop();
    EXPECT_EQ(demo->loopCount, 0);
    EXPECT_TRUE(demo->input->isKeyDown(65));  // messages already queued ahead of the quit still run
}

TEST_F(MessageLoopTest, AltF4ClosesAndEscapeWithAltDoesNotCount) {
    post(msg::SysKeyDown, 27);
    post(msg::SysKeyDown, platform::vk::F4);
    runMessageLoop();
    EXPECT_EQ(demo->loopCount, 0);
    EXPECT_FALSE(demo->input->isKeyDown(27));
    EXPECT_FALSE(demo->input->isKeyDown(platform::vk::F4));
}

TEST_F(MessageLoopTest, MinimisedShowDrawsNothingButStillFollowsTheSongToItsEnd) {
    std::vector<std::string> log;
    RecordingScene scene("hidden", &log);
    std::vector<bool> suspended;
    scene.onFrame = [&] {
        suspended.push_back(demo->display->drawingSuspended);
        return suspended.size() < 2;
    };
    demo->setPendingScene(&scene);
    post(msg::Activate, 0x10000);  // minimised
    runMessageLoop();
    EXPECT_EQ(suspended, (std::vector<bool>{true, true}));
    EXPECT_FALSE(demo->display->drawingSuspended);
}

// The loop a system drives frame by frame (a browser page): each turn takes every waiting
// message, then runs one frame; the end comes back as a status instead of a return.
TEST_F(MessageLoopTest, TurnsTakeTheWaitingMessagesThenOneFrameAndGiveTheStatusAtTheEnd) {
    post(msg::KeyDown, 65);
    post(msg::KeyDown, 66);
    EXPECT_EQ(messageLoopTurn(), std::nullopt);
    EXPECT_EQ(demo->loopCount, 1);
    EXPECT_TRUE(demo->input->isKeyDown(66));
    EXPECT_EQ(messageLoopTurn(), std::nullopt);
    EXPECT_EQ(demo->loopCount, 2);
    platform::postQuitMessage(3);
    EXPECT_EQ(messageLoopTurn(), 3);
    EXPECT_EQ(demo->loopCount, 2);
    post(msg::KeyDown, 27);
    EXPECT_EQ(messageLoopTurn(), 0);
    EXPECT_EQ(demo->loopCount, 3);
}

TEST(ProgramStartUp, RunsThroughToTheLoopAndShutsDownOnQuit) {
    SongFolder folder(true);
    MessageRecorder messages;
    drainMessages();
    Demo* before = theDemo;
    // A quit already waiting ends the loop at its first look at the queue.
    platform::postQuitMessage(0);
    EXPECT_EQ(runProgram(ProgramOptions{ScreenMode::Window}), 0);
    ASSERT_NE(theDemo, nullptr);
    EXPECT_NE(theDemo, before);
    EXPECT_NE(theDemo->display->activeTexture, nullptr);  // the display was initialised
    EXPECT_EQ(theDemo->loopCount, 0);
    EXPECT_TRUE(messages.messages.empty());
    expectNothingLeft();
    delete theDemo;
    theDemo = before;
    windowState() = WindowState{};
}

TEST(ProgramStartUp, MissingMultitextureShowsItsMessageAndEndsWithStatus1) {
    SongFolder folder(true);
    MessageRecorder messages;
    drainMessages();
    Demo* before = theDemo;
    platform::hideGlNames({"GL_ARB_multitexture", "glActiveTextureARB", "glActiveTexture"});
    EXPECT_EQ(runProgram(ProgramOptions{ScreenMode::Window}), 1);
    platform::hideGlNames({});
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "El dispositivo grafico no soporta algunas operaciones necesarias.");
    EXPECT_EQ(theDemo->loopCount, 0);
    expectNothingLeft();
    delete theDemo;
    theDemo = before;
    windowState() = WindowState{};
}

TEST(ProgramStartUp, MissingSongIsNamedAfterTheWindowClosesAndEndsWithStatus1) {
    SongFolder folder(false);
    MessageRecorder messages;
    drainMessages();
    Demo* before = theDemo;
    EXPECT_EQ(runProgram(ProgramOptions{ScreenMode::Window}), 1);
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string where = (std::filesystem::current_path() / "sound" / "velastr.xm").string();
    EXPECT_NE(messages.messages[0].text.find(where), std::string::npos) << messages.messages[0].text;
    EXPECT_EQ(theDemo->loopCount, 0);
    expectNothingLeft();
    delete theDemo;
    theDemo = before;
    windowState() = WindowState{};
}

}  // namespace
