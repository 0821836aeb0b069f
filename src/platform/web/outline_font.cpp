#include "platform/outline_font.h"

namespace platform {

// A page has no font system: the site carries the one face the desktop's font system picks
// for the show's text, and every family asked for gets it.
std::unique_ptr<OutlineFont> OutlineFont::open(const std::string&, bool) { return openFile("fonts/outline.ttf", 0); }

}  // namespace platform
