#include "controls/fc_bitmap.h"

namespace qx {

int GlyphFrameIndex(bool enabled, bool down, bool mouseOver, int numGlyphs)
{
    if (!enabled && numGlyphs >= 2)
        return 1;
    if (down && numGlyphs >= 3)
        return 2;
    if (mouseOver && numGlyphs == 4)
        return 3;
    return 0;
}

TfcPixels GlyphFrame(const TfcPixels& glyph, int f, int frameWidth)
{
    TfcPixels out(frameWidth, glyph.height);
    if (out.empty())
        return out;
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < frameWidth; ++x) {
            const int sx = f * frameWidth + x;
            out.at(x, y) = sx < glyph.width ? glyph.at(sx, y) & 0x00FFFFFF : 0;
        }
    return out;
}

TfcPixels EmbossedFrame(const TfcPixels& frame, std::uint32_t face, std::uint32_t highlight,
                        std::uint32_t shadow)
{
    TfcPixels out(frame.width, frame.height, face);
    const auto black = [&](int x, int y) { return (frame.at(x, y) & 0x00FFFFFF) == 0; };
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (black(x, y) && x + 1 < frame.width && y + 1 < frame.height)
                out.at(x + 1, y + 1) = highlight;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (black(x, y))
                out.at(x, y) = shadow;
    return out;
}

std::uint32_t TransparentColorOf(const TfcPixels& frame)
{
    return frame.empty() ? 0 : frame.at(0, frame.height - 1) & 0x00FFFFFF;
}

std::vector<TRect> RegionRuns(const TfcPixels& image, std::uint32_t keyColor)
{
    std::vector<TRect> runs;
    if (image.empty())
        return runs;
    keyColor &= 0x00FFFFFF;
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            while (x < image.width && (image.at(x, y) & 0x00FFFFFF) == keyColor)
                ++x;
            const int x0 = x;
            while (x < image.width && (image.at(x, y) & 0x00FFFFFF) != keyColor)
                ++x;
            if (x > x0)
                runs.push_back({x0, y, x, y + 1});
        }
    }
    return runs;
}

}  // namespace qx
