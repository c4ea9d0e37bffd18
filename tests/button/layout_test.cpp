// Content layout, outline and bevel rules of the shaped button, without a window.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "controls/fc_button.h"
#include "controls/fc_shape_btn.h"

namespace qx {

void PrintTo(const TRect& r, std::ostream* os)
{
    *os << r.left << "," << r.top << " - " << r.right << "," << r.bottom;
}

namespace {

TfcContentLayoutInput Button(int w, int h, int tw, int th)
{
    TfcContentLayoutInput in;
    in.width = w;
    in.height = h;
    in.glyphWidth = 32;
    in.glyphHeight = 32;
    in.numGlyphs = 1;
    in.captionEmpty = false;
    in.textWidth = tw;
    in.textHeight = th;
    return in;
}

struct LayoutCase {
    const char* name;
    TfcContentLayoutInput in;
    TRect glyph;
    TRect caption;
};

TEST(LayoutContent, PlacesGlyphAndCaption)
{
    std::vector<LayoutCase> cases;
    // The close button (153 x 57, caption 40 x 23) and the OK button
    // (113 x 49, caption 17 x 19) of the dialogs.
    cases.push_back({"close released", Button(153, 57, 40, 23), {38, 12, 70, 44}, {74, 17, 114, 40}});
    {
        auto in = Button(153, 57, 40, 23);
        in.down = true;
        cases.push_back({"close pressed", in, {39, 13, 71, 45}, {75, 18, 115, 41}});
    }
    cases.push_back({"ok released", Button(113, 49, 17, 19), {30, 8, 62, 40}, {66, 15, 83, 34}});
    {
        auto in = Button(113, 49, 17, 19);
        in.down = true;
        cases.push_back({"ok pressed", in, {31, 9, 63, 41}, {67, 16, 84, 35}});
    }
    {
        // No glyph: the gap becomes (0 - 6) / 2 = -3, so the caption starts
        // at Cx - 21, one pixel left of exact centring.
        auto in = Button(153, 57, 40, 23);
        in.glyphWidth = in.glyphHeight = 0;
        cases.push_back({"no glyph", in, {58, 28, 58, 28}, {55, 17, 95, 40}});
    }
    {
        // Empty caption: no spacing, the glyph alone is centred.
        auto in = Button(153, 57, 0, 0);
        in.captionEmpty = true;
        cases.push_back({"empty caption", in, {60, 12, 92, 44}, {92, 28, 92, 28}});
    }
    {
        // Four frames side by side: one frame wide.
        auto in = Button(153, 57, 40, 23);
        in.glyphWidth = 128;
        in.numGlyphs = 4;
        cases.push_back({"four frames", in, {38, 12, 70, 44}, {74, 17, 114, 40}});
    }
    {
        auto in = Button(153, 57, 40, 23);
        in.layout = TfcButtonLayout::blGlyphRight;
        cases.push_back({"glyph right", in, {82, 12, 114, 44}, {38, 17, 78, 40}});
    }
    {
        auto in = Button(153, 57, 40, 23);
        in.layout = TfcButtonLayout::blGlyphTop;
        cases.push_back({"glyph top", in, {60, -2, 92, 30}, {56, 34, 96, 57}});
    }
    {
        auto in = Button(153, 57, 40, 23);
        in.layout = TfcButtonLayout::blGlyphBottom;
        cases.push_back({"glyph bottom", in, {60, 25, 92, 57}, {56, -2, 96, 21}});
    }
    {
        // Left aligned content keeps the default margin of 4 from the edge.
        auto in = Button(153, 57, 40, 23);
        in.alignment = TAlignment::taLeftJustify;
        cases.push_back({"left justify", in, {4, 12, 36, 44}, {40, 17, 80, 40}});
    }
    {
        auto in = Button(153, 57, 40, 23);
        in.alignment = TAlignment::taRightJustify;
        in.margin = 10;
        cases.push_back({"right justify margin 10", in, {67, 12, 99, 44}, {103, 17, 143, 40}});
    }
    {
        auto in = Button(153, 57, 40, 23);
        in.offsets.GlyphX = 3;
        in.offsets.GlyphY = -2;
        in.offsets.TextX = -1;
        in.offsets.TextY = 5;
        in.offsets.TextDownX = 2;
        in.offsets.TextDownY = 0;
        in.down = true;
        cases.push_back({"offsets", in, {43, 10, 75, 42}, {75, 22, 115, 45}});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TfcContentRects r = LayoutContent(c.in);
        EXPECT_EQ(r.GlyphRect, c.glyph);
        EXPECT_EQ(r.CaptionRect, c.caption);
    }
}

TEST(LayoutContent, CaptionWiderThanButtonIsCutToClientArea)
{
    const TfcContentRects r = LayoutContent(Button(113, 49, 150, 60));
    EXPECT_EQ(r.CaptionRect, (TRect{-1, -6, 149, 54}));
    EXPECT_EQ(r.GlyphRect, (TRect{-37, 8, -5, 40}));
    EXPECT_EQ(ClampToClient(r.CaptionRect, 113, 49), (TRect{0, 0, 113, 49}));
    EXPECT_EQ(ClampToClient(TRect{10, 5, 40, 20}, 113, 49), (TRect{10, 5, 40, 20}));
}

TEST(GlyphFrames, WidthAndCount)
{
    EXPECT_EQ(GlyphFrameWidth(32, 1), 32);
    EXPECT_EQ(GlyphFrameWidth(96, 3), 32);
    EXPECT_EQ(GlyphFrameWidth(100, 3), 33);
    EXPECT_EQ(GlyphFrameWidth(32, 0), 32);
    EXPECT_EQ(ClampNumGlyphs(0), 1);  // what the dialogs' layouts store
    EXPECT_EQ(ClampNumGlyphs(7), 4);
    EXPECT_EQ(ClampNumGlyphs(2), 2);
}

TEST(Accelerator, SingleAmpersandMarksTheNextCharacter)
{
    EXPECT_EQ(CaptionAccelerator("&Yes"), 'Y');
    EXPECT_EQ(CaptionAccelerator("Save &as"), 'a');
    EXPECT_EQ(CaptionAccelerator("Fish && &Chips"), 'C');
    EXPECT_EQ(CaptionAccelerator("Fish && Chips"), 0);
    EXPECT_EQ(CaptionAccelerator("trailing &"), 0);
    EXPECT_EQ(CaptionAccelerator("\xb9\xd8\xb1\xd5"), 0);  // "关闭" (close), GBK
}

TEST(ShapePoints, RectangleIsClosedAndTheSameInEveryOrientation)
{
    const std::vector<TPoint> want{{0, 0}, {152, 0}, {152, 56}, {0, 56}, {0, 0}};
    for (auto o : {TfcShapeOrientation::soUp, TfcShapeOrientation::soLeft, TfcShapeOrientation::soRight,
                   TfcShapeOrientation::soDown})
        EXPECT_EQ(GetShapePoints(TfcButtonShape::bsRect, o, 153, 57), want);
    EXPECT_TRUE(IsRoundShape(TfcButtonShape::bsRoundRect));
    EXPECT_TRUE(IsRoundShape(TfcButtonShape::bsEllipse));
    EXPECT_FALSE(IsRoundShape(TfcButtonShape::bsRect));
}

// A software picture of what the platform draws for a rectangle button:
// the polygon filled in the face colour and outlined with the one-pixel pen,
// then the bevel lines (each sets its start and every pixel up to, not
// including, its end).
enum Px { Key, Face, Dither, Light3D, Highlight, Shadow, Black, Focus };

struct Canvas {
    int w, h;
    std::vector<Px> px;
    Canvas(int w_, int h_) : w(w_), h(h_), px(static_cast<std::size_t>(w_ * h_), Key) {}
    Px& at(int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; }
    void set(int x, int y, Px c)
    {
        if (x >= 0 && y >= 0 && x < w && y < h)
            at(x, y) = c;
    }
    void line(TPoint a, TPoint b, Px c)
    {
        ASSERT_TRUE(a.x == b.x || a.y == b.y) << "the rectangle has axis-parallel lines only";
        const int sx = (b.x > a.x) - (b.x < a.x), sy = (b.y > a.y) - (b.y < a.y);
        for (TPoint p = a; !(p == b); p.x += sx, p.y += sy)
            set(p.x, p.y, c);
    }
};

Px ToPx(TfcBevelColor c)
{
    switch (c) {
    case TfcBevelColor::Btn3DLight: return Light3D;
    case TfcBevelColor::BtnHighlight: return Highlight;
    case TfcBevelColor::BtnShadow: return Shadow;
    case TfcBevelColor::BtnBlack: return Black;
    case TfcBevelColor::BtnFocus: return Focus;
    }
    return Key;
}

Canvas PaintRect(int w, int h, bool pressed, int k)
{
    Canvas cv(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            cv.at(x, y) = (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? Dither : Face;
    const auto pts = GetShapePoints(TfcButtonShape::bsRect, TfcShapeOrientation::soUp, w, h);
    // The polygon region leaves out the right and bottom edges.
    const auto contains = [w, h](int x, int y) { return x >= 0 && y >= 0 && x <= w - 2 && y <= h - 2; };
    for (const auto& l : BevelLines(pts, contains, pressed, k))
        cv.line(l.from, l.to, ToPx(l.color));
    return cv;
}

// The released look of a w x h rectangle, row by row as the table lists it.
Px Released(int x, int y, int w, int h)
{
    if (y == 0 && x <= w - 2) return Highlight;
    if (x == 0 && y >= 1) return Highlight;
    if (x == w - 1) return Black;
    if (y == h - 1) return Black;
    if (y == 1 && x >= 1 && x <= w - 3) return Light3D;
    if (x == 1 && y >= 2 && y <= h - 2) return Light3D;
    if (x == w - 2 && y >= 1 && y <= h - 3) return Shadow;
    if (y == h - 2 && x >= 2 && x <= w - 2) return Shadow;
    return Face;
}

Px Expected(int x, int y, int w, int h, bool pressed, int k)
{
    Px p;
    if (k == 1) {
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
            return Focus;
        p = Released(x - 1, y - 1, w - 2, h - 2);
    } else {
        p = Released(x, y, w, h);
    }
    if (pressed) {
        static const std::map<Px, Px> swap{{Highlight, Black}, {Black, Highlight}, {Light3D, Shadow},
                                           {Shadow, Light3D}, {Face, Face}};
        p = swap.at(p);
    }
    return p;
}

TEST(Bevel, RectangleEdgesPointInward)
{
    const auto pts = GetShapePoints(TfcButtonShape::bsRect, TfcShapeOrientation::soUp, 153, 57);
    const auto contains = [](int x, int y) { return x >= 0 && y >= 0 && x <= 151 && y <= 55; };
    const auto edges = BevelEdges(pts, contains);
    ASSERT_EQ(edges.size(), 4u);
    const bool inside[] = {true, false, false, true};
    const TPoint offset[] = {{-1, 1}, {-1, -1}, {-1, -1}, {1, -1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(edges[i].inside, inside[i]);
        EXPECT_EQ(edges[i].offset, offset[i]);
    }
}

TEST(Bevel, RectanglePixelsInEveryState)
{
    struct Size { int w, h; };
    for (Size s : {Size{153, 57}, Size{113, 49}, Size{8, 6}}) {
        for (bool pressed : {false, true}) {
            for (int k : {0, 1}) {
                SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " pressed " << pressed << " k " << k);
                Canvas cv = PaintRect(s.w, s.h, pressed, k);
                int wrong = 0;
                for (int y = 0; y < s.h; ++y)
                    for (int x = 0; x < s.w; ++x) {
                        const Px want = Expected(x, y, s.w, s.h, pressed, k);
                        if (cv.at(x, y) != want && ++wrong <= 5)
                            ADD_FAILURE() << "pixel " << x << "," << y << " is " << cv.at(x, y) << ", want " << want;
                        EXPECT_NE(cv.at(x, y), Dither);
                        EXPECT_NE(cv.at(x, y), Key);
                    }
            }
        }
    }
}

TEST(Bevel, EdgeCasePixelsOfTheCloseButton)
{
    Canvas up = PaintRect(153, 57, false, 0);
    EXPECT_EQ(up.at(0, 0), Highlight);
    EXPECT_EQ(up.at(151, 0), Highlight);
    EXPECT_EQ(up.at(152, 0), Black);
    EXPECT_EQ(up.at(1, 1), Light3D);
    EXPECT_EQ(up.at(151, 1), Shadow);
    EXPECT_EQ(up.at(0, 56), Highlight);
    EXPECT_EQ(up.at(1, 55), Light3D);
    EXPECT_EQ(up.at(2, 55), Shadow);
    EXPECT_EQ(up.at(2, 2), Face);
    Canvas down = PaintRect(153, 57, true, 0);
    EXPECT_EQ(down.at(0, 0), Black);
    EXPECT_EQ(down.at(152, 56), Highlight);
    EXPECT_EQ(down.at(1, 1), Shadow);
    Canvas def = PaintRect(153, 57, false, 1);
    EXPECT_EQ(def.at(0, 0), Focus);
    EXPECT_EQ(def.at(1, 1), Highlight);
    EXPECT_EQ(def.at(2, 2), Light3D);
}

TEST(Colors, KeyColorIsNeverADrawnColour)
{
    struct Case { const char* name; std::uint32_t face, outline, key; };
    const Case cases[] = {
        {"red face, white outline", 0x000000FF, 0x00FFFFFF, 0x00FF0000},
        {"green face, white outline", 0x00009300, 0x00FFFFFF, 0x000000FF},
        {"blue face keeps the red key", 0x00FF0000, 0x00FFFFFF, 0x000000FF},
        {"red outline on grey", 0x00C0C0C0, 0x000000FF, 0x00FF0000},
        {"red face, blue outline", 0x000000FF, 0x00FF0000, 0x0000FF00},
        {"blue face, red outline", 0x00FF0000, 0x000000FF, 0x0000FF00},
        {"the top byte is not looked at", 0x020000FF, 0x020000FF, 0x00FF0000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyColorFor(c.face, c.outline), c.key) << c.name;
}

TEST(Colors, FaceColorAfterTheProbe)
{
    EXPECT_TRUE(FaceProbePasses(0x00C0C0C0));
    EXPECT_FALSE(FaceProbePasses(0x00C8C0C0));
    EXPECT_FALSE(FaceProbePasses(0x00FFFFFF));
    struct Case { std::uint32_t in; bool passed; std::uint32_t out; };
    const Case cases[] = {
        {0x00C0C0C0, true, 0x00C0C0C0},
        {0x00C0C0C0, false, 0x00BFBFBF},
        {0x000000FF, false, 0x000000FF},  // the dialogs' red
        {0x00009300, false, 0x00009300},  // and green are left alone
        {0x00081000, false, 0x00070F00},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdjustFaceColor(c.in, c.passed), c.out) << std::hex << c.in << " " << c.passed;
}

}  // namespace
}  // namespace qx
