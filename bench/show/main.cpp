// The whole show, headless, frame by frame: start-up to the first frame, each scene's
// enter, per-scene frame times, and the audio mixing cost per second of music.
//
// Time is virtual (the millisecond clock and the audio device's play position advance by
// exactly one frame per pass), so every run walks the same frames whatever the machine
// load; only the measurements are real.  The audio step runs on its own thread, as in the
// program, but in lock-step with the frames; its processor time is taken with the thread's
// own clock.  Each frame is closed with glFinish so that the driver's deferred rasterising
// is counted in the frame that caused it.
//
// Usage: show_bench DEMO_DIR [--fps N] [--start-ns T0] [--scenes FILE] [--frame-log FILE]
//                  [--surface WxH] [--no-framebuffers]
//   --start-ns: CLOCK_REALTIME in ns taken by the caller just before starting the process,
//               so that start-up includes loading the program.
//   --scenes:   writes "name begin_ns end_ns" (CLOCK_MONOTONIC) per scene, for profilers.
//   --frame-log: writes "frame scene ms" per frame drawn, frame n being the pass whose
//               clock and song stand at n/fps seconds (the capture tool's frame n).
//   --surface:  draws into a hidden surface of that size instead of the 640x480 window, the
//               picture scaled to fit as on a screen of that size.
//   --no-framebuffers: with --surface, hides the framebuffer-object extensions, so the
//               picture is drawn at the surface's resolution through the viewport.
#include <GL/gl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/demo.h"
#include "app/window.h"
#include "music/audio_output.h"
#include "music/module.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/gl_context.h"
#include "scenes/credits_scene.h"
#include "scenes/first_scene.h"
#include "scenes/glass_cube_scene.h"
#include "scenes/landscape_scene.h"
#include "scenes/spirograph_scene.h"
#include "scenes/starfield_scene.h"
#include "scenes/title_scene.h"

namespace {

double nowNs(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}
double monoMs() { return nowNs(CLOCK_MONOTONIC) * 1e-6; }
double threadCpuMs() { return nowNs(CLOCK_THREAD_CPUTIME_ID) * 1e-6; }
double processCpuMs() { return nowNs(CLOCK_PROCESS_CPUTIME_ID) * 1e-6; }

const char* sceneName(Scene* s) {
    if (!s) return "none";
    if (dynamic_cast<TitleScene*>(s)) return "title";
    if (dynamic_cast<LandscapeScene*>(s)) return "landscape";
    if (dynamic_cast<StarfieldScene*>(s)) return "starfield";
    if (dynamic_cast<GlassCubeScene*>(s)) return "glasscube";
    if (dynamic_cast<SpirographScene*>(s)) return "spirograph";
    if (dynamic_cast<CreditsScene*>(s)) return "credits";
    return "other";
}

// Runs audioThreadStep on request on a thread of its own, and sums its processor time.
class AudioWorker {
public:
    AudioWorker() : thread([this] { run(); }) {}
    ~AudioWorker() {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        thread.join();
    }
    void step() {
        std::unique_lock lock(mutex);
        pending = true;
        wake.notify_all();
        done.wait(lock, [this] { return !pending; });
    }
    double cpuMs = 0;

private:
    void run() {
        pthread_setname_np(pthread_self(), "show-audio");
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return pending || quit; });
            if (quit) return;
            const double t = threadCpuMs();
            audioThreadStep();
            cpuMs += threadCpuMs() - t;
            pending = false;
            done.notify_all();
        }
    }
    std::mutex mutex;
    std::condition_variable wake, done;
    bool pending = false, quit = false;
    std::thread thread;
};

