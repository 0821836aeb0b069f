// velastria-capture: runs the real demo (start-up, scenes, engine, music) on virtual time,
// frame by frame, and writes what a viewer would see and hear.
//
//   velastria-capture [--fps N] [--data DIR] [--frames DIR] [--wav FILE] [--video FILE]
//                     [--log FILE] [--stats FILE] [--from-order O] [--to-order O]
//                     [--max-seconds S] [--quiet]
//
// Every frame the millisecond clock moves on by 1000/fps (whole milliseconds, the remainder
// carried so the average rate is exact) and the wave-out position by the same time at
// 44100 frames per second; the audio thread's pass runs in line before the frame, so each
// scene reads the song position a listener would hear at that moment.  Rendering is
// headless (SDL's offscreen driver) in a 640x480 window.
//
// Outputs, all optional:
//   --frames DIR   frame_NNNNNN.png for every frame (a pass that draws nothing, as when a scene
//                  hands over, repeats the picture still on screen)
//   --wav FILE     the audio exactly as the device consumed the ring, in play order
//   --video FILE   picture and sound through ffmpeg (which must be installed)
//   --log FILE     "<frame> <ms> <order> <row> <scene class> <render ms>" per frame, render ms
//                  being the wall time of that frame's pass
//   --stats FILE   "<frame> <swaps> <mean brightness> <mean change> <text nodes> <root rotation x y z>"
//                  per frame: what the checks of a whole run need without keeping every picture
// --from-order / --to-order limit the outputs to a stretch of the song: earlier frames are
// run but not written, and the capture stops after the last frame of --to-order.
// The run ends when the program would end (the last scene says stop) and exits 0.
#include <GL/gl.h>
#include <cxxabi.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/demo.h"
#include "app/program.h"
#include "app/window.h"
#include "common/png.h"
#include "common/wav.h"
#include "engine/text_node.h"
#include "music/audio_output.h"
#include "music/music_player.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "scenes/scene.h"

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr const char* tool = "velastria-capture";

struct Options {
    int fps = 60;
    std::string data = ".";
    std::string frames, wav, video, log, stats;
    int fromOrder = 0;
    int toOrder = -1;  // none
    int maxSeconds = 1800;
    bool quiet = false;
};

void usage() {
    std::fprintf(stderr,
                 "usage: %s [--fps N] [--data DIR] [--frames DIR] [--wav FILE] [--video FILE] [--log FILE]\n"
                 "       [--stats FILE] [--from-order O] [--to-order O] [--max-seconds S] [--quiet]\n",
                 tool);
}

bool parseInt(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (a == "-h" || a == "--help") return std::nullopt;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s: %s needs a value\n", tool, a.c_str());
            return std::nullopt;
        }
        const char* v = argv[++i];
        bool ok = true;
        // At least one frame a second: a longer step than the two-second ring would lose music.
        if (a == "--fps") ok = parseInt(v, 1, 1000, o.fps);
        else if (a == "--from-order") ok = parseInt(v, 0, 255, o.fromOrder);
        else if (a == "--to-order") ok = parseInt(v, 0, 255, o.toOrder);
        else if (a == "--max-seconds") ok = parseInt(v, 1, 24 * 3600, o.maxSeconds);
        else if (a == "--data") o.data = v;
        else if (a == "--frames") o.frames = v;
        else if (a == "--wav") o.wav = v;
        else if (a == "--video") o.video = v;
        else if (a == "--log") o.log = v;
        else if (a == "--stats") o.stats = v;
        else {
            std::fprintf(stderr, "%s: unknown option %s\n", tool, a.c_str());
            return std::nullopt;
        }
        if (!ok) {
            std::fprintf(stderr, "%s: bad value for %s: %s\n", tool, a.c_str(), v);
            return std::nullopt;
        }
    }
    if (o.toOrder >= 0 && o.toOrder < o.fromOrder) {
        std::fprintf(stderr, "%s: --to-order %d comes before --from-order %d\n", tool, o.toOrder, o.fromOrder);
        return std::nullopt;
    }
    return o;
}

// Paths given on the command line are meant from where the tool was started, not from the data folder.
std::string absolute(const std::string& path, const std::string& startDir) {
    if (path.empty() || path[0] == '/') return path;
    return startDir + "/" + path;
}

