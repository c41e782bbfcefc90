#pragma once

#include <cstdint>

namespace qv {

// How the width pass sizes a panel. Stored as a plain 32-bit value; other values are kept as they
// are and leave the width alone.
enum class AutoSizeMode : std::int32_t {
    NoAutoSize = 0, // the panel's MinWidth
    Spring = 1, // a share of the width the other panels leave
    Contents = 2, // picture and caption
};

} // namespace qv
