#include "show_run.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <typeinfo>

#include "app/demo.h"
#include "app/window.h"
#include "music/audio_output.h"
#include "music/module.h"
#include "music/xm_writer.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "scenes/first_scene.h"
#include "scenes/scene.h"
#include "support/message_recorder.h"
#include "support/scoped_demo.h"
#include "support/xm_songs.h"

namespace hardening {

namespace {

class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& dir) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

}  // namespace

const std::vector<std::string>& textureNames() {
    static const std::vector<std::string> names = {
        "tressoria.bmp", "velastria.jpg", "black.bmp",  "metal4.bmp", "mapeado.jpg",  "water.bmp",
        "fire.bmp",      "wood.bmp",      "s_1.jpg",    "s_2.jpg",    "s_3.jpg",      "s_4.jpg",
        "s_techo.jpg",   "mapeado.bn.bmp", "estrellas.jpg", "star.bmp", "glass.bmp",  "metal.bmp",
        "metal2.bmp",    "blue.bmp",      "flash.bmp",  "vom.jpg"};
    return names;
}

std::vector<std::uint8_t> fastShowSong() {
    std::vector<std::string> patterns;
    for (int order = 0; order < 29; ++order)
        patterns.push_back(xmtest::patternText(1, 16, {{0, order % 2 ? "C-4 01 .. ..." : "G-4 01 .. ..."}}));
    XmSong song = xmtest::songFromText(1, patterns);
    song.speed = 1;
    song.bpm = 250;
    return writeXm(song);
}

ShowResult runShow(const std::string& contentDir, const ShowOptions& options) {
    ShowResult result;
    WorkingFolder folder(contentDir);
    std::optional<MessageRecorder> recorder;
    if (options.recordMessages) recorder.emplace();
    platform::VirtualClock clock(1000);
    platform::setClockSource(clock.source());
    platform::VirtualAudioDevice* device = nullptr;
    bool deviceOpened = false;
    if (!options.realDevice) platform::setAudioDeviceFactory([&device, &deviceOpened, &options] {
        auto d = std::make_unique<platform::VirtualAudioDevice>();
        d->stallWatch = options.deviceFaultAt > 0;
        d->openResult = !deviceOpened;
        if (!deviceOpened) device = d.get();
        deviceOpened = true;
        return d;
    });
    {
        ScopedDemo demo;
        if (openWindow("Marn", 64, 48, 32, ScreenMode::Window)) {
            demo->display->init();
            demo->music->installFileCallbacks();
            result.songLoaded = demo->music->load("sound\\velastr.xm");
            // The program starts the device thread; here the test moves the device itself,
            // so every run sees the same positions.
            if (result.songLoaded) {
                if (options.realDevice)
                    result.playing = demo->music->play();
                else
                    result.playing = startPlaybackManual(demo->music->module);
            }
            if (Scene* first = makeFirstScene()) demo->setPendingScene(first);
            demo->timer->start();
            const std::uint32_t playStartMs = clock.value();
            const std::uint32_t bytesPerFrame = static_cast<std::uint32_t>(options.frameMs) * 44100u / 1000u * 4u;
            while (result.frames < options.maxFrames) {
                clock.advance(static_cast<std::uint32_t>(options.frameMs));
                if (device && result.frames + 1 == options.deviceFaultAt) {
                    if (options.deviceGoesAway) device->gone = true;
                    device = nullptr;  // the music output closes it once it sees the fault
                }
                if (options.deviceFaultAt > 0 && !device) {
                    audioThreadStep();
                } else if (device) {
                    device->position = device->position.load() + bytesPerFrame;
                    audioThreadStep();
                } else if (options.realDevice && result.playing) {
                    // The silent device follows the virtual clock; give the audio thread
                    // (which sleeps in real time) the chance to mix up to the new position.
                    const auto elapsed = static_cast<std::uint64_t>(clock.value() - playStartMs);
                    const auto frames = elapsed * 44100u / 1000u;
                    const auto block = static_cast<std::int32_t>(frames % ringFrames / blockFrames);
                    for (int wait = 0; wait < 400 && readBlockIndex() != block; ++wait) platform::sleepMs(5);
                }
                if (options.escapeAfter > 0 && result.frames == options.escapeAfter) demo->input->keyDown(27);
                const bool goOn = demo->frameStep();
                ++result.frames;
                if (demo->currentScene) {
                    const std::string name = typeid(*demo->currentScene).name();
                    if (result.scenes.empty() || result.scenes.back() != name) result.scenes.push_back(name);
                }
                result.highestOrder = std::max(result.highestOrder, demo->music->position().order);
                if (!goOn) {
                    result.endedByScene = !(options.escapeAfter > 0 && result.frames > options.escapeAfter);
                    break;
                }
            }
            if (demo->music->module) stopPlayback(demo->music->module);
            // The demo never frees its song; the test does, so runs do not pile up.
            if (demo->music->module) freeModule(demo->music->module);
        }
        windowState().fullscreen = false;
        closeWindow();
    }
    platform::setAudioDeviceFactory({});
    platform::setClockSource({});
    if (recorder) result.messages = recorder->messages;
    return result;
}

}  // namespace hardening