struct SceneStats {
    std::string name;
    double enterMs = 0;
    std::vector<double> frameMs;    // wall time of frameStep + glFinish
    std::vector<double> mainCpuMs;  // the main thread's processor time of the same
    std::vector<double> processCpuMs;  // all threads' (the rasteriser's included): little moved by machine load
    double beginNs = 0, endNs = 0;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    const double mainEntryMs = monoMs();
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: show_bench DEMO_DIR [--fps N] [--start-ns T0] [--scenes FILE] [--frame-log FILE]\n"
                     "                  [--surface WxH] [--no-framebuffers]\n");
        return 2;
    }
    int fps = 60;
    double startRealNs = 0;
    std::string scenesFile;
    std::string frameLogFile;
    int surfaceWidth = 0, surfaceHeight = 0;
    bool framebuffers = true;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-framebuffers")) {
            framebuffers = false;
            continue;
        }
        if (i + 1 >= argc) break;
        if (!std::strcmp(argv[i], "--fps")) fps = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--start-ns")) startRealNs = std::atof(argv[i + 1]);
        if (!std::strcmp(argv[i], "--scenes")) scenesFile = argv[i + 1];
        if (!std::strcmp(argv[i], "--frame-log")) frameLogFile = argv[i + 1];
        if (!std::strcmp(argv[i], "--surface") && std::sscanf(argv[i + 1], "%dx%d", &surfaceWidth, &surfaceHeight) != 2) {
            std::fprintf(stderr, "--surface wants WxH\n");
            return 2;
        }
        ++i;
    }
    // Opened before moving into the demo folder, so that a relative name means the caller's folder.
    std::FILE* frameLog = nullptr;
    if (!frameLogFile.empty() && !(frameLog = std::fopen(frameLogFile.c_str(), "w"))) {
        std::perror(frameLogFile.c_str());
        return 1;
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }

    platform::VirtualClock clock{1000};
    platform::setClockSource(clock.source());
    platform::VirtualAudioDevice* device = nullptr;
    platform::setAudioDeviceFactory([&device] {
        auto d = std::make_unique<platform::VirtualAudioDevice>();
        device = d.get();
        return d;
    });

    // The program's own start-up order, with the manual audio drive in place of the thread.
    std::map<std::string, double> startup;
    double t = monoMs();
    theDemo = new Demo;
    startup["demo"] = monoMs() - t;
    t = monoMs();
    std::unique_ptr<platform::OffscreenContext> surface;
    if (surfaceWidth > 0) {
        // Full screen as the program shows it on a screen of that size; nothing to present to.
        surface = std::make_unique<platform::OffscreenContext>(surfaceWidth, surfaceHeight);
        if (!surface->ok()) return 1;
        WindowState& ws = windowState();
        ws.fullscreen = true;
        ws.surfaceWidth = surfaceWidth;
        ws.surfaceHeight = surfaceHeight;
        if (!framebuffers)
            platform::hideGlNames({"GL_ARB_framebuffer_object", "GL_EXT_framebuffer_object", "glBlitFramebuffer",
                                   "glBlitFramebufferEXT"});
    } else if (!openWindow("Marn", 640, 480, 32, ScreenMode::Window)) {
        return 1;
    }
    startup["window"] = monoMs() - t;
    t = monoMs();
    theDemo->display->init();
    startup["display init"] = monoMs() - t;
    t = monoMs();
    theDemo->music->installFileCallbacks();
    if (!theDemo->music->load("sound\\velastr.xm")) {
        std::fprintf(stderr, "the song does not load\n");
        return 1;
    }
    startup["song load"] = monoMs() - t;
    t = monoMs();
    if (!startPlaybackManual(theDemo->music->module) || !device) return 1;
    startup["song start (ring priming)"] = monoMs() - t;
    Scene* first = makeFirstScene();
    theDemo->setPendingScene(first);
    theDemo->timer->start();

    AudioWorker audio;
    std::vector<SceneStats> scenes;
    long frame = 0;
    double firstFrameDoneMs = 0;
    bool firstFrameDone = false;
    for (;;) {
        ++frame;
        clock.set(1000 + static_cast<std::uint32_t>(frame * 1000 / fps));
        device->position = static_cast<std::uint32_t>(frame * mixRate / fps * 4);
        audio.step();

        double enterMs = -1;
        if (theDemo->pendingScene) {
            // Promoted here rather than inside frameStep, so that enter is timed alone.
            Scene* next = theDemo->pendingScene;
            theDemo->pendingScene = nullptr;
            theDemo->currentScene = next;
            const double e = monoMs();
            next->enter();
            enterMs = monoMs() - e;
            SceneStats s;
            s.name = sceneName(next);
            s.enterMs = enterMs;
            s.beginNs = nowNs(CLOCK_MONOTONIC);
            if (!scenes.empty()) scenes.back().endNs = s.beginNs;
            scenes.push_back(std::move(s));
        }
        const double w = monoMs(), c = threadCpuMs(), pc = processCpuMs();
        const bool goOn = theDemo->frameStep();
        glFinish();
        const double wall = monoMs() - w, cpu = threadCpuMs() - c, processCpu = processCpuMs() - pc;
        if (!firstFrameDone) {
            firstFrameDone = true;
            firstFrameDoneMs = monoMs();
        }
        if (!goOn) break;
        // A pass that only queued the next scene draws nothing; it is not a frame.
        if (theDemo->pendingScene) continue;
        if (!scenes.empty()) {
            scenes.back().frameMs.push_back(wall);
            scenes.back().mainCpuMs.push_back(cpu);
            scenes.back().processCpuMs.push_back(processCpu);
            if (frameLog) std::fprintf(frameLog, "%ld %s %.3f\n", frame, scenes.back().name.c_str(), wall);
        }
        if (frame > 60L * 60 * fps) break;  // far beyond the song's end
    }
    if (!scenes.empty()) scenes.back().endNs = nowNs(CLOCK_MONOTONIC);

    const double musicSeconds = static_cast<double>(frame) / fps;
    std::printf("# start-up (ms)\n");
    for (const auto& [k, v] : startup) std::printf("startup\t%s\t%.1f\n", k.c_str(), v);
    std::printf("startup\tmain() to first frame finished\t%.1f\n", firstFrameDoneMs - mainEntryMs);
    if (startRealNs > 0) {
        const double processMs = (nowNs(CLOCK_REALTIME) - startRealNs) * 1e-6 - (monoMs() - firstFrameDoneMs);
        std::printf("startup\tprocess start to first frame finished\t%.1f\n", processMs);
    }
    if (frameLog) std::fclose(frameLog);
    std::printf(
        "# scenes: name enter_ms frames median_ms p95_ms max_ms median_main_cpu_ms mean_ms mean_process_cpu_ms\n");
    const auto mean = [](const std::vector<double>& v) {
        double total = 0;
        for (double x : v) total += x;
        return v.empty() ? 0.0 : total / static_cast<double>(v.size());
    };
    for (const auto& s : scenes)
        std::printf("scene\t%s\t%.1f\t%zu\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n", s.name.c_str(), s.enterMs,
                    s.frameMs.size(), percentile(s.frameMs, 0.5), percentile(s.frameMs, 0.95),
                    percentile(s.frameMs, 1.0), percentile(s.mainCpuMs, 0.5), mean(s.frameMs), mean(s.processCpuMs));
    std::vector<double> all;
    double sum = 0, processSum = 0;
    for (const auto& sc : scenes) {
        all.insert(all.end(), sc.frameMs.begin(), sc.frameMs.end());
        for (double v : sc.frameMs) sum += v;
        for (double v : sc.processCpuMs) processSum += v;
    }
    const double n = all.empty() ? 1.0 : static_cast<double>(all.size());
    std::printf("# the whole show: frames mean_ms median_ms mean_process_cpu_ms\n");
    std::printf("show\t%zu\t%.2f\t%.2f\t%.2f\n", all.size(), sum / n, percentile(all, 0.5), processSum / n);
    std::printf("# audio: CPU ms per second of music, over %.1f s\n", musicSeconds);
    std::printf("audio\t%.3f\n", audio.cpuMs / musicSeconds);
    if (!scenesFile.empty()) {
        if (std::FILE* f = std::fopen(scenesFile.c_str(), "w")) {
            for (const auto& s : scenes) std::fprintf(f, "%s %.0f %.0f\n", s.name.c_str(), s.beginNs, s.endNs);
            std::fclose(f);
        }
    }
    std::fflush(stdout);
    // Like the program, nothing is torn down: the process simply ends.
    std::_Exit(0);
}
