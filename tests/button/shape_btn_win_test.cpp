// The shaped button as a real window: its pixels in each state, its region,
// and the mouse and keyboard through the platform's input path.
#include "controls/fc_shape_btn_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "button/button_glyphs_win.h"
#include "toolkit/form_win.h"
#include "toolkit/graphics_win.h"
#include "toolkit/gui_helpers_win.h"

namespace qx {
namespace {

using test::pumpUntil;

constexpr TColor kGreenFace = 37632;  // RGB #009300

TFont captionFont(int height)
{
    TFont f;
    f.name = "Tahoma";
    f.height = height;
    f.bold = true;
    f.color = clWhite;
    f.charset = 0;
    return f;
}

// A plain edit box standing in for the dialog's card box.
class TestEdit : public TWindow {
public:
    explicit TestEdit(TWindow* parent) : TWindow(parent)
    {
        CreateParams p;
        p.className = "EDIT";
        p.style = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
        p.left = 10;
        p.top = 10;
        p.width = 150;
        p.height = 24;
        createSubclassedWindow(p);
    }
};

// A form with one button set up like the duty dialog's close button. Its
// modal result is 1 here, so that a click and a platform close request
// (which gives 2) can be told apart.
struct Dialog {
    TForm form;
    TfcShapeBtn button{&form};
    int clicks = 0;

