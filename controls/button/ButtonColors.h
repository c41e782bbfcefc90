#pragma once

#include "platform/gui/Color.h"

namespace qv {

// A stored colour value (possibly a system-colour code) as RGB.
Rgb TranslateColor(OleColor colour);

// Moves every component by value (blue by a share of its own size when blueWeighted), clamping in
// the direction of the move. softBevel halves the move first.
Rgb ShiftColor(Rgb colour, int value, bool blueWeighted, bool softBevel);

// Lifts each component into the range base..255.
Rgb BlendToWhite(Rgb colour, int base);

} // namespace qv