std::string findInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string sceneClassName(const Scene* scene) {
    if (!scene) return "-";
    const char* mangled = typeid(*scene).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

int countTextNodes(const Node* node) {
    int n = 0;
    for (const Node* child : node->children)
        if (dynamic_cast<const TextNode*>(child) != nullptr) ++n;
    return n;
}

// The picture and sound of the run, and where they go.
class Capture {
public:
    explicit Capture(Options options) : opt(std::move(options)) {}

    int run();

private:
    bool openOutputs();
    bool closeOutputs();
    void loop();
    void feedAudio(std::uint64_t deviceFrames);
    void takeAudio(const std::int16_t* samples, std::uint64_t firstFrame, std::uint64_t count);
    void readPicture();
    bool writeFrame(std::uint64_t frame, std::uint32_t ms, const SongPosition& pos, double renderMs, int swaps);
    void progress(const SongPosition& pos, std::uint64_t frame, bool done);
    bool fail(const std::string& text);

    Options opt;
    platform::VirtualClock clock;
    platform::VirtualAudioDevice* device = nullptr;  // owned by the music output once opened
    platform::VirtualCursor cursor;

    std::vector<std::uint8_t> picture = std::vector<std::uint8_t>(width * height * 3, 0);  // on screen, top row first
    std::vector<std::uint8_t> previousPicture = picture;
    std::vector<std::uint8_t> rows = picture;  // scratch: as read, bottom row first
    int swaps = 0;

    // Audio: the absolute device frame up to which the ring has been consumed, and the
    // first frame the outputs want (the stretch's start).
    std::uint64_t consumedFrames = 0;
    std::optional<std::uint64_t> audioStart;
    toolfiles::WavWriter wav, videoWav;

    std::FILE* logFile = nullptr;
    std::FILE* statsFile = nullptr;
    std::FILE* ffmpeg = nullptr;
    std::string videoPart, audioPart;

    bool songPlaying = false;
    bool failed = false;
    int lastShownPercent = -1;
};

bool Capture::fail(const std::string& text) {
    if (!failed) std::fprintf(stderr, "%s%s: %s\n", opt.quiet ? "" : "\n", tool, text.c_str());
    failed = true;
    return false;
}

int Capture::run() {
    if (!opt.video.empty() && findInPath("ffmpeg").empty()) {
        std::fprintf(stderr, "%s: --video needs ffmpeg, which is not installed (apt-get install ffmpeg)\n", tool);
        return 1;
    }
    char cwd[4096];
    const std::string startDir = getcwd(cwd, sizeof cwd) ? cwd : ".";
    for (std::string* path : {&opt.frames, &opt.wav, &opt.video, &opt.log, &opt.stats}) *path = absolute(*path, startDir);
    if (!opt.frames.empty()) {
        struct stat st {};
        if (stat(opt.frames.c_str(), &st) != 0 && mkdir(opt.frames.c_str(), 0777) != 0) {
            std::perror(opt.frames.c_str());
            return 1;
        }
    }
    if (chdir(opt.data.c_str()) != 0) {
        std::perror(opt.data.c_str());
        return 1;
    }
    if (!openOutputs()) return 1;

    // Headless, and on the software rasteriser unless told otherwise: the same pictures
    // on every machine.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    signal(SIGPIPE, SIG_IGN);  // a dying ffmpeg shows up as a failed write

    platform::setClockSource(clock.source());
    platform::setVirtualCursor(&cursor);
    platform::setAudioDeviceFactory([this] {
        auto d = std::make_unique<platform::VirtualAudioDevice>();
        device = d.get();
        return d;
    });
    platform::setMessageSink([](const platform::Message& m) {
        std::fprintf(stderr, "%s: %s\n", m.caption.c_str(), m.text.c_str());
    });
    platform::setSwapObserver([this] { readPicture(); });

    ProgramOptions program;
    program.screen = ScreenMode::Window;  // no mode change: the offscreen surface is the window
    program.startSong = [this](MusicPlayer& music) {
        songPlaying = music.module != nullptr && startPlaybackManual(music.module);
        return songPlaying;
    };
    program.runLoop = [this] { loop(); };
    // A run that could not start (no window, no song) has said why through the sink.
    const int status = runProgram(program);

    platform::setSwapObserver({});
    platform::setMessageSink({});
    const bool closed = closeOutputs();
    if (failed || !closed || status != 0) return 1;
    return 0;
}

bool Capture::openOutputs() {
    if (!opt.log.empty() && !(logFile = std::fopen(opt.log.c_str(), "w"))) {
        std::perror(opt.log.c_str());
        return false;
    }
    if (!opt.stats.empty() && !(statsFile = std::fopen(opt.stats.c_str(), "w"))) {
        std::perror(opt.stats.c_str());
        return false;
    }
    if (!opt.wav.empty() && !wav.open(opt.wav, mixRate)) return false;
    if (!opt.video.empty()) {
        // Pictures are encoded while the run goes; the sound is only complete at its end, so
        // the two are joined afterwards.
        videoPart = opt.video + ".part.mkv";
        audioPart = opt.video + ".part.wav";
        if (!videoWav.open(audioPart, mixRate)) return false;
        const std::string command = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " + std::to_string(width) +
                                    "x" + std::to_string(height) + " -r " + std::to_string(opt.fps) +
                                    " -i - -c:v libx264 -crf 16 -pix_fmt yuv420p " + shellQuote(videoPart);
        ffmpeg = popen(command.c_str(), "w");
        if (!ffmpeg) {
            std::perror("ffmpeg");
            return false;
        }
    }
    return true;
}

bool Capture::closeOutputs() {
    bool ok = true;
    if (logFile && std::fclose(logFile) != 0) ok = fail("could not write " + opt.log);
    if (statsFile && std::fclose(statsFile) != 0) ok = fail("could not write " + opt.stats);
    if (wav.isOpen() && !wav.close()) ok = false;
    if (ffmpeg) {
        const int status = pclose(ffmpeg);
        const bool wavOk = videoWav.close();
        if (status != 0 || !wavOk) {
            ok = fail("ffmpeg could not encode the pictures");
        } else if (!failed) {
            const std::string command = "ffmpeg -loglevel error -y -i " + shellQuote(videoPart) + " -i " +
                                        shellQuote(audioPart) + " -c:v copy -c:a aac -b:a 192k " +
                                        shellQuote(opt.video);
            if (std::system(command.c_str()) != 0) ok = fail("ffmpeg could not join picture and sound into " + opt.video);
        }
        std::remove(videoPart.c_str());
        std::remove(audioPart.c_str());
    }
    return ok;
}

// The back buffer holds the finished frame: read it before it is shown.
void Capture::readPicture() {
    ++swaps;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&picture[static_cast<std::size_t>(y) * stride], &rows[static_cast<std::size_t>(height - 1 - y) * stride],
                    stride);
}

