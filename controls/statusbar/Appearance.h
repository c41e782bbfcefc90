#pragma once

#include <cstdint>

namespace qv {

// Values of the status bar's Apperance property (stored under that spelling). The property itself is a plain
// 32-bit integer: any other non-zero value draws like Shaded without the separators.
enum class Appearance : std::int32_t {
    Flat = 0,
    Shaded = 1,
};

} // namespace qv
