#pragma once

#include "platform/gui/Color.h"

namespace qv {

// The resolved colours one paint works with; re-derived whenever the scheme or a colour changes.
struct ButtonPalette
{
    Rgb faceColor = 0;
    Rgb lightColor = 0;
    Rgb highlightColor = 0;
    Rgb shadowColor = 0;
    Rgb darkShadowColor = 0;
    Rgb textColor = 0;
    Rgb textOverColor = 0;
    Rgb accentColor = 0;
    Rgb accentFillColor = 0;
    Rgb maskRgb = 0;
    Rgb tintColor = 0;

    bool operator==(const ButtonPalette&) const = default;
};

} // namespace qv
