// Test pictures for the buttons: 32 x 32 glyphs drawn in code, a white
// diagonal cross on red and a white tick on green, each with a black shadow
// along the lower-right edges of its strokes.
#pragma once

#include <cstdlib>

#include "controls/fc_bitmap.h"
#include "toolkit/colour.h"

namespace qx::test {

inline constexpr TColor kCrossSurround = rgbColor(0xFF, 0x00, 0x00);
inline constexpr TColor kTickSurround = rgbColor(0x00, 0xA6, 0x00);

// strokes(x, y) tells where the white strokes are; the shadow is every
// pixel right of or below a stroke pixel that is not a stroke itself.
template <class Strokes>
TfcPixels drawGlyph(TColor surround, Strokes strokes)
{
    TfcPixels g(32, 32, surround);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (strokes(x, y))
                g.at(x, y) = clWhite;
            else if ((x > 0 && strokes(x - 1, y)) || (y > 0 && strokes(x, y - 1)))
                g.at(x, y) = clBlack;
        }
    return g;
}

inline TfcPixels crossGlyph()
{
    return drawGlyph(kCrossSurround, [](int x, int y) {
        const bool inside = x >= 5 && x <= 25 && y >= 5 && y <= 25;
        return inside && (std::abs(x - y) <= 2 || std::abs(x + y - 30) <= 2);
    });
}

inline TfcPixels tickGlyph()
{
    return drawGlyph(kTickSurround, [](int x, int y) {
        const bool shortArm = x >= 4 && x <= 12 && std::abs((y - 14) - (x - 4)) <= 2;
        const bool longArm = x >= 12 && x <= 27 && std::abs((y - 22) + (x - 12)) <= 2;
        return shortArm || longArm;
    });
}

}  // namespace qx::test
