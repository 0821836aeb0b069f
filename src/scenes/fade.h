// Fade rules shared by several scenes.  The alpha is never clamped on purpose: the time it
// takes to come back into the visible range is part of the timing the music was written for.
#pragma once

#include <cstdint>

#include "engine/material.h"

// Fade in over rows 0-3, clear from row 4, fade out from row 60 (title and landscape).
inline void fadeAtPatternEdges(Material* fade, std::int32_t row, float dt) {
    if (row < 4)
        fade->color.a -= 2.0f * dt;
    else if (row < 60)
        fade->color.a = 0.0f;
    else
        fade->color.a += 2.0f * dt;
}