    explicit Dialog(TColor face = clRed, const TfcPixels& glyph = test::crossGlyph(), int w = 153, int h = 57)
    {
        form.setColor(clTeal);
        form.setClientSize(420, 220);
        button.setBounds(130, 90, w, h);
        button.setColor(face);
        button.setDitherColor(clWhite);
        button.setFont(captionFont(-19));
        button.setCaption("\xb9\xd8\xb1\xd5");  // "关闭" (close)
        unique_bitmap bmp = createBitmapFromPixels(glyph);
        button.setGlyph(bmp.get());
        button.setNumGlyphs(0);
        button.setModalResult(1);
        button.setRoundRectBias(25);
        button.setParentClipping(true);
        button.loaded();
        button.onClick = [this] { ++clicks; };
    }
};

TfcPixels paint(TfcCustomBitBtn& button)
{
    TfcBitmap image;
    image.setSize(button.width(), button.height());
    button.PaintButton(image.dc());
    return image.pixels();
}

TfcPixels shapeOnly(TfcCustomShapeBtn& button, bool pressed)
{
    TfcBitmap image;
    button.DrawShape(image, false, pressed);
    return image.pixels();
}

// The bevel colours of the user's scheme, as the platform reports them.
struct Scheme {
    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF light = GetSysColor(COLOR_3DLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF black = RGB(0, 0, 0);
    COLORREF focus = RGB(0, 0, 0);
};

// The colour of a ring pixel of a w x h rectangle button, or nothing for
// the face inside the rings.
std::optional<COLORREF> ringColour(int x, int y, int w, int h, bool pressed, int k, const Scheme& s)
{
    if (k == 1) {
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
            return s.focus;
        return ringColour(x - 1, y - 1, w - 2, h - 2, pressed, 0, s);
    }
    const COLORREF hi = pressed ? s.black : s.highlight, dark = pressed ? s.highlight : s.black;
    const COLORREF light = pressed ? s.shadow : s.light, shade = pressed ? s.light : s.shadow;
    if (y == 0 && x <= w - 2) return hi;
    if (x == 0 && y >= 1) return hi;
    if (x == w - 1 || y == h - 1) return dark;
    if (y == 1 && x >= 1 && x <= w - 3) return light;
    if (x == 1 && y >= 2 && y <= h - 2) return light;
    if (x == w - 2 && y >= 1 && y <= h - 3) return shade;
    if (y == h - 2 && x >= 2 && x <= w - 2) return shade;
    return std::nullopt;
}

bool insideRect(const TRect& r, int x, int y, int grow)
{
    return x >= r.left - grow && x < r.right + grow && y >= r.top - grow && y < r.bottom + grow;
}

// Checks every ring pixel, and the face everywhere outside glyph and caption.
void expectLook(const TfcPixels& px, const TfcCustomBitBtn& b, COLORREF face, bool pressed, int k,
                bool withContent)
{
    const Scheme s;
    int wrong = 0;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            std::optional<COLORREF> want = ringColour(x, y, px.width, px.height, pressed, k, s);
            if (!want) {
                if (withContent && (insideRect(b.glyphRect(), x, y, 0) || insideRect(b.captionRect(), x, y, 1)))
                    continue;
                want = face;
            }
            if (px.at(x, y) != *want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << px.at(x, y) << ", want " << *want;
        }
    EXPECT_EQ(wrong, 0);
}

bool holds(const TfcPixels& px, COLORREF c)
{
    for (auto p : px.px)
        if (p == c)
            return true;
    return false;
}

TEST(ShapeButtonPaint, ReleasedRectangle)
{
    Dialog d;
    const TfcPixels px = paint(d.button);
    ASSERT_EQ(px.width, 153);
    ASSERT_EQ(px.height, 57);
    expectLook(px, d.button, RGB(255, 0, 0), false, 0, true);
    const Scheme s;
    EXPECT_EQ(px.at(0, 0), s.highlight);
    EXPECT_EQ(px.at(151, 0), s.highlight);
    EXPECT_EQ(px.at(152, 0), s.black);
    EXPECT_EQ(px.at(1, 1), s.light);
    EXPECT_EQ(px.at(151, 1), s.shadow);
    EXPECT_EQ(px.at(0, 56), s.highlight);
    EXPECT_EQ(px.at(1, 55), s.light);
    EXPECT_EQ(px.at(2, 55), s.shadow);
    EXPECT_EQ(px.at(2, 2), RGB(255, 0, 0));
    // Glyph and caption are there: white strokes in the glyph's frame, and
    // white caption pixels.
    const TRect g = d.button.glyphRect();
    EXPECT_EQ(g.width(), 32);
    EXPECT_EQ(px.at(g.left + 15, g.top + 15), RGB(255, 255, 255));
    const TRect c = d.button.captionRect();
    EXPECT_GT(c.width(), 0);
    bool captionInk = false;
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x)
            captionInk = captionInk || px.at(x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(captionInk);
    EXPECT_EQ(c.left - g.right, 4) << "spacing between glyph and caption";
}

TEST(ShapeButtonPaint, PressedRectangle)
{
    Dialog d;
    const TfcPixels px = shapeOnly(d.button, true);
    expectLook(px, d.button, RGB(255, 0, 0), true, 0, false);
    const Scheme s;
    EXPECT_EQ(px.at(0, 0), s.black);
    EXPECT_EQ(px.at(152, 56), s.highlight);
    EXPECT_EQ(px.at(1, 1), s.shadow);
}

TEST(ShapeButtonPaint, DefaultButtonHasItsRingsOnePixelIn)
{
    Dialog d;
    d.button.setDefault(true);
    for (bool pressed : {false, true}) {
        SCOPED_TRACE(pressed);
        const TfcPixels px = shapeOnly(d.button, pressed);
        expectLook(px, d.button, RGB(255, 0, 0), pressed, 1, false);
    }
    const TfcPixels px = paint(d.button);
    EXPECT_EQ(px.at(0, 0), Scheme().focus);
    EXPECT_EQ(px.at(1, 1), Scheme().highlight);
}

TEST(ShapeButtonPaint, KeyColourNeverShows)
{
    struct Case {
        const char* name;
        TColor face;
        TfcPixels glyph;
        POINT stroke;  // a white pixel of the glyph
        COLORREF faceRgb;
        COLORREF key;
    };
    const Case cases[] = {
        {"red with the cross", clRed, test::crossGlyph(), {15, 15}, RGB(255, 0, 0), RGB(0, 0, 255)},
        {"green with the tick", kGreenFace, test::tickGlyph(), {20, 14}, RGB(0, 0x93, 0), RGB(255, 0, 0)},
        // The cross's red surround is this button's key colour: only a
        // transparent surround keeps it off the face.
        {"green with the cross", kGreenFace, test::crossGlyph(), {15, 15}, RGB(0, 0x93, 0), RGB(255, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog d(c.face, c.glyph);
        EXPECT_EQ(d.button.keyColor(), c.key);
        const TfcPixels px = paint(d.button);
        EXPECT_FALSE(holds(px, c.key));
        const TRect g = d.button.glyphRect();
        EXPECT_EQ(px.at(g.left, g.bottom - 1), c.faceRgb) << "the glyph's surround is transparent";
        EXPECT_EQ(px.at(g.left + c.stroke.x, g.top + c.stroke.y), RGB(255, 255, 255));
        EXPECT_FALSE(holds(shapeOnly(d.button, true), c.key));
    }
}

TEST(ShapeButtonPaint, DitherColourNeverShows)
{
    Dialog d;
    const COLORREF dither = RGB(1, 2, 3);
    d.button.setDitherColor(dither);
    EXPECT_FALSE(holds(paint(d.button), dither));
    EXPECT_FALSE(holds(shapeOnly(d.button, true), dither));
    d.button.setDefault(true);
    EXPECT_FALSE(holds(paint(d.button), dither));
    EXPECT_FALSE(holds(shapeOnly(d.button, true), dither));
}

TEST(ShapeButtonPaint, EveryColourOfTheBottomLeftPixelIsTransparent)
{
    TfcPixels glyph = test::crossGlyph();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            glyph.at(14 + x, 14 + y) = test::kCrossSurround;  // a hole in the cross
    Dialog d(kGreenFace, glyph);
    const TfcPixels px = paint(d.button);
    const TRect g = d.button.glyphRect();
    EXPECT_EQ(px.at(g.left + 15, g.top + 15), RGB(0, 0x93, 0));
    EXPECT_EQ(px.at(g.left + 12, g.top + 12), RGB(255, 255, 255));
}

TEST(ShapeButtonPaint, DisabledOneFrameGlyphIsEmbossed)
{
    Dialog d;
    d.button.setEnabled(false);
    const TfcPixels px = paint(d.button);
    const TfcPixels glyph = test::crossGlyph();
    const TRect g = d.button.glyphRect();
    const Scheme s;
    int checked = 0;
    for (int y = 1; y < 32; ++y)
        for (int x = 1; x < 32; ++x) {
            const COLORREF shown = px.at(g.left + x, g.top + y);
            if (glyph.at(x, y) == clBlack) {
                EXPECT_EQ(shown, s.shadow) << x << "," << y;
                ++checked;
            } else if (glyph.at(x - 1, y - 1) == clBlack) {
                EXPECT_EQ(shown, s.highlight) << x << "," << y;
            } else {
                // Everything else became the button-face colour, which is
                // the frame's transparent colour: the red face shows.
                EXPECT_EQ(shown, RGB(255, 0, 0)) << x << "," << y;
            }
        }
    EXPECT_GT(checked, 20);
    // The face and rings stay as they are.
    EXPECT_EQ(px.at(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(px.at(0, 0), s.highlight);
}

TEST(ShapeButtonRegion, RectangleKeepsTheWholeWindow)
{
    for (TColor face : {clRed, kGreenFace}) {
        Dialog d(face);
        unique_region shown(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(d.button.handle(), shown.get()), ERROR);
        unique_region full(CreateRectRgn(0, 0, 153, 57));
        EXPECT_TRUE(EqualRgn(shown.get(), full.get()));
        // A new size rebuilds it.
        d.button.setBounds(10, 10, 113, 49);
        ASSERT_NE(GetWindowRgn(d.button.handle(), shown.get()), ERROR);
        full.reset(CreateRectRgn(0, 0, 113, 49));
        EXPECT_TRUE(EqualRgn(shown.get(), full.get()));
    }
}

// Gives a system colour another RGB for as long as it lives.
class SysColourScope {
public:
    SysColourScope(int index, COLORREF rgb) : index_(index), old_(GetSysColor(index))
    {
        SetSysColors(1, &index_, &rgb);
    }
    ~SysColourScope() { SetSysColors(1, &index_, &old_); }
    SysColourScope(const SysColourScope&) = delete;
    SysColourScope& operator=(const SysColourScope&) = delete;

private:
    int index_;
    COLORREF old_;
};

TEST(ShapeButtonRegion, ColoursThatResolveToTheKeyAreKept)
{
    // The tooltip background stands for any system colour the user may have
    // set to pure red; nothing else here draws with it.
    SysColourScope red(COLOR_INFOBK, RGB(255, 0, 0));
    ASSERT_EQ(GetSysColor(COLOR_INFOBK), RGB(255, 0, 0));
    const TColor redBySystem = clSystemColor | COLOR_INFOBK;
    const struct {
        const char* name;
        TColor face, dither;
        COLORREF faceRgb;
    } cases[] = {
        {"system colour face resolving to red", redBySystem, clWhite, RGB(255, 0, 0)},
        {"system colour outline resolving to red", kGreenFace, redBySystem, RGB(0, 0x93, 0)},
        {"red face with a blue outline", clRed, clBlue, RGB(255, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog d(c.face);
        d.button.setDitherColor(c.dither);
        d.button.setBounds(130, 90, 150, 57);  // rebuilds the region
        unique_region shown(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(d.button.handle(), shown.get()), ERROR);
        unique_region full(CreateRectRgn(0, 0, 150, 57));
        EXPECT_TRUE(EqualRgn(shown.get(), full.get()));
        const TfcPixels px = paint(d.button);
        EXPECT_EQ(px.at(75, 4), c.faceRgb);
        EXPECT_FALSE(holds(px, d.button.keyColor()));
    }
}

TEST(ShapeButtonRegion, NoneForAnEmptyButton)
{
    Dialog d;
    d.button.setBounds(10, 10, 0, 20);
    unique_region shown(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(d.button.handle(), shown.get()), ERROR);
    EXPECT_TRUE(paint(d.button).empty());
}

TEST(ShapeButtonSettings, DialogDefaults)
{
    TForm form;
    TfcShapeBtn b(&form);
    EXPECT_EQ(b.width(), 75);
    EXPECT_EQ(b.height(), 25);
    EXPECT_EQ(b.color(), clBtnFace);
    EXPECT_EQ(b.ditherColor(), clWhite);
    EXPECT_EQ(b.shape(), TfcButtonShape::bsRect);
    EXPECT_EQ(b.shadeStyle(), TfcShadeStyle::fbsHighlight);
    EXPECT_EQ(b.roundRectBias(), 25);
    EXPECT_EQ(b.margin(), -1);
    EXPECT_EQ(b.spacing(), 4);
    EXPECT_TRUE(b.tabStop()) << "until loaded";
    b.setNumGlyphs(0);
    EXPECT_EQ(b.numGlyphs(), 1);
    b.setMargin(-5);
    EXPECT_EQ(b.margin(), -1);
    b.loaded();
    EXPECT_FALSE(b.tabStop());
    char cls[32] = {};
    GetClassNameA(b.handle(), cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, "BUTTON");
    EXPECT_EQ(GetWindowLongA(b.handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    b.setParentClipping(false);
    EXPECT_FALSE(b.parentClipping());
    b.setParentClipping(true);
    EXPECT_TRUE(b.parentClipping());
}

// --- input through the platform ---------------------------------------------

using qx::test::sendMouse;

void sendKey(WORD vk)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
}

// The form shown and active, with the card box focused; input is sent from
// this thread and the messages pumped while conditions are polled.
struct LiveDialog : Dialog {
    TestEdit edit{&form};
    POINT origin{};  // the button's top-left on the screen

    LiveDialog()
    {
        form.setActiveControl(&edit);
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        form.setBounds((sw - 420) / 2, (sh - 220) / 2, 420, 220);
        ShowWindow(form.handle(), SW_SHOW);
        SetForegroundWindow(form.handle());
        SetActiveWindow(form.handle());
        pumpUntil([&] { return GetActiveWindow() == form.handle() && GetFocus() == edit.handle(); }, 3000);
        ClientToScreen(button.handle(), &origin);
        moveTo(-60, 20);  // start off the button
    }
    ~LiveDialog()
    {
        if (GetAsyncKeyState(VK_LBUTTON) < 0)
            sendMouse(MOUSEEVENTF_LEFTUP);
        if (GetAsyncKeyState(VK_RBUTTON) < 0)
            sendMouse(MOUSEEVENTF_RIGHTUP);
        pumpUntil([] { return false; }, 50);
    }

    // Positions relative to the button's top-left.
    bool moveTo(int x, int y)
    {
        const POINT target{origin.x + x, origin.y + y};
        sendMouse(0, target);
        return pumpUntil([&] {
            POINT p{};
            GetCursorPos(&p);
            return p.x == target.x && p.y == target.y;
        });
    }
    COLORREF screenPixel(int x, int y)
    {
        return test::ScreenCapture(origin.x + x, origin.y + y, 1, 1).pixel(0, 0);
    }
    // Pumps until the button's top-left pixel shows the pressed look (or not).
    bool looksPressed(bool pressed, int ms = 3000)
    {
        const COLORREF want = pressed ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNHIGHLIGHT);
        return pumpUntil([&] { return screenPixel(0, 0) == want; }, ms);
    }
    void settle() { pumpUntil([] { return false; }, 150); }
};

TEST(ShapeButtonMouse, PressAndReleaseInsideClicksOnce)
{
    LiveDialog d;
    ASSERT_EQ(GetFocus(), d.edit.handle());
    ASSERT_TRUE(d.looksPressed(false));
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(d.looksPressed(true));
    EXPECT_TRUE(d.button.down());
    EXPECT_TRUE(d.button.tracking());
    // Pressed, the glyph sits one pixel lower and further right.
    const TRect g = d.button.glyphRect();
    EXPECT_EQ(g.left, 39);
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(pumpUntil([&] { return d.clicks > 0; }));
    d.settle();
    EXPECT_EQ(d.clicks, 1);
    EXPECT_EQ(d.form.modalResult(), 1);
    EXPECT_FALSE(d.button.down());
    EXPECT_FALSE(d.button.tracking());
    EXPECT_TRUE(d.looksPressed(false));
    EXPECT_EQ(GetFocus(), d.edit.handle()) << "the focus stays in the card box";
}

TEST(ShapeButtonMouse, LeaveAndComeBackClicksOnceAndLooksPressedOnlyInside)
{
    LiveDialog d;
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(d.looksPressed(true));
    ASSERT_TRUE(d.moveTo(200, 20));
    EXPECT_TRUE(d.looksPressed(false));
    EXPECT_FALSE(d.button.down());
    EXPECT_TRUE(d.button.tracking());
    ASSERT_TRUE(d.moveTo(60, 30));
    EXPECT_TRUE(d.looksPressed(true));
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(pumpUntil([&] { return d.clicks > 0; }));
    d.settle();
    EXPECT_EQ(d.clicks, 1);
    EXPECT_EQ(d.form.modalResult(), 1);
}

TEST(ShapeButtonMouse, LeaveAndReleaseOutsideDoesNotClick)
{
    LiveDialog d;
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(d.looksPressed(true));
    ASSERT_TRUE(d.moveTo(200, 20));
    EXPECT_TRUE(d.looksPressed(false));
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(pumpUntil([&] { return !d.button.tracking(); }));
    d.settle();
    EXPECT_EQ(d.clicks, 0);
    EXPECT_EQ(d.form.modalResult(), 0);
    EXPECT_FALSE(d.button.down());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(ShapeButtonMouse, PressElsewhereAndReleaseOverItDoesNotClick)
{
    LiveDialog d;
    test::MessageWatch watch;
    ASSERT_TRUE(d.moveTo(-60, 20));
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(pumpUntil([&] { return watch.taken(WM_LBUTTONDOWN, d.form.handle()) == 1; }));
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_LEFTUP);
    // The release reached the button and was handled there.
    EXPECT_TRUE(pumpUntil([&] { return watch.taken(WM_LBUTTONUP, d.button.handle()) == 1; }));
    d.settle();
    EXPECT_EQ(d.clicks, 0);
    EXPECT_EQ(d.form.modalResult(), 0);
}

TEST(ShapeButtonMouse, RightButtonDoesNothing)
{
    LiveDialog d;
    test::MessageWatch watch;
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
    EXPECT_TRUE(pumpUntil([&] { return watch.taken(WM_RBUTTONDOWN, d.button.handle()) == 1; }));
    EXPECT_FALSE(d.looksPressed(true, 400));
    EXPECT_FALSE(d.button.down());
    sendMouse(MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(pumpUntil([&] { return watch.taken(WM_RBUTTONUP, d.button.handle()) == 1; }));
    d.settle();
    EXPECT_EQ(d.clicks, 0);
    EXPECT_EQ(d.form.modalResult(), 0);
    EXPECT_EQ(GetFocus(), d.edit.handle());
}

TEST(ShapeButtonMouse, CancelModeReleasesWhereTheCursorIs)
{
    // Over the button the cancelled press still clicks; off it, it does not.
    for (bool over : {true, false}) {
        SCOPED_TRACE(over);
        LiveDialog d;
        ASSERT_TRUE(d.moveTo(40, 20));
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(d.looksPressed(true));
        if (!over) {
            ASSERT_TRUE(d.moveTo(200, 20));
            ASSERT_TRUE(d.looksPressed(false));
        }
        SendMessageA(d.button.handle(), WM_CANCELMODE, 0, 0);
        EXPECT_FALSE(d.button.tracking());
        EXPECT_FALSE(d.button.down());
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(d.clicks, over ? 1 : 0);
        sendMouse(MOUSEEVENTF_LEFTUP);
        d.settle();
        EXPECT_EQ(d.clicks, over ? 1 : 0);
    }
}

TEST(ShapeButtonKeys, SpaceEnterAndEscapeNeverClick)
{
    LiveDialog d;
    // Clicking first shows that the button does not keep the focus either.
    ASSERT_TRUE(d.moveTo(40, 20));
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(pumpUntil([&] { return d.clicks == 1; }));
    d.settle();
    // The keys go to the form's modal loop, which offers Enter and Escape to
    // its buttons as dialog keys.
    ShowWindow(d.form.handle(), SW_HIDE);
    const DWORD thread = GetCurrentThreadId();
    test::MessageWatch watch;
    int keysHandled = 0;
    HWND focusAfter = nullptr;
    std::thread driver([&] {
        if (test::waitUntil([&] { return test::focusOf(thread) == d.edit.handle(); })) {
            for (WORD vk : {WORD(VK_SPACE), WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_TAB), WORD(VK_SPACE)}) {
                const int before = watch.taken(WM_KEYUP, nullptr, vk);
                sendKey(vk);
                // The loop takes a key's release once it handled the press,
                // and only while it still runs.
                if (!test::waitUntil([&] { return watch.taken(WM_KEYUP, nullptr, vk) == before + 1; })) break;
                ++keysHandled;
            }
            focusAfter = test::focusOf(thread);
        }
        PostMessageA(d.form.handle(), WM_CLOSE, 0, 0);
    });
    const int result = d.form.showModal();
    driver.join();
    EXPECT_EQ(keysHandled, 5);
    EXPECT_EQ(result, 2) << "ended by the close request, not by a click";
    EXPECT_EQ(d.clicks, 1);
    EXPECT_NE(focusAfter, d.button.handle());
}

TEST(ShapeButtonMouse, ClickEndsTheModalLoopWithItsResult)
{
    Dialog d;
    d.button.setModalResult(2);
    std::atomic<bool> sent{false};
    std::thread driver([&] {
        test::waitUntil([&] { return IsWindowVisible(d.form.handle()) != FALSE; });
        RECT r{};
        GetWindowRect(d.button.handle(), &r);
        sendMouse(0, POINT{r.left + 30, r.top + 20});
        test::waitUntil([&] {
            POINT p{};
            GetCursorPos(&p);
            return p.x == r.left + 30;
        });
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        sendMouse(MOUSEEVENTF_LEFTUP);
        sent = true;
        // Ends the loop if the click was lost, so that the test fails
        // instead of hanging: a close request gives 2 as well, so the click
        // count decides.
        if (!test::waitUntil([&] { return !IsWindowVisible(d.form.handle()); }, 5000))
            PostMessageA(d.form.handle(), WM_CLOSE, 0, 0);
    });
    const int result = d.form.showModal();
    driver.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(d.clicks, 1);
}

}  // namespace
}  // namespace qx
