#include "music/audio_output.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "music/file_access.h"
#include "music/player.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/thread.h"

namespace {

// Entries are written by the audio thread about one ring before the main thread reads
// them; each field is one atomic 32-bit word so no read ever sees half a write.
struct AtomicPositionEntry {
    std::atomic<std::uint32_t> orderRow{0};  // order | row << 8
    std::atomic<std::int32_t> timeMs{0};
};

struct Playback {
    Module* currentModule = nullptr;
    std::vector<std::int16_t> ring;
    std::vector<float> mixBuffer;
    // Declared after the ring so that, whatever happens at exit, the device goes first:
    // its callback may still be reading the ring.
    std::unique_ptr<platform::AudioDevice> device;
    std::unique_ptr<AtomicPositionEntry[]> positionTable;
    // Atomic because tools and tests read it while the audio thread moves it.
    std::atomic<std::int32_t> writeBlock{0};
    std::atomic<std::int32_t> readBlock{0};
    std::atomic<bool> stopRequest{false};
    std::atomic<bool> mixingBusy{false};
    std::atomic<bool> threadFinished{true};
    platform::PriorityThread thread;
    float inverseRate = 1.0f / static_cast<float>(mixRate);
    // The device's 32-bit byte count, extended to 64 bits so the playing block stays right
    // when the count wraps after about 6.7 hours; across a change of device it goes on
    // from where the old one was heard.
    std::uint32_t lastDeviceBytes = 0;
    std::uint64_t playedBytes = 0;
    // The device is watched while it plays: lost or stalled, the silent clock takes over
    // and a real device is looked for again now and then.
    bool onSilentClock = false;
    // A device has proved itself once it has played a while; until then it may take its
    // time to start.  One found again is let go quietly if it never proves itself (some
    // open and then never play: a driver with nowhere to send the sound).
    bool proven = false;
    bool foundAgain = false;
    // A device found again, warming up before it takes over.
    std::unique_ptr<platform::AudioDevice> waiting;
    std::uint32_t waitingSinceMs = 0;
    std::uint32_t lastMoveMs = 0;
    std::uint32_t lastLookMs = 0;

