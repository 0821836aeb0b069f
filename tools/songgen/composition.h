// The song of the demo, order by order (see composition.cpp).
#pragma once

#include "song.h"

namespace songgen {

Song composeSong();

}  // namespace songgen
