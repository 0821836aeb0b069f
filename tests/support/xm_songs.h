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
