// Small songs written with the XM writer and loaded through the real loader, for the
// music tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/xm_writer.h"

namespace xmtest {

struct ModuleDeleter {
    void operator()(Module* m) const { freeModule(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<std::uint8_t>& bytes);
ModulePtr load(const XmSong& song);

// An 8-bit or 16-bit sample of `length` samples all at `value` (a flat line is easy to
// follow through the mixer).
XmSample flatSample(std::size_t length, std::int16_t value, bool sixteenBit = true);
// One instrument mapping every note to its first sample.
XmInstrument instrumentWith(XmSample sample);
// A song of `channels` channels whose order table plays the given patterns (text form,
// see xm_writer.h) in turn, with one looping flat instrument.
XmSong songFromText(int channels, const std::vector<std::string>& patterns);

std::vector<std::uint8_t> readFile(const std::string& path);
std::vector<std::string> sharedSongs();  // paths of every song in the shared folder

}  // namespace xmtest

#include "music/mixer.h"
#include "music/player.h"

namespace xmtest {

// A loaded song with the player started on it, stepped tick by tick.
struct PlayerRun {
    explicit PlayerRun(const XmSong& song) : module(load(song)) {
        if (module) {
            mixerReset();
            playerStart(*module);
        }
    }
    void tick(int n = 1) {
        while (n-- > 0) module->tickHandler(*module);
    }
    Channel& channel(int k = 0) { return channels()[static_cast<std::size_t>(k)]; }
    ModulePtr module;
};

// `rows` lines of empty cells for `channels` channels, with `lines` replacing rows by index.
std::string patternText(int channels, int rows, const std::vector<std::pair<int, std::string>>& lines);

}  // namespace xmtest
