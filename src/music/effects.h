// The volume-column and effect commands, applied by the player on the first tick of a row
// and on each later tick.
#pragma once

#include <cstdint>

#include "music/module.h"
#include "music/player.h"

// The channel's values before the row touched them (for the note delay).
struct RememberedChannel {
    std::int32_t period = 0;
    std::int32_t volume = 0;
    std::int32_t panning = 0;
};

void volumeColumnFirstTick(Channel& channel, std::uint8_t command);
void volumeColumnLaterTick(Channel& channel, std::uint8_t command);
void effectFirstTick(Module& module, Channel& channel, const NoteCell& cell, const Instrument& instrument,
                     Sample& sample, const RememberedChannel& remembered, bool& rowJumped);
void effectLaterTick(Module& module, Channel& channel, const NoteCell& cell, const Instrument& instrument,
                     Sample& sample);

// Shared steps.
void tonePortamento(Channel& channel);
void vibrato(Channel& channel);
void tremolo(Channel& channel);
void tremor(Channel& channel);
void volumeSlide(Channel& channel);