// Keeps the part of the consumed audio that lies in the wanted stretch.
void Capture::takeAudio(const std::int16_t* samples, std::uint64_t firstFrame, std::uint64_t count) {
    if (!audioStart || firstFrame + count <= *audioStart) return;
    const std::uint64_t skip = firstFrame < *audioStart ? *audioStart - firstFrame : 0;
    if (wav.isOpen() && !wav.append(samples + skip * 2, count - skip)) fail("could not write " + opt.wav);
    if (videoWav.isOpen() && !videoWav.append(samples + skip * 2, count - skip)) fail("could not write " + audioPart);
}

// Moves the device to `deviceFrames` and runs the audio thread's pass.  Every block the
// device has finished is taken from the ring before the pass mixes new music into it.
void Capture::feedAudio(std::uint64_t deviceFrames) {
    device->position = static_cast<std::uint32_t>(deviceFrames * 4);  // the device's count wraps at 2^32
    const auto playing = static_cast<std::int32_t>((deviceFrames % ringFrames) / blockFrames);
    for (std::int32_t b = writeBlockIndex(); b != playing; b = b + 1 == blockCount ? 0 : b + 1) {
        if (const std::int16_t* block = ringBlock(b)) takeAudio(block, consumedFrames, blockFrames);
        consumedFrames += blockFrames;
    }
    audioThreadStep();
}

bool Capture::writeFrame(std::uint64_t frame, std::uint32_t ms, const SongPosition& pos, double renderMs, int frameSwaps) {
    const std::string scene = sceneClassName(theDemo->currentScene);
    if (logFile)
        std::fprintf(logFile, "%llu %u %d %d %s %.3f\n", static_cast<unsigned long long>(frame), ms, pos.order, pos.row,
                     scene.c_str(), renderMs);
    if (statsFile) {
        std::uint64_t sum = 0, change = 0;
        for (std::size_t i = 0; i < picture.size(); ++i) {
            sum += picture[i];
            change += static_cast<std::uint64_t>(std::abs(static_cast<int>(picture[i]) - previousPicture[i]));
        }
        const Node* root = theDemo->world->root;
        std::fprintf(statsFile, "%llu %d %.4f %.4f %d %.4f %.4f %.4f\n", static_cast<unsigned long long>(frame), frameSwaps,
                     static_cast<double>(sum) / static_cast<double>(picture.size()),
                     static_cast<double>(change) / static_cast<double>(picture.size()), countTextNodes(root),
                     static_cast<double>(root->rotation.x), static_cast<double>(root->rotation.y),
                     static_cast<double>(root->rotation.z));
    }
    if (!opt.frames.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06llu.png", static_cast<unsigned long long>(frame));
        if (!toolfiles::writePng(opt.frames + name, width, height, picture.data()))
            return fail("could not write the frames into " + opt.frames);
    }
    if (ffmpeg && std::fwrite(picture.data(), 1, picture.size(), ffmpeg) != picture.size())
        return fail("ffmpeg stopped taking pictures");
    return true;
}

