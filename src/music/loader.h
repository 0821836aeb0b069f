// Turns an extended-module file into a Module.  Every byte comes through the installed
// file callbacks; nothing in the file is trusted.
#pragma once

#include "music/module.h"

// Null when the file cannot be opened or its structure is unusable.  The result is owned
// by the caller and released with freeModule.
Module* loadModule(const char* fileName, SampleDataProvider provider = {});
// The same parse over bytes already in memory (tools and tests).
Module* loadModuleFromMemory(const std::uint8_t* bytes, std::size_t size, SampleDataProvider provider = {});
// False for null; otherwise stops playback of this module and frees it.
bool freeModule(Module* module);

// Largest song file accepted: far above any real module, small enough to hold in memory.
inline constexpr std::size_t maxModuleFileBytes = 256u << 20;
