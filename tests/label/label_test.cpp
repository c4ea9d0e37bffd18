// The raised-text label on a real window under Wine: its auto size against
// the platform's own text measurements, and its pixels read back from the
// screen.
#include "controls/fc_label_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include "controls/fc_text_win.h"
#include "toolkit/controls_win.h"
#include "toolkit/form_win.h"
#include "toolkit/graphics_win.h"
#include "toolkit/gui_helpers_win.h"

namespace qx {
namespace {

using test::ScreenCapture;

TFont tahoma(int height, bool bold, TColor colour = clBlack) {
    TFont f;
    f.name = "Tahoma";
    f.height = height;
    f.bold = bold;
    f.charset = 0;
    f.color = colour;
    return f;
}

// What the platform measures for one line: text extent, and the font's line
// height for an empty line.
TSize platformExtent(const TFont& font, const std::string& line) {
    unique_window_dc screen = getWindowDC(nullptr);
    unique_font f = createFont(font);
    SelectGuard sel(screen.get(), f.get());
    if (line.empty()) {
        TEXTMETRICA tm{};
        GetTextMetricsA(screen.get(), &tm);
        return {0, tm.tmHeight};
    }
    SIZE s{};
    GetTextExtentPoint32A(screen.get(), line.data(), static_cast<int>(line.size()), &s);
    return {s.cx, s.cy};
}

// A shown form with a teal panel to put labels on.
class LabelOnPanel : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>();
        form->setFont(tahoma(-19, true, clBlack));
        form->setClientSize(400, 200);
        form->setBounds(40, 40, 400, 200);
        panel = std::make_unique<TPanel>(form.get(), 0, 0, 400, 200);
        panel->setBevelOuter(TBevelCut::bvNone);
        panel->setColor(clTeal);
    }
    TfcLabel& label(int left = 11, int top = 10) {
        labels.push_back(std::make_unique<TfcLabel>(panel.get(), left, top));
        return *labels.back();
    }
    ScreenCapture capture(TfcLabel& l) {
        test::showAndPaint(form->handle());
        return ScreenCapture::ofClient(l.handle());
    }

    std::unique_ptr<TForm> form;
    std::unique_ptr<TPanel> panel;
    std::vector<std::unique_ptr<TfcLabel>> labels;
};

TEST_F(LabelOnPanel, AutoSizeMatchesThePlatformMeasure) {
    const TFont font = tahoma(-19, true);
    const TSize gong = platformExtent(font, "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0");  // "员工上班" (staff clock in)
    const TSize a = platformExtent(font, "Ab");
    const TSize wide = platformExtent(font, "Wider line");
    const TSize empty = platformExtent(font, "");
    const TSize amp = platformExtent(font, "&");
    const TSize x = platformExtent(font, "x");
    const TSize ampx = platformExtent(font, "a&b");
    std::printf("measured: \"\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0\" bold 19 px Tahoma %d x %d; empty line %d high\n",
                gong.cx, gong.cy, empty.cy);
    const struct {
        std::string caption;
        TSize size;
    } cases[] = {
        {"", {0, 0}},
        {"\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0", gong},
        {"Ab\r\nWider line", {wide.cx, a.cy + 5 + wide.cy}},
        {"Ab\r\n", {a.cx, a.cy + 5 + empty.cy}},
        {"&&", amp},
        {"&x", x},
        {"a&&b", ampx},
    };
    for (const auto& c : cases) {
        TfcLabel& l = label();
        l.textOptions().setStyle(TfcLabelStyle::fclsRaised);
        l.setCaption(c.caption);
        EXPECT_EQ(l.width(), c.size.cx) << c.caption;
        EXPECT_EQ(l.height(), c.size.cy) << c.caption;
        EXPECT_EQ(l.left(), 11);
        EXPECT_EQ(l.top(), 10);
    }
}

TEST_F(LabelOnPanel, AutoSizeKeepsTheLeftOrTheRightEdge) {
    const struct {
        TAlignment align;
        bool keepsRight;
    } cases[] = {{TAlignment::taLeftJustify, false}, {TAlignment::taRightJustify, true}, {TAlignment::taCenter, false}};
    for (const auto& c : cases) {
        TfcLabel& l = label(100, 20);
        l.textOptions().setAlignment(c.align);
        l.setCaption("short");
        const TRect before = l.bounds();
        l.setCaption("a much longer caption");
        const TRect after = l.bounds();
        EXPECT_GT(after.width(), before.width());
        if (c.keepsRight)
            EXPECT_EQ(after.right, before.right);
        else
            EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
    }
}

