#include "controls/button/ButtonColors.h"

#include <algorithm>

namespace qv {

Rgb TranslateColor(OleColor colour)
{
    return translateColor(colour);
}

Rgb ShiftColor(Rgb colour, int value, bool blueWeighted, bool softBevel)
{
    if (softBevel)
        value /= 2;
    int r = redOf(colour) + value;
    int g = greenOf(colour) + value;
    int b = blueOf(colour);
    b += blueWeighted ? (b * value) / 192 : value;
    if (value > 0) {
        r = std::min(r, 255);
        g = std::min(g, 255);
        b = std::min(b, 255);
    } else if (value < 0) {
        r = std::max(r, 0);
        g = std::max(g, 0);
        b = std::max(b, 0);
    }
    return rgb(r, g, b);
}

Rgb BlendToWhite(Rgb colour, int base)
{
    auto lift = [base](int c) { return std::min(base + ((255 - base) * c) / 255, 255); };
    return rgb(lift(redOf(colour)), lift(greenOf(colour)), lift(blueOf(colour)));
}

} // namespace qv