void Capture::progress(const SongPosition& pos, std::uint64_t frame, bool done) {
    if (opt.quiet) return;
    // The song's last cue is order 28: measure the way there.
    const int percent = done ? 100 : std::min(99, (pos.order * 64 + pos.row) * 100 / (28 * 64));
    if (percent == lastShownPercent && !done) return;
    lastShownPercent = percent;
    constexpr int barWidth = 40;
    const int filled = percent * barWidth / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%  order %2d row %2d  frame %llu", filled,
                 "########################################", barWidth - filled, "", percent, pos.order, pos.row,
                 static_cast<unsigned long long>(frame));
    if (done) std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Replaces the message loop: window messages first, as there, then one frame on virtual time.
void Capture::loop() {
    if (!songPlaying) {
        fail("the song \"sound/velastr.xm\" could not be played from " + opt.data + ": the show has no cues to follow");
        return;
    }
    if (!device) {
        fail("the audio output did not open");
        return;
    }
    const std::uint32_t startMs = clock.value();
    const std::uint64_t lastFrame = static_cast<std::uint64_t>(opt.maxSeconds) * static_cast<std::uint64_t>(opt.fps);
    bool stretchStarted = false;
    SongPosition pos;
    std::uint64_t frame = 0;
    for (;; ++frame) {
        platform::WindowMessage m;
        while (platform::peekMessage(m)) {
            if (m.message == platform::msg::Quit) {
                fail("the window was closed");
                return;
            }
            platform::translateMessage(m);
            platform::dispatchMessage(m);
        }
        if (frame > lastFrame) {
            fail("the song never reached its final cue within " + std::to_string(opt.maxSeconds) + " seconds");
            break;
        }
        // Frame n is shown at n/fps seconds: whole milliseconds on the clock, exact frames on the device.
        const auto ms = static_cast<std::uint32_t>(frame * 1000 / static_cast<std::uint64_t>(opt.fps));
        clock.set(startMs + ms);
        feedAudio(frame * static_cast<std::uint64_t>(mixRate) / static_cast<std::uint64_t>(opt.fps));

        const int swapsBefore = swaps;
        const auto t0 = std::chrono::steady_clock::now();
        const bool goOn = theDemo->frameStep();
        const auto t1 = std::chrono::steady_clock::now();
        const double renderMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        pos = theDemo->music->position();

        if (!stretchStarted && pos.order >= opt.fromOrder) {
            stretchStarted = true;
            audioStart = frame * static_cast<std::uint64_t>(mixRate) / static_cast<std::uint64_t>(opt.fps);
        }
        if (stretchStarted && opt.toOrder >= 0 && pos.order > opt.toOrder) break;
        if (stretchStarted && !writeFrame(frame, ms, pos, renderMs, swaps - swapsBefore)) break;
        previousPicture = picture;
        progress(pos, frame, false);
        if (!goOn) {
            ++frame;  // the sound runs to the end of the last frame's time on screen
            break;
        }
    }
    // The device has played on into the block now sounding; that part is still in the ring.
    const std::uint64_t endFrame = frame * static_cast<std::uint64_t>(mixRate) / static_cast<std::uint64_t>(opt.fps);
    for (std::int32_t b = writeBlockIndex(); consumedFrames < endFrame; b = b + 1 == blockCount ? 0 : b + 1) {
        const std::uint64_t n = std::min<std::uint64_t>(blockFrames, endFrame - consumedFrames);
        if (const std::int16_t* block = ringBlock(b)) takeAudio(block, consumedFrames, n);
        consumedFrames += n;
    }
    progress(pos, frame, true);
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        usage();
        return 2;
    }
    Capture capture(*options);
    return capture.run();
}
