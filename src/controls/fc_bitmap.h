// Pixel pictures the button works with off screen: glyph frames and the scan
// that turns a drawn outline into window-region rectangles.
#pragma once

#include <cstdint>
#include <vector>

#include "controls/fc_button.h"

namespace qx {

// A picture of width x height pixels, rows from the top, each pixel a colour
// value 0x00BBGGRR (the fourth byte of a glyph's pixels is ignored).
struct TfcPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> px;

    TfcPixels() = default;
    TfcPixels(int w, int h, std::uint32_t fill = 0)
        : width(w), height(h), px(static_cast<std::size_t>(w > 0 && h > 0 ? w * h : 0), fill) {}
    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y * width + x)]; }
    std::uint32_t& at(int x, int y) { return px[static_cast<std::size_t>(y * width + x)]; }
};

// Which frame of a glyph of numGlyphs frames shows: 1 disabled, 2 down,
// 3 cursor over, 0 normal, each only when the glyph has that many frames.
int GlyphFrameIndex(bool enabled, bool down, bool mouseOver, int numGlyphs);

// Frame f (frameWidth wide, the glyph's full height) cut out of the glyph.
TfcPixels GlyphFrame(const TfcPixels& glyph, int f, int frameWidth);

// The disabled look of a one-frame glyph: its pure black pixels drawn in the
// shadow colour over a copy one pixel right and down in the highlight
// colour, everything else in the face colour. Colours are RGB 0x00BBGGRR.
TfcPixels EmbossedFrame(const TfcPixels& frame, std::uint32_t face, std::uint32_t highlight,
                        std::uint32_t shadow);

// The colour left out when a frame is drawn: its bottom-left pixel.
std::uint32_t TransparentColorOf(const TfcPixels& frame);

// The runs of pixels that differ from the key colour, one rectangle per run
// and row, in row order. A picture without any gives none.
std::vector<TRect> RegionRuns(const TfcPixels& image, std::uint32_t keyColor);

}  // namespace qx