TEST_F(LabelOnPanel, RaisedTextHasLightUpLeftAndDarkDownRight) {
    const COLORREF face = RGB(0, 0, 0);
    const COLORREF teal = colorToRGB(clTeal);
    const COLORREF light = colorToRGB(clBtnHighlight);
    const COLORREF dark = colorToRGB(clBtnShadow);
    const struct {
        const char* name;
        TfcLabelStyle style;
        TColor highlight;
        COLORREF upLeft, downRight;
    } cases[] = {
        {"raised", TfcLabelStyle::fclsRaised, clBtnHighlight, light, dark},
        {"lowered", TfcLabelStyle::fclsLowered, clBtnHighlight, dark, light},
        {"raised without highlight", TfcLabelStyle::fclsRaised, clNone, teal, dark},
    };
    for (const auto& c : cases) {
        TfcLabel& l = label(20, 20 + 50 * static_cast<int>(labels.size()));
        l.setFont(tahoma(-32, true, clBlack));
        l.textOptions().setStyle(c.style);
        l.textOptions().setHighlightColor(c.highlight);
        l.setCaption("H");
        ScreenCapture cap = capture(l);
        // Text may be anti-aliased, but a bold "H" has straight strokes whose
        // corner pixels are pure. The first and the last face pixel in reading
        // order: the pixel up-left
        // of the first can only come from the up-left copy, the pixel
        // down-right of the last only from the down-right copy.
        int fx = -1, fy = -1, lx = -1, ly = -1;
        std::set<COLORREF> colours;
        for (int y = 0; y < cap.height(); ++y)
            for (int x = 0; x < cap.width(); ++x) {
                colours.insert(cap.pixel(x, y));
                if (cap.pixel(x, y) != face) continue;
                if (fx < 0) fx = x, fy = y;
                lx = x, ly = y;
            }
        ASSERT_GE(fx, 1) << c.name;
        ASSERT_GE(fy, 1) << c.name;
        ASSERT_LT(lx + 1, cap.width()) << c.name;
        ASSERT_LT(ly + 1, cap.height()) << c.name;
        EXPECT_EQ(cap.pixel(fx - 1, fy - 1), c.upLeft) << c.name;
        EXPECT_EQ(cap.pixel(lx + 1, ly + 1), c.downRight) << c.name;
        EXPECT_EQ(colours.count(light) > 0, c.highlight != clNone) << c.name;
        EXPECT_TRUE(colours.count(dark)) << c.name;
        EXPECT_TRUE(colours.count(teal)) << c.name;
    }
}

// Rows of the capture that hold face-coloured pixels.
std::set<int> inkRows(const ScreenCapture& cap, COLORREF face) {
    std::set<int> rows;
    for (int y = 0; y < cap.height(); ++y)
        for (int x = 0; x < cap.width(); ++x)
            if (cap.pixel(x, y) == face) rows.insert(y);
    return rows;
}

TEST_F(LabelOnPanel, AcceleratorIsUnderlinedAndDoubleAmpersandShowsOne) {
    TfcLabel& plain = label(20, 20);
    plain.setCaption("x");
    TfcLabel& accel = label(80, 20);
    accel.setCaption("&x");
    TfcLabel& amp = label(140, 20);
    amp.setCaption("&&");
    TfcLabel& ampPlain = label(200, 20);
    ampPlain.textOptions().setOptions(0);
    ampPlain.setCaption("&");
    EXPECT_EQ(accel.width(), plain.width());
    EXPECT_EQ(amp.width(), ampPlain.width());

    const COLORREF face = RGB(0, 0, 0);
    auto plainRows = inkRows(capture(plain), face);
    auto accelRows = inkRows(capture(accel), face);
    ASSERT_FALSE(plainRows.empty());
    // The underline adds ink below the letter.
    EXPECT_GT(*accelRows.rbegin(), *plainRows.rbegin());
    EXPECT_EQ(inkRows(capture(amp), face), inkRows(capture(ampPlain), face));
}

TEST_F(LabelOnPanel, EmptyCaptionDrawsNothing) {
    TfcLabel& l = label();
    l.setAutoSize(false);
    l.setBounds(10, 10, 50, 30);
    l.textOptions().setStyle(TfcLabelStyle::fclsRaised);
    l.setCaption("");
    ScreenCapture cap = capture(l);
    for (int y = 0; y < cap.height(); ++y)
        for (int x = 0; x < cap.width(); ++x) ASSERT_EQ(cap.pixel(x, y), colorToRGB(clTeal));
}

TEST_F(LabelOnPanel, WrappedFixedLabelBreaksLinesAtItsWidth) {
    TfcLabel& l = label(10, 10);
    l.setAutoSize(false);
    l.setBounds(10, 10, 120, 150);
    l.textOptions().setWordWrap(true);
    l.setFont(tahoma(-16, true, clWhite));
    l.setCaption("one two three four five six seven");
    ScreenCapture cap = capture(l);
    const int line = platformExtent(tahoma(-16, true), "one").cy;
    auto rows = inkRows(cap, RGB(255, 255, 255));
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(*rows.begin(), line);        // drawn from the top
    EXPECT_GT(*rows.rbegin(), 2 * line);   // and wrapped onto at least three lines
}

TEST_F(LabelOnPanel, LabelFollowsItsParentsColour) {
    TfcLabel& l = label();
    l.setCaption("Ab");
    ScreenCapture before = capture(l);
    EXPECT_EQ(before.pixel(0, 0), colorToRGB(clTeal));
    panel->setColor(clBlue);
    ScreenCapture after = capture(l);
    EXPECT_EQ(after.pixel(0, 0), colorToRGB(clBlue));
}

}  // namespace
}  // namespace qx