    // Nothing stops the song before the process ends; when it does, the audio thread must
    // see the stop request before the join below, or the program would never exit, and the
    // device must let go of the ring before the ring is freed.
    ~Playback() {
        stopRequest = true;
        thread.join();
        if (device) {
            device->reset();
            device->close();
            device.reset();
        }
    }
};

Playback playback;

// One pass of the audio thread; false once the song is to stop.
bool threadStep() {
    if (playback.stopRequest) {
        playback.threadFinished = true;
        return false;
    }
    audioThreadStep();
    return true;
}

enum class Mode { Device, Manual, Offline };

constexpr std::uint32_t ringBytes = static_cast<std::uint32_t>(ringFrames) * 4u;
// A playing device whose position stands still this long has stalled; the longest any
// backend waits between two refills of its own buffer is well under it.
constexpr std::uint32_t stallLimitMs = 250;
// A device just opened may start in fits (a sound server settling its own buffering
// first): until it has played provenMs it is given up only after standing still this long.
constexpr std::uint32_t startLimitMs = 2000;
constexpr std::uint32_t provenMs = 1000;
// How often a real device is looked for while the silent clock plays.
constexpr std::uint32_t lookAgainMs = 1000;

std::uint64_t bytesForMs(std::uint32_t ms) { return static_cast<std::uint64_t>(ms) * mixRate * 4u / 1000u; }

// A device that has let us down is closed on a thread of its own: closing can wait on the
// very thing that broke (a sound server that stopped answering), and the song position
// must not wait with it.  It has already let go of the ring.  Should closes hang and pile
// up, no more devices are opened.
std::atomic<int> devicesClosing{0};
constexpr int closingLimit = 3;

void retire(std::unique_ptr<platform::AudioDevice> device) {
    ++devicesClosing;
    std::thread([d = std::move(device)]() mutable {
        d->close();
        d.reset();
        --devicesClosing;
    }).detach();
}

// Plays on from where the old device was heard, on the silent clock, with one line on
// standard error.  `stillMs`: how long the position has stood still; the song goes on by
// that much, so the show keeps its time.
void handOverToSilence(std::uint32_t stillMs, const char* why) {
    if (playback.proven || !playback.foundAgain)
        std::fprintf(stderr, "audio: the output device %s; playing on in silence and looking for it again\n", why);
    playback.device->reset();
    // A device that only stalled (a starved sound thread) and can tell when it takes its
    // sound again is kept and taken back as soon as it does, rather than reopened later.
    if (!playback.device->lost() && !playback.device->warmedUp() && !playback.waiting) {
        playback.waiting = std::move(playback.device);
        playback.waitingSinceMs = platform::clockMs();
    } else {
        retire(std::move(playback.device));
    }
    playback.playedBytes += bytesForMs(stillMs) / 4u * 4u;
    auto silent = std::make_unique<platform::SilentAudioDevice>();
    silent->open(mixRate);
    silent->playLooping(playback.ring.data(), ringBytes, 0);
    playback.device = std::move(silent);
    playback.lastDeviceBytes = 0;
    playback.onSilentClock = true;
    playback.proven = false;
    playback.foundAgain = false;
}

// Every blockFrames of the ring holds music for the block the device plays there, so a
// new device starts at the frame the silent clock has reached and sounds the song right
// where it is.  It is opened first and left to warm up on silence while the silent clock
// keeps the time; one that does not warm up in time, or goes away meanwhile, is let go.
void lookForDevice(std::uint32_t now) {
    if (playback.waiting) {
        if (playback.waiting->lost() || now - playback.waitingSinceMs > startLimitMs) {
            retire(std::move(playback.waiting));
            return;
        }
        if (!playback.waiting->warmedUp()) return;
        // The position may have moved since the last step.
        const std::uint32_t silentBytes = playback.device->bytePosition();
        playback.playedBytes += static_cast<std::uint32_t>(silentBytes - playback.lastDeviceBytes);
        const auto start = static_cast<std::uint32_t>(playback.playedBytes % ringBytes);
        playback.waiting->playLooping(playback.ring.data(), ringBytes, start);
        playback.device->reset();
        playback.device = std::move(playback.waiting);
        playback.lastDeviceBytes = 0;
        playback.onSilentClock = false;
        playback.proven = false;
        playback.foundAgain = true;
        playback.lastMoveMs = now;
        return;
    }
    if (now - playback.lastLookMs < lookAgainMs || devicesClosing.load() >= closingLimit) return;
    playback.lastLookMs = now;
    playback.waiting = platform::openSystemAudioOutput(mixRate);
    playback.waitingSinceMs = now;
}

bool start(Module* module, Mode mode) {
    if (!module) return false;
    stopPlayback(module);
    if (mode != Mode::Offline && !fileCallbacksInstalled()) return false;
    if (!module->tickHandler) return false;
    playback.inverseRate = 1.0f / static_cast<float>(mixRate);
    mixerReset();
    playerStart(*module);
    playback.currentModule = module;
    playback.positionTable = std::make_unique<AtomicPositionEntry[]>(blockCount);
    if (mode != Mode::Offline) {
        playback.device = platform::openAudioOutput(mixRate, &playback.onSilentClock);
        if (!playback.device) return false;
    }
    playback.ring.assign(static_cast<std::size_t>(ringFrames) * 2, 0);
    playback.mixBuffer.assign(static_cast<std::size_t>(ringFrames) * 2, 0.0f);
    playback.writeBlock = 0;
    playback.readBlock = 0;
    playback.lastDeviceBytes = 0;
    playback.playedBytes = 0;
    if (mode == Mode::Offline) return true;
    do {
        mixBlock();
    } while (playback.writeBlock != 0);
    playback.device->playLooping(playback.ring.data(), ringBytes);
    playback.lastMoveMs = playback.lastLookMs = platform::clockMs();
    playback.proven = playback.foundAgain = false;
    playback.stopRequest = false;
    if (mode == Mode::Device) {
        playback.threadFinished = false;
        playback.thread.startRepeating(threadStep, 5);
    }
    return true;
}

}  // namespace

bool startPlayback(Module* module) { return start(module, Mode::Device); }
bool startPlaybackManual(Module* module) { return start(module, Mode::Manual); }
bool startPlaybackOffline(Module* module) { return start(module, Mode::Offline); }

bool stopPlayback(Module* module) {
    if (!module) return false;
    playback.stopRequest = true;
    while (playback.mixingBusy) platform::sleepMs(0);
    if (playback.thread.running()) {
        while (!playback.threadFinished) platform::sleepMs(10);
        playback.thread.join();
    }
    // The device lets go of the ring before the ring is freed.
    if (playback.device) playback.device->reset();
    playback.ring.clear();
    playback.ring.shrink_to_fit();
    playback.mixBuffer.clear();
    playback.mixBuffer.shrink_to_fit();
    playback.currentModule = nullptr;
    playback.positionTable.reset();
    if (playback.device) {
        playback.device->close();
        playback.device.reset();
    }
    if (playback.waiting) {
        playback.waiting->close();
        playback.waiting.reset();
    }
    playback.onSilentClock = false;
    playback.proven = playback.foundAgain = false;
    playback.writeBlock = 0;
    playback.readBlock = 0;
    playback.threadFinished = true;
    return true;
}

void stopPlaybackOf(Module* module) {
    if (module && playback.currentModule == module) stopPlayback(module);
}

