// Mixing throughput, and whole-song render speed (song seconds per processor second, one
// core; processor time keeps the figures steady on a shared machine)
// of every shared song beside two independent players on the same files:
// libopenmpt (linked, 44100 Hz, linear interpolation) and the xmp command-line player
// (null output, linear interpolation; its process start-up is included).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/audio_output.h"
#include "music/loader.h"
#include "music/mixer.h"
#include "music/player.h"

#ifdef VELASTRIA_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void mix32LoopingVoices(benchmark::State& state) {
    Sample s;
    s.length = 20000;
    s.loopMode = 2;
    s.loopStart = 1000;
    s.loopLength = 19000;
    s.bits = 16;
    s.data.resize(s.length + 8);
    for (std::size_t i = 0; i < s.data.size(); ++i) s.data[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    s.mixData.assign(s.data.begin(), s.data.end());  // as the loader prepares every sample
    mixerReset();
    for (int k = 0; k < 32; ++k) {
        Voice* v = voiceTrigger(&voices()[static_cast<std::size_t>(k)], &s);
        voiceSetVolume(v, 64 + k);
        voiceSetPanning(v, k * 8);
        voiceSetFrequency(v, 8000 + k * 1500);
    }
    std::vector<float> buffer(static_cast<std::size_t>(blockFrames) * 2);
    int pass = 0;
    for (auto _ : state) {
        // Every other block the volumes change, so half the blocks start with a ramp.
        if (++pass % 2 == 0)
            for (int k = 0; k < 32; ++k) voiceSetVolume(&voices()[static_cast<std::size_t>(k)], (pass + k) % 128);
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        mixVoices(buffer.data(), blockFrames);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * blockFrames);
    state.counters["voice_frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * blockFrames * 32,
                                                          benchmark::Counter::kIsRate);
}
BENCHMARK(mix32LoopingVoices);

// Our block mixer from start to song end (the same stop rule as xmrender).
void renderOurs(benchmark::State& state, std::string path) {
    const auto bytes = readFile(path);
    double seconds = 0;
    for (auto _ : state) {
        Module* m = loadModuleFromMemory(bytes.data(), bytes.size());
        if (!m || !startPlaybackOffline(m)) {
            state.SkipWithError("does not load");
            return;
        }
        long blocks = 0;
        const long limit = 20L * 60 * mixRate / blockFrames;
        while (blocks < limit) {
            mixBlock();
            if (m->songLooped) break;
            ++blocks;
        }
        seconds = static_cast<double>(blocks) * blockFrames / mixRate;
        freeModule(m);
    }
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}

#ifdef VELASTRIA_HAVE_OPENMPT
void renderOpenmpt(benchmark::State& state, std::string path) {
    const auto bytes = readFile(path);
    std::vector<float> buffer(static_cast<std::size_t>(blockFrames) * 2);
    double seconds = 0;
    for (auto _ : state) {
        openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                                 nullptr, nullptr, nullptr, nullptr);
        if (!mod) {
            state.SkipWithError("does not load");
            return;
        }
        openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
        openmpt_module_set_repeat_count(mod, 0);
        std::size_t frames = 0;
        for (;;) {
            const std::size_t got = openmpt_module_read_interleaved_float_stereo(mod, mixRate, blockFrames, buffer.data());
            frames += got;
            if (got == 0) break;
        }
        seconds = static_cast<double>(frames) / mixRate;
        openmpt_module_destroy(mod);
    }
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
#endif

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The song length is taken from our own render (the command-line player does not report it).
void renderXmp(benchmark::State& state, std::string path, double songSeconds) {
    const std::string command = "xmp --nocmd -q -d null -i linear -f 44100 '" + path + "' >/dev/null 2>&1";
    for (auto _ : state) {
        // The child's own processor time, as the in-process players are measured.
        const double before = childCpuSeconds();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xmp failed");
            return;
        }
        state.SetIterationTime(childCpuSeconds() - before);
    }
    state.counters["x_realtime"] = benchmark::Counter(songSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

double songSeconds(const std::string& path) {
    const auto bytes = readFile(path);
    Module* m = loadModuleFromMemory(bytes.data(), bytes.size());
    if (!m || !startPlaybackOffline(m)) return 0;
    long blocks = 0;
    while (blocks < 20L * 60 * mixRate / blockFrames) {
        mixBlock();
        if (m->songLooped) break;
        ++blocks;
    }
    freeModule(m);
    return static_cast<double>(blocks) * blockFrames / mixRate;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> songs;
    for (const auto& e : std::filesystem::directory_iterator(VELASTRIA_SHARED_XM_DIR))
        if (e.path().extension() == ".xm") songs.push_back(e.path().string());
    std::sort(songs.begin(), songs.end());
    // --song=PATH (repeatable) adds a song ahead of the shared ones, e.g. the demo's own.
    {
        std::vector<std::string> extra;
        int kept = 1;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg.rfind("--song=", 0) == 0)
                extra.push_back(arg.substr(7));
            else
                argv[kept++] = argv[i];
        }
        argc = kept;
        songs.insert(songs.begin(), extra.begin(), extra.end());
    }
    const bool haveXmp = std::system("command -v xmp >/dev/null 2>&1") == 0;
    for (const auto& path : songs) {
        const std::string name = std::filesystem::path(path).stem().string();
        benchmark::RegisterBenchmark(("render/" + name + "/ours").c_str(), renderOurs, path)
            ->Unit(benchmark::kMillisecond);
#ifdef VELASTRIA_HAVE_OPENMPT
        benchmark::RegisterBenchmark(("render/" + name + "/libopenmpt").c_str(), renderOpenmpt, path)
            ->Unit(benchmark::kMillisecond);
#endif
        if (haveXmp)
            benchmark::RegisterBenchmark(("render/" + name + "/xmp").c_str(), renderXmp, path, songSeconds(path))
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
