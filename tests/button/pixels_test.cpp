// Glyph frames, the disabled look and the region scan, on small pictures.
#include <gtest/gtest.h>

#include "controls/fc_bitmap.h"

namespace qx {

void PrintTo(const TRect& r, std::ostream* os);

namespace {

TEST(GlyphFrames, IndexByStateAndFrameCount)
{
    struct Case { bool enabled, down, over; int frames; int want; };
    const Case cases[] = {
        {true, false, false, 4, 0},
        {false, false, false, 1, 0},  // one frame: embossed instead
        {false, false, false, 2, 1},
        {false, true, true, 4, 1},    // disabled wins
        {true, true, false, 2, 0},
        {true, true, false, 3, 2},
        {true, true, true, 4, 2},     // down wins over the cursor
        {true, false, true, 3, 0},
        {true, false, true, 4, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlyphFrameIndex(c.enabled, c.down, c.over, c.frames), c.want)
            << c.enabled << c.down << c.over << " frames " << c.frames;
}

TEST(GlyphFrames, CutsTheFrameAndDropsTheFourthByte)
{
    TfcPixels g(6, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            g.at(x, y) = 0xFF000000u | static_cast<std::uint32_t>(x * 16 + y);
    const TfcPixels f = GlyphFrame(g, 2, 2);
    ASSERT_EQ(f.width, 2);
    ASSERT_EQ(f.height, 2);
    EXPECT_EQ(f.at(0, 0), 64u);
    EXPECT_EQ(f.at(1, 1), 81u);
}

TEST(GlyphFrames, EmbossedShowsOnlyPureBlack)
{
    const std::uint32_t W = 0xFFFFFF, K = 0, R = 0x0000FF, N = 0x010000;  // N: almost black
    TfcPixels g(4, 3);
    g.px = {R, K, W, N,
            R, K, W, R,
            R, R, R, K | 0xAB000000u};  // the fourth byte does not count
    const std::uint32_t face = 0xC0C0C0, hi = 0xFFFFFE, sh = 0x808080;
    const TfcPixels e = EmbossedFrame(g, face, hi, sh);
    const std::vector<std::uint32_t> want = {face, sh, face, face,
                                             face, sh, hi, face,
                                             face, face, hi, sh};
    EXPECT_EQ(e.px, want);
}

TEST(GlyphFrames, TransparentColourIsTheBottomLeftPixel)
{
    TfcPixels g(3, 2, 0x00A600);
    g.at(0, 1) = 0xFF0000FF;
    EXPECT_EQ(TransparentColorOf(g), 0x0000FFu);
}

TEST(RegionScan, RunsOfNonKeyPixels)
{
    const std::uint32_t K = 0xFF0000, F = 0x0000FF;
    TfcPixels img(5, 3, F);
    img.at(0, 1) = K;
    img.at(2, 1) = K;
    img.at(4, 2) = K | 0x12000000u;
    const std::vector<TRect> want = {{0, 0, 5, 1}, {1, 1, 2, 2}, {3, 1, 5, 2}, {0, 2, 4, 3}};
    EXPECT_EQ(RegionRuns(img, K), want);
    EXPECT_TRUE(RegionRuns(TfcPixels(5, 3, K), K).empty());
    EXPECT_TRUE(RegionRuns(TfcPixels(0, 3), K).empty());
}

}  // namespace
}  // namespace qx
