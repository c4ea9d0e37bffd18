#include "controls/fc_text.h"

#include <gtest/gtest.h>

#include "label/fake_canvas.h"

namespace qx {
namespace {

using test::FakeCanvas;
using Lines = std::vector<std::string_view>;

TEST(CaptionTextLines, SplitOnlyAtCrLf) {
    const struct {
        std::string_view text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"abc", {"abc"}},
        {"ab\r\ncd", {"ab", "cd"}},
        {"ab\r\n", {"ab", ""}},
        {"\r\n", {"", ""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\nc", {"a\rb\nc"}},
        {"a\n\r\nb", {"a\n", "b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(TfcCaptionText::splitLines(c.text), c.lines) << c.text;
}

TEST(CaptionTextLines, AcceleratorMarksAreStripped) {
    const struct {
        std::string_view text, shown;
    } cases[] = {
        {"&File", "File"}, {"a&&b", "a&b"}, {"&&&x", "&x"}, {"x&", "x"}, {"&&&&", "&&"}, {"no marks", "no marks"},
    };
    for (const auto& c : cases) EXPECT_EQ(TfcCaptionText::stripAccelerators(c.text), c.shown) << c.text;
}

TEST(CaptionTextMeasure, BlockIsWidestLineAndHeightsPlusSpacing) {
    const struct {
        std::string text;
        unsigned options;
        int lineSpacing;
        TSize size;
    } cases[] = {
        {"", toShowAccel, 5, {0, 0}},
        {"abc", toShowAccel, 5, {30, 20}},
        {"ab\r\nabcd", toShowAccel, 5, {40, 45}},
        {"abcd\r\nab\r\nabc", toShowAccel, 5, {40, 70}},
        {"ab\r\n", toShowAccel, 5, {20, 45}},   // trailing CR LF: an empty last line
        {"ab\r\n", toShowAccel, 0, {20, 40}},
        {"&File", toShowAccel, 5, {40, 20}},    // the mark takes no room
        {"a&&b", toShowAccel, 5, {30, 20}},     // "&&" shows one "&"
        {"&File", 0, 5, {50, 20}},              // without accelerators every "&" shows
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        t.setText(c.text);
        t.setOptions(c.options);
        t.setLineSpacing(c.lineSpacing);
        FakeCanvas canvas;
        EXPECT_EQ(t.textExtent(canvas), c.size) << c.text;
    }
}

TEST(CaptionTextMeasure, WrappedLinesAreMeasuredInTheBoxWidth) {
    const struct {
        std::string text;
        TSize size;
    } cases[] = {
        {"abcdefghij", {50, 40}},
        {"abc\r\nabcdefghijkl", {50, 85}},
        // Stripped to "a&bcd" before measuring: the remaining "&" is text.
        {"a&&bcd", {50, 20}},
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        t.setWordWrap(true);
        t.setText(c.text);
        t.setTextRect({0, 0, 50, 100});
        FakeCanvas canvas;
        EXPECT_EQ(t.textExtent(canvas), c.size) << c.text;
    }
}

TEST(CaptionTextMeasure, DrawRectIsCentredAndKeptInsideTheBoxCorner) {
    const struct {
        TRect box;
        std::string text;
        bool clip;
        TRect expected;
    } cases[] = {
        {{0, 0, 100, 50}, "abc", true, {35, 15, 65, 35}},
        {{10, 20, 111, 71}, "abc", true, {45, 35, 75, 55}},   // odd box: 50 - 15
        {{0, 0, 20, 50}, "abcd", true, {0, 15, 20, 35}},      // too wide: from the left edge, cut
        {{0, 0, 20, 50}, "abcd", false, {0, 15, 40, 35}},     // not cut: runs over the right
        {{0, 0, 100, 10}, "ab\r\nc", true, {40, 0, 60, 10}},  // too tall: from the top edge
        {{0, 0, 100, 10}, "ab\r\nc", false, {40, 0, 60, 45}},
        {{5, 5, 5, 5}, "", true, {5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        t.setText(c.text);
        t.setTextRect(c.box);
        FakeCanvas canvas;
        EXPECT_EQ(t.calcDrawRect(canvas, c.clip), c.expected) << c.text;
    }
}

TEST(CaptionTextMeasure, CalcRectReleasesItsFont) {
    TfcCaptionText t;
    TFont f;
    f.name = "Tahoma";
    f.height = -19;
    f.bold = true;
    t.setFont(f);
    t.setText("abc");
    FakeCanvas canvas;
    t.calcRect(canvas, false);
    EXPECT_EQ(canvas.fontsMade, 1);
    EXPECT_EQ(canvas.fontDepth, 0);
    EXPECT_EQ(canvas.fonts.at(0).height, -19);
    EXPECT_EQ(canvas.fonts.at(0).weight, 700);
}

TEST(CaptionTextFont, DescriptionFollowsTheFont) {
    const struct {
        TFont font;
        int rotation;
        int weight, charset, outPrecision, escapement;
        std::string face;
    } cases[] = {
        {{"Tahoma", -19, true, false, false, false, 0, clBlack}, 0, 700, 0, 4, 0, "Tahoma"},
        {{"Tahoma", -16, false, false, false, false, 1, clBlack}, 0, 400, 0, 4, 0, "Tahoma"},
        {{"SimSun", 12, false, false, false, false, 134, clBlack}, 0, 400, 134, 4, 0, "SimSun"},
        {{"Tahoma", -19, false, false, false, false, 0, clBlack}, 90, 400, 0, 7, 900, "Tahoma"},
        {{std::string(40, 'x'), -19, false, false, false, false, 0, clBlack}, 0, 400, 0, 4, 0, std::string(31, 'x')},
    };
    for (const auto& c : cases) {
        FontDescription d = describeFont(c.font, c.rotation);
        EXPECT_EQ(d.height, c.font.height);
        EXPECT_EQ(d.width, 0);
        EXPECT_EQ(d.weight, c.weight);
        EXPECT_EQ(d.charset, c.charset);
        EXPECT_EQ(d.outPrecision, c.outPrecision);
        EXPECT_EQ(d.escapement, c.escapement);
        EXPECT_EQ(d.orientation, c.escapement);
        EXPECT_EQ(d.quality, 2);
        EXPECT_EQ(d.pitchAndFamily, 2);
        EXPECT_EQ(d.clipPrecision, 0);
        EXPECT_EQ(d.faceName, c.face);
    }
    TFont styled;
    styled.italic = styled.underline = styled.strikeOut = true;
    FontDescription d = describeFont(styled);
    EXPECT_TRUE(d.italic && d.underline && d.strikeOut);
}

struct Pass {
    std::string line;
    int left, top;
    TColor colour;
    bool operator==(const Pass&) const = default;
};

std::vector<Pass> passes(const FakeCanvas& canvas) {
    std::vector<Pass> out;
    for (const auto& d : canvas.drawn) out.push_back({d.line, d.rect.left, d.rect.top, d.colour});
    return out;
}

void PrintTo(const Pass& p, std::ostream* os) { *os << p.line << "@" << p.left << "," << p.top << "#" << p.colour; }

TEST(CaptionTextDraw, EmbossedPassesDrawLightUpLeftDarkDownRightThenFace) {
    const TColor face = clBlack;
    const struct {
        const char* name;
        TfcLabelStyle style;
        TColor highlight, shade;
        std::vector<Pass> expected;
    } cases[] = {
        {"raised", TfcLabelStyle::fclsRaised, clBtnHighlight, clBtnShadow,
         {{"ab", -1, -1, clBtnHighlight}, {"cd", -1, 24, clBtnHighlight},
          {"ab", 1, 1, clBtnShadow}, {"cd", 1, 26, clBtnShadow},
          {"ab", 0, 0, face}, {"cd", 0, 25, face}}},
        {"lowered", TfcLabelStyle::fclsLowered, clBtnHighlight, clBtnShadow,
         {{"ab", -1, -1, clBtnShadow}, {"cd", -1, 24, clBtnShadow},
          {"ab", 1, 1, clBtnHighlight}, {"cd", 1, 26, clBtnHighlight},
          {"ab", 0, 0, face}, {"cd", 0, 25, face}}},
        {"raised without highlight", TfcLabelStyle::fclsRaised, clNone, clBtnShadow,
         {{"ab", 1, 1, clBtnShadow}, {"cd", 1, 26, clBtnShadow}, {"ab", 0, 0, face}, {"cd", 0, 25, face}}},
        {"raised without shade", TfcLabelStyle::fclsRaised, clRed, clNone,
         {{"ab", -1, -1, clRed}, {"cd", -1, 24, clRed}, {"ab", 0, 0, face}, {"cd", 0, 25, face}}},
        {"plain", TfcLabelStyle::fclsDefault, clBtnHighlight, clBtnShadow, {{"ab", 0, 0, face}, {"cd", 0, 25, face}}},
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        TFont f;
        f.color = face;
        t.setFont(f);
        t.setStyle(c.style);
        t.setHighlightColor(c.highlight);
        t.setShadeColor(c.shade);
        t.setText("ab\r\ncd");
        t.setTextRect({0, 0, 200, 100});
        FakeCanvas canvas;
        t.draw(canvas);
        EXPECT_EQ(passes(canvas), c.expected) << c.name;
        EXPECT_EQ(t.textRect(), (TRect{0, 0, 20, 45})) << c.name;
        EXPECT_EQ(canvas.fontDepth, 0) << c.name;
    }
}

TEST(CaptionTextDraw, AlignmentShrinksTheBoxAndSetsTheFlags) {
    // "ab" over "cdef": a block of 40 x 45 in the box 10, 10 - 210, 110.
    const struct {
        TAlignment align;
        TVerticalAlignment valign;
        TRect box, drawRect;
        unsigned alignFlags;
    } cases[] = {
        {TAlignment::taLeftJustify, TVerticalAlignment::vaTop, {10, 10, 50, 55}, {10, 10, 50, 55}, 0},
        {TAlignment::taRightJustify, TVerticalAlignment::vaTop, {170, 10, 210, 55}, {170, 10, 210, 55}, dtRight},
        {TAlignment::taCenter, TVerticalAlignment::vaTop, {10, 10, 210, 55}, {90, 10, 130, 55}, dtCenter},
        {TAlignment::taLeftJustify, TVerticalAlignment::vaBottom, {10, 65, 50, 110}, {10, 65, 50, 110}, 0},
        {TAlignment::taCenter, TVerticalAlignment::vaVCenter, {10, 10, 210, 110}, {90, 38, 130, 83}, dtCenter},
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        t.setAlignment(c.align);
        t.setVAlignment(c.valign);
        t.setText("ab\r\ncdef");
        t.setTextRect({10, 10, 210, 110});
        FakeCanvas canvas;
        t.draw(canvas);
        EXPECT_EQ(t.textRect(), c.box);
        EXPECT_EQ(t.drawRect(), c.drawRect);
        EXPECT_EQ(t.drawFlags() & (dtCenter | dtRight), c.alignFlags);
        ASSERT_EQ(canvas.drawn.size(), 2u);
        EXPECT_EQ(canvas.drawn[0].rect, c.drawRect);
        EXPECT_EQ(canvas.drawn[1].rect.top, c.drawRect.top + 25);
        EXPECT_EQ(canvas.drawn[0].flags & (dtCenter | dtRight), c.alignFlags);
    }
}

TEST(CaptionTextDraw, EmptyTextDrawsNothing) {
    TfcCaptionText t;
    t.setStyle(TfcLabelStyle::fclsRaised);
    t.setTextRect({0, 0, 50, 50});
    FakeCanvas canvas;
    t.draw(canvas);
    EXPECT_TRUE(canvas.drawn.empty());
    EXPECT_EQ(canvas.fontDepth, 0);
}

TEST(CaptionTextDraw, AcceleratorsAreLeftToThePlatformWhenDrawing) {
    TfcCaptionText t;
    t.setText("&Close");
    t.setTextRect({0, 0, 100, 30});
    FakeCanvas canvas;
    t.draw(canvas);
    ASSERT_EQ(canvas.drawn.size(), 1u);
    EXPECT_EQ(canvas.drawn[0].line, "&Close");
    EXPECT_EQ(canvas.drawn[0].flags & dtNoPrefix, 0u);
    EXPECT_EQ(t.textRect().width(), 50);

    t.setOptions(0);
    FakeCanvas plain;
    t.draw(plain);
    EXPECT_NE(plain.drawn.at(0).flags & dtNoPrefix, 0u);
}

TEST(CaptionTextDraw, WrappedLinesMoveDownByTheirWrappedHeight) {
    TfcCaptionText t;
    t.setWordWrap(true);
    t.setText("abcdefghij\r\nxy");
    t.setTextRect({0, 0, 50, 200});
    FakeCanvas canvas;
    t.draw(canvas);
    ASSERT_EQ(canvas.drawn.size(), 2u);
    EXPECT_NE(canvas.drawn[0].flags & dtWordBreak, 0u);
    EXPECT_EQ(canvas.drawn[1].rect.top, 40 + 5);
}

TEST(CaptionTextSettings, ChangesNotifyTheOwner) {
    const struct {
        const char* name;
        std::function<void(TfcCaptionText&)> set;
        int repaints, sizeChanges;
    } cases[] = {
        {"alignment", [](TfcCaptionText& t) { t.setAlignment(TAlignment::taCenter); }, 1, 0},
        {"same alignment", [](TfcCaptionText& t) { t.setAlignment(TAlignment::taLeftJustify); }, 0, 0},
        {"valignment", [](TfcCaptionText& t) { t.setVAlignment(TVerticalAlignment::vaBottom); }, 1, 0},
        {"word wrap", [](TfcCaptionText& t) { t.setWordWrap(true); }, 1, 0},
        {"highlight", [](TfcCaptionText& t) { t.setHighlightColor(clNone); }, 1, 0},
        {"same shade", [](TfcCaptionText& t) { t.setShadeColor(clBtnShadow); }, 0, 0},
        {"outline colour", [](TfcCaptionText& t) { t.setOutlineColor(clRed); }, 1, 0},
        {"line spacing", [](TfcCaptionText& t) { t.setLineSpacing(2); }, 1, 1},
        {"same line spacing", [](TfcCaptionText& t) { t.setLineSpacing(5); }, 0, 0},
        {"options", [](TfcCaptionText& t) { t.setOptions(0); }, 1, 1},
        {"style", [](TfcCaptionText& t) { t.setStyle(TfcLabelStyle::fclsRaised); }, 1, 1},
        {"same rotation", [](TfcCaptionText& t) { t.setRotation(0); }, 1, 1},
    };
    for (const auto& c : cases) {
        TfcCaptionText t;
        int repaints = 0, sizeChanges = 0;
        t.setOwnerCallbacks({[&] { ++repaints; }, [&] { ++sizeChanges; }, [] { return true; }});
        c.set(t);
        EXPECT_EQ(repaints, c.repaints) << c.name;
        EXPECT_EQ(sizeChanges, c.sizeChanges) << c.name;
    }
}

TEST(CaptionTextSettings, FlagsFollowTheSettings) {
    TfcCaptionText t;
    EXPECT_EQ(t.drawFlags(), dtNoClip);
    t.setWordWrap(true);
    t.setOptions(toShowEllipsis);
    EXPECT_EQ(t.drawFlags(), dtNoClip | dtWordBreak | dtNoPrefix | dtEndEllipsis);
    t.setWordWrap(false);
    t.setOptions(toShowAccel);
    EXPECT_EQ(t.drawFlags(), dtNoClip);
}

TEST(LabelAutoSize, BoundsKeepTheLeftOrRightEdge) {
    const struct {
        TAlignment align;
        TRect current;
        TSize measured;
        TRect expected;
    } cases[] = {
        {TAlignment::taLeftJustify, {11, 10, 76, 27}, {80, 23}, {11, 10, 91, 33}},
        {TAlignment::taCenter, {11, 10, 76, 27}, {80, 23}, {11, 10, 91, 33}},
        {TAlignment::taRightJustify, {11, 10, 76, 27}, {80, 23}, {-4, 10, 76, 33}},
        {TAlignment::taRightJustify, {100, 10, 200, 30}, {0, 0}, {200, 10, 200, 10}},
        {TAlignment::taLeftJustify, {8, 8, 73, 25}, {0, 0}, {8, 8, 8, 8}},
    };
    for (const auto& c : cases) EXPECT_EQ(autoSizeBounds(c.current, c.measured, c.align), c.expected);
}

}  // namespace
}  // namespace qx
