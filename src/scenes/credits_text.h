// Names for the credits roll: the group's three members (lines 7, 10 and 13 of the roll) and
// the nineteen groups greeted (lines 22 to 40).  Plain ASCII so every outline font has them.
#pragma once

#include <array>

namespace credits {

inline constexpr std::array<const char*, 3> kMembers = {
    "mirlo",   // (gfx)
    "tesela",  // (code, gfx)
    "ozono",   // (code, msx)
};

inline constexpr std::array<const char*, 19> kGreetings = {
    "Lumen Drift",     "Cathode Saints",  "Pixel Ferrum",   "Northline",     "Brisa Digital",
    "Quasar Pulp",     "Tinta Azul",      "Vectorhaus",     "Moire Collective", "Kobalt Orchard",
    "Static Lanterns", "Ondanueva",       "Polychrome Fox", "Silverfin",     "Raster Monks",
    "Aurora Tape",     "Glitch Almanac",  "Copperline",     "Nebula Nueve",
};

}  // namespace credits
