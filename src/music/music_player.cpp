#include "music/music_player.h"

#include <cstdio>

#include "music/audio_output.h"
#include "music/file_access.h"
#include "music/loader.h"
#include "platform/file_path.h"

namespace {

void* fileOpen(const char* name) { return std::fopen(platform::nativePath(name).c_str(), "rb"); }
void fileClose(void* handle) { std::fclose(static_cast<std::FILE*>(handle)); }
std::int32_t fileRead(void* destination, std::int32_t bytes, void* handle) {
    if (bytes <= 0) return 0;
    return static_cast<std::int32_t>(std::fread(destination, 1, static_cast<std::size_t>(bytes), static_cast<std::FILE*>(handle)));
}
void fileSeek(void* handle, std::int32_t offset, std::int8_t mode) {
    const int whence = mode == 1 ? SEEK_CUR : mode == 2 ? SEEK_END : SEEK_SET;
    std::fseek(static_cast<std::FILE*>(handle), offset, whence);
}
std::int32_t fileTell(void* handle) { return static_cast<std::int32_t>(std::ftell(static_cast<std::FILE*>(handle))); }

}  // namespace

void MusicPlayer::installFileCallbacks() { setFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell); }

// The player has no destructor behaviour: the demo never destroys it, and its song plays
// until the process ends.
//
// A previously loaded song is kept: the demo loads once, and a module that may still be
// playing must not be freed under the audio thread.
bool MusicPlayer::load(const std::string& fileName) {
    module = loadModule(fileName.c_str());
    return module != nullptr;
}

bool MusicPlayer::play() { return module != nullptr && startPlayback(module); }

SongPosition MusicPlayer::position() const {
    if (positionSource) return positionSource();
    const PositionEntry now = playingPosition(module);
    return SongPosition{now.order, now.row, now.timeMs};
}
