#pragma once

#include <QFont>

namespace qv::AppFonts {

// The window's fonts at 8.25 pt, given in pixels (11 at 96 DPI) so the fixed layout holds on any
// screen. Tahoma is taken from the system, else from the Wine fonts package's Tahoma clone;
// Verdana falls back to DejaVu Sans.
QFont tahoma(bool bold = false);
QFont verdana();

// True when a real Tahoma family (system or clone) is available.
bool hasTahoma();

} // namespace qv::AppFonts