void mixBlock() {
    Module* m = playback.currentModule;
    if (!m || !playback.positionTable || playback.ring.empty()) return;
    const std::int32_t w = playback.writeBlock;
    float* block = playback.mixBuffer.data() + static_cast<std::size_t>(w) * blockFrames * 2;
    std::fill(block, block + blockFrames * 2, 0.0f);
    std::int32_t done = 0;
    std::int32_t left = m->samplesLeftInTick;
    while (done < blockFrames) {
        if (left <= 0) {
            m->tickHandler(*m);
            left = m->samplesPerTick > 0 ? m->samplesPerTick : 1;  // never a tick of no frames
        }
        const std::int32_t n = std::min(left, blockFrames - done);
        mixVoices(block + static_cast<std::size_t>(done) * 2, n);
        // The single-precision reciprocal, evaluated in double: 882 frames add 19 (just
        // below 20), as the song time is meant to run slightly behind.
        m->timeMs += static_cast<std::int32_t>(n * static_cast<double>(playback.inverseRate) * 1000.0);
        done += n;
        left -= n;
    }
    m->samplesLeftInTick = left;
    AtomicPositionEntry& entry = playback.positionTable[static_cast<std::size_t>(w)];
    entry.orderRow.store(static_cast<std::uint32_t>(m->order & 0xFF) | (static_cast<std::uint32_t>(m->row & 0xFF) << 8));
    entry.timeMs.store(m->timeMs);
    convertBlock(playback.ring.data() + static_cast<std::size_t>(w) * blockFrames * 2, block, blockFrames);
    playback.writeBlock = w + 1 == blockCount ? 0 : w + 1;
}

void audioThreadStep() {
    if (!playback.device || !playback.currentModule || playback.ring.empty()) return;
    const std::uint32_t now = platform::clockMs();
    if (playback.onSilentClock) lookForDevice(now);
    const std::uint32_t bytes = playback.device->bytePosition();
    if (bytes != playback.lastDeviceBytes) playback.lastMoveMs = now;
    playback.playedBytes += static_cast<std::uint32_t>(bytes - playback.lastDeviceBytes);
    playback.lastDeviceBytes = bytes;
    if (!playback.proven && !playback.onSilentClock && bytes >= bytesForMs(provenMs)) {
        playback.proven = true;
        if (playback.foundAgain) std::fprintf(stderr, "audio: an output device is back; the sound goes on\n");
        playback.foundAgain = false;
    }
    if (!playback.onSilentClock) {
        if (playback.device->lost())
            handOverToSilence(now - playback.lastMoveMs, "has gone away");
        else if (playback.device->watchForStalls() &&
                 now - playback.lastMoveMs > (playback.proven ? stallLimitMs : startLimitMs))
            handOverToSilence(now - playback.lastMoveMs, "has stopped playing");
    }
    const std::uint64_t frames = playback.playedBytes / 4;
    const std::int32_t playing = static_cast<std::int32_t>((frames % ringFrames) / blockFrames);
    while (playback.writeBlock != playing) {
        playback.mixingBusy = true;
        // The device has left the block about to be refilled: the read-out moves on first,
        // so the main thread never takes the refilled block (music one ring ahead) for the
        // one being heard.
        const std::int32_t r = playback.readBlock + 1;
        playback.readBlock = r == blockCount ? 0 : r;
        mixBlock();
        playback.mixingBusy = false;
    }
}

namespace {
PositionEntry readEntry(const Module* module) {
    if (!module || !playback.positionTable || playback.currentModule != module) return {};
    // The audio thread may move on and refill the block between our reads; a read that
    // overlapped a move is taken again, so order, row and time always come from the one
    // block being heard.
    for (;;) {
        const std::int32_t r = playback.readBlock.load();
        const AtomicPositionEntry& e = playback.positionTable[static_cast<std::size_t>(r)];
        const std::uint32_t orderRow = e.orderRow.load();
        const std::int32_t timeMs = e.timeMs.load();
        if (playback.readBlock.load() == r)
            return {static_cast<std::uint8_t>(orderRow & 0xFF), static_cast<std::uint8_t>(orderRow >> 8), timeMs};
    }
}
}  // namespace

std::int32_t positionOrder(const Module* module) { return readEntry(module).order; }
std::int32_t positionRow(const Module* module) { return readEntry(module).row; }
std::int32_t positionTime(const Module* module) { return readEntry(module).timeMs; }
PositionEntry playingPosition(const Module* module) { return readEntry(module); }

std::int32_t writeBlockIndex() { return playback.writeBlock.load(); }
std::int32_t readBlockIndex() { return playback.readBlock.load(); }

PositionEntry positionEntry(std::int32_t block) {
    if (!playback.positionTable || block < 0 || block >= blockCount) return {};
    const AtomicPositionEntry& e = playback.positionTable[static_cast<std::size_t>(block)];
    const std::uint32_t orderRow = e.orderRow.load();
    return {static_cast<std::uint8_t>(orderRow & 0xFF), static_cast<std::uint8_t>(orderRow >> 8), e.timeMs.load()};
}

const std::int16_t* ringBlock(std::int32_t block) {
    if (playback.ring.empty() || block < 0 || block >= blockCount) return nullptr;
    return playback.ring.data() + static_cast<std::size_t>(block) * blockFrames * 2;
}

bool audioThreadRunning() { return playback.thread.running(); }
