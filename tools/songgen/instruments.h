// The instruments, synthesised from the recipes in instruments.cpp.  Numbers are the
// instrument numbers the patterns use (1-based, as a tracker shows them).
#pragma once

#include <vector>

#include "song.h"

namespace songgen {

enum InstrumentNumber : std::uint8_t {
    kKick = 1,
    kSnare,
    kHatClosed,
    kHatOpen,
    kCrash,
    kTom,
    kBass,
    kPad,
    kStrings,
    kLead,
    kPluck,
    kBell,
    kStab,
    kRiser,
    kInstrumentCount = kRiser
};

std::vector<Instrument> buildInstruments();

}  // namespace songgen
