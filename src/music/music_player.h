// The demo's one way into the music subsystem: load the song, start it, and read the
// position of the block being heard.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct Module;

struct SongPosition {
    std::int32_t order = 0;
    std::int32_t row = 0;
    std::int32_t timeMs = 0;
};

class MusicPlayer {
public:
    MusicPlayer() = default;

    void installFileCallbacks();
    bool load(const std::string& fileName);
    bool play();
    SongPosition position() const;

    // Test seam: when set, position() answers from it instead of the playing song, so the
    // scenes can be driven through any script of orders and rows.  Empty restores the song.
    void setPositionSource(std::function<SongPosition()> source) { positionSource = std::move(source); }

    Module* module = nullptr;

private:
    std::function<SongPosition()> positionSource;
};
