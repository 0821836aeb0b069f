// Writes the demo's song, composed in composition.cpp, to <demo folder>/sound/velastr.xm.
//
//   songgen <demo folder>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "composition.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: songgen <demo folder>\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "sound";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "songgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bytes = songgen::writeXm(songgen::composeSong());
    const std::filesystem::path path = dir / "velastr.xm";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fclose(f.release()) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    std::printf("songgen: %zu bytes written to %s\n", bytes.size(), path.c_str());
    return 0;
}
