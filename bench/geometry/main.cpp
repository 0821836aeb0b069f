// Per-frame cost of the heaviest geometry the scenes build: the 8000-slot star pool at its
// steady state (about 4000 live sprites), and the 128 x 128 terrain drawn in immediate mode.
// Prints milliseconds per frame; run with SDL_VIDEODRIVER=offscreen on a headless machine.
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/timer.h"
#include "engine/display.h"
#include "engine/material.h"
#include "geometry/generators.h"
#include "geometry/particles.h"
#include "platform/gl_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, int frames) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
}

// A 128 x 128 24-bit BMP of gentle slopes.
std::string writeTerrain() {
    const int w = 128, h = 128, stride = w * 3;
    std::vector<std::uint8_t> f(54 + static_cast<std::size_t>(stride * h));
    auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    f[26] = 1;
    f[28] = 24;
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) f[54 + static_cast<std::size_t>(i * stride + j * 3 + 2)] = static_cast<std::uint8_t>((i + j) & 255);
    const auto path = (std::filesystem::temp_directory_path() / "velastria_bench_terrain.bmp").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    return path;
}

}  // namespace

int main() {
    platform::OffscreenContext gl(640, 480);
    if (!gl.ok()) {
        std::fprintf(stderr, "no OpenGL context\n");
        return 1;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.05, 0.05, -0.04, 0.04, 0.1, 200.0);
    glMatrixMode(GL_MODELVIEW);

    Timer timer;
    timer.delta = 0.02f;
    auto* white = new Material;
    white->mode = Material::ColorMode;
    RenderList list(nullptr);

    auto* stars = new ParticleSystem(8000, new ParticleRenderer(white, 1.4f, false));
    auto* emitter = new PointEmitter(Vec3(0, 0, -160), Vec3(50, 40, 0.05f), Vec3(0, 0, 40), Vec3(0, 0, 2), 10, 0.2f, 400);
    stars->addEmitter(emitter);
    for (int i = 0; i < 600; ++i) stars->update(&timer);  // 12 s: the pool is at its steady state

    const int frames = 200;
    auto start = Clock::now();
    for (int i = 0; i < frames; ++i) stars->update(&timer);
    const double updateMs = msSince(start, frames);

    start = Clock::now();
    for (int i = 0; i < frames / 4; ++i) {
        glLoadIdentity();
        stars->renderer->draw(&list);
    }
    glFinish();
    const double drawMs = msSince(start, frames / 4);

    const std::string terrainFile = writeTerrain();
    MeshNode* terrain = makeHeightMap(white, terrainFile, 30, 0.25f);
    std::filesystem::remove(terrainFile);
    start = Clock::now();
    for (int i = 0; i < frames / 4; ++i) {
        glLoadIdentity();
        glTranslatef(-63.5f, -20, -120);
        terrain->meshes.front()->draw(&list);
    }
    glFinish();
    const double terrainMs = msSince(start, frames / 4);

    std::printf("star pool: %d live of %d; update %.3f ms/frame, draw %.3f ms/frame\n", stars->liveCount,
                stars->capacity, updateMs, drawMs);
    std::printf("terrain 128x128: %u indices, draw %.3f ms/frame\n", terrain->meshes.front()->indexCount, terrainMs);
    return 0;
}
