#include "music/music_player.h"

// The module loader and the output thread are not built yet: no song can load, so the
// demo runs silently with the position at (0, 0, 0), exactly as with a missing song file.
void MusicPlayer::installFileCallbacks() {}

bool MusicPlayer::load(const std::string&) { return false; }

bool MusicPlayer::play() { return module != nullptr; }

SongPosition MusicPlayer::position() const { return SongPosition{}; }
