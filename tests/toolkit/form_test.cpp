// The form's modal loop, the timer and the standard controls on real windows
// under Wine; colours are read back from the screen.
#include "toolkit/form_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "common/error.h"
#include "toolkit/controls_win.h"
#include "toolkit/error_box_win.h"
#include "toolkit/graphics_win.h"
#include "toolkit/gui_helpers_win.h"

namespace qx {
namespace {

using test::pumpUntil;
using test::ScreenCapture;

// A plain visible top-level window standing in for the host's windows.
std::unique_ptr<TForm> hostWindow(bool enabled) {
    auto host = std::make_unique<TForm>("host");
    host->setBounds(0, 0, 100, 100);
    ShowWindow(host->handle(), SW_SHOWNA);
    EnableWindow(host->handle(), enabled);
    return host;
}

TEST(ModalForm, OtherWindowsAreDisabledWhileTheLoopRuns) {
    auto enabledHost = hostWindow(true);
    auto disabledHost = hostWindow(false);
    TForm form;
    form.setClientSize(200, 100);
    bool enabledDuring = true, disabledDuring = true, formEnabled = false, formVisible = false;
    TTimer probe;
    probe.setInterval(50);
    probe.onTimer = [&] {
        enabledDuring = IsWindowEnabled(enabledHost->handle());
        disabledDuring = IsWindowEnabled(disabledHost->handle());
        formEnabled = IsWindowEnabled(form.handle());
        formVisible = IsWindowVisible(form.handle());
        form.setModalResult(mrOk);
    };
    probe.setEnabled(true);
    EXPECT_EQ(form.showModal(), mrOk);
    probe.setEnabled(false);
    EXPECT_FALSE(enabledDuring);
    EXPECT_FALSE(disabledDuring);
    EXPECT_TRUE(formEnabled);
    EXPECT_TRUE(formVisible);
    EXPECT_TRUE(IsWindowEnabled(enabledHost->handle()));
    EXPECT_FALSE(IsWindowEnabled(disabledHost->handle()));  // it was disabled before
    EXPECT_FALSE(IsWindowVisible(form.handle()));
    EXPECT_FALSE(form.modal());
}

TEST(ModalForm, IsCentredOnTheScreen) {
    TForm form;
    form.setClientSize(202, 101);
    TRect seen;
    form.onShow = [&] { PostMessageA(form.handle(), WM_CLOSE, 0, 0); };
    form.showModal();
    seen = form.bounds();
    EXPECT_EQ(seen.width(), 202);
    EXPECT_EQ(seen.height(), 101);
    EXPECT_EQ(seen.left, (GetSystemMetrics(SM_CXSCREEN) - 202) / 2);
    EXPECT_EQ(seen.top, (GetSystemMetrics(SM_CYSCREEN) - 101) / 2);
}

// A form whose handler for WM_APP + n sets the modal result n, as a button's
// click does.
class ResultForm : public TForm {
protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= WM_APP && msg <= WM_APP + 10) {
            setModalResult(static_cast<int>(msg - WM_APP));
            return 0;
        }
        return TForm::handleMessage(msg, wp, lp);
    }
};

TEST(ModalForm, EndsWithTheResultThatWasSet) {
    const struct {
        const char* name;
        UINT message;  // posted to the form as it shows
        int result;
    } cases[] = {
        {"close request", WM_CLOSE, mrCancel},
        {"result 1", WM_APP + 1, mrOk},
        {"result 2", WM_APP + 2, mrCancel},
        {"result 7", WM_APP + 7, 7},
    };
    for (const auto& c : cases) {
        ResultForm form;
        form.setClientSize(100, 50);
        int shows = 0;
        form.onShow = [&] {
            ++shows;
            PostMessageA(form.handle(), WM_APP, 0, 0);  // result 0 does not end the loop
            PostMessageA(form.handle(), c.message, 0, 0);
        };
        EXPECT_EQ(form.showModal(), c.result) << c.name;
        EXPECT_EQ(shows, 1) << c.name;
        EXPECT_FALSE(IsWindowVisible(form.handle())) << c.name;
    }
}

TEST(ModalForm, FocusGoesToTheActiveControlWhenShown) {
    TForm form;
    form.setClientSize(200, 100);
    TEdit first(&form, 10, 10, 80, 21);
    TEdit second(&form, 10, 40, 80, 21);
    HWND focusedDuring = nullptr;
    form.onShow = [&] { second.setFocus(); };
    TTimer probe;
    probe.setInterval(50);
    probe.onTimer = [&] {
        focusedDuring = GetFocus();
        form.setModalResult(mrCancel);
    };
    probe.setEnabled(true);
    form.showModal();
    EXPECT_EQ(focusedDuring, second.handle());
}

TEST(ModalForm, AnErrorInAHandlerIsShownAndTheLoopGoesOn) {
    setApplicationTitle("loop title");
    TForm form;
    form.setClientSize(100, 50);
    TTimer t;
    t.setInterval(30);
    int ticks = 0;
    t.onTimer = [&] {
        if (++ticks == 1) throw Error("Not enough timers available");
        form.setModalResult(mrOk);
    };
    t.setEnabled(true);
    test::ErrorBoxSeen seen;
    const DWORD thread = GetCurrentThreadId();
    std::thread reader([&] { seen = test::closeErrorBox(thread); });
    EXPECT_EQ(form.showModal(), mrOk);
    reader.join();
    EXPECT_EQ(seen.text, "Not enough timers available.");
    EXPECT_EQ(seen.caption, "loop title");
    EXPECT_GE(ticks, 2);
    setApplicationTitle("");
}

// SetTimer that always fails, as when the platform has no timers left.
UINT_PTR WINAPI noTimers(HWND, UINT_PTR, UINT, TIMERPROC) { return 0; }

TEST(Timer, FiresEveryIntervalAndStops) {
    TTimer t;
    EXPECT_EQ(t.interval(), 1000u);
    EXPECT_FALSE(t.enabled());
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.setInterval(30);
    t.setEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 3; }));
    t.setEnabled(false);
    const int stoppedAt = ticks;
    pumpUntil([] { return false; }, 150);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(Timer, StartingARunningTimerDoesNotRestartItsPeriod) {
    using clock = std::chrono::steady_clock;
    TTimer t;
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.setInterval(600);
    const auto start = clock::now();
    t.setEnabled(true);
    pumpUntil([&] { return clock::now() - start > std::chrono::milliseconds(400); }, 1000);
    t.setEnabled(true);  // a restart would move the first tick to about 1000 ms
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 1; }, 3000));
    const auto firstTick = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count();
    std::printf("first tick of a 600 ms timer started again at 400 ms: %lld ms\n", static_cast<long long>(firstTick));
    EXPECT_LT(firstTick, 900);
}

TEST(Timer, NoTimerLeftIsAnError) {
    TTimer t;
    TTimer::setSetTimerFunction(&noTimers);
    try {
        t.setEnabled(true);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Not enough timers available");
    }
    TTimer::setSetTimerFunction(nullptr);
    EXPECT_FALSE(t.enabled());
    t.setEnabled(true);  // with timers available again it starts
    EXPECT_TRUE(t.enabled());
}

// A shown form holding the controls under test.
class ShownForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>();
        TFont f;
        f.name = "Tahoma";
        f.height = -19;
        f.bold = true;
        f.charset = 0;
        f.color = clWindowText;
        form->setFont(f);
        form->setBounds(30, 30, 500, 300);
    }
    void show() { ASSERT_TRUE(test::showAndPaint(form->handle())) << "the screen never showed the form"; }
    std::unique_ptr<TForm> form;
};

TEST_F(ShownForm, PanelBevelsAndBorder) {
    const COLORREF light = colorToRGB(clBtnHighlight), dark = colorToRGB(clBtnShadow);
    const COLORREF fill = colorToRGB(11500649);  // steel blue 0x00AF7C69
    const struct {
        const char* name;
        bool border;
        TBevelCut outer, inner;
        COLORREF topLeft0, bottomRight0, topLeft1, bottomRight1;
    } cases[] = {
        {"raised", true, TBevelCut::bvRaised, TBevelCut::bvNone, light, dark, fill, fill},
        {"lowered", true, TBevelCut::bvLowered, TBevelCut::bvNone, dark, light, fill, fill},
        {"lowered twice", false, TBevelCut::bvLowered, TBevelCut::bvLowered, dark, light, dark, light},
        {"none", false, TBevelCut::bvNone, TBevelCut::bvNone, fill, fill, fill, fill},
    };
    int left = 5;
    std::vector<std::unique_ptr<TPanel>> panels;
    for (const auto& c : cases) {
        auto p = std::make_unique<TPanel>(form.get(), left, 5, 100, 60);
        left += 110;
        p->setColor(11500649);
        p->setBorderSingle(c.border);
        p->setBevelOuter(c.outer);
        p->setBevelInner(c.inner);
        panels.push_back(std::move(p));
    }
    show();
    for (size_t i = 0; i < panels.size(); ++i) {
        const auto& c = cases[i];
        TPanel& p = *panels[i];
        const int edge = c.border ? 2 : 0;  // the sunken client edge is two pixels wide
        EXPECT_EQ(p.clientRect().width(), 100 - 2 * edge) << c.name;
        ScreenCapture cap = ScreenCapture::ofClient(p.handle());
        const int w = cap.width(), h = cap.height();
        EXPECT_EQ(cap.pixel(0, 0), c.topLeft0) << c.name;
        EXPECT_EQ(cap.pixel(0, h / 2), c.topLeft0) << c.name;
        EXPECT_EQ(cap.pixel(w - 1, h - 1), c.bottomRight0) << c.name;
        EXPECT_EQ(cap.pixel(w / 2, h - 1), c.bottomRight0) << c.name;
        EXPECT_EQ(cap.pixel(1, 1), c.topLeft1) << c.name;
        EXPECT_EQ(cap.pixel(w - 2, h - 2), c.bottomRight1) << c.name;
        EXPECT_EQ(cap.pixel(w / 2, h / 2), fill) << c.name;
    }
}

TEST_F(ShownForm, PanelCaptionIsDrawnInItsFontColour) {
    TPanel p(form.get(), 10, 10, 283, 49);
    p.setColor(clBlue);
    TFont f = p.font();
    f.height = -14;
    f.color = clYellow;
    p.setFont(f);
    p.setBevelOuter(TBevelCut::bvLowered);
    p.setBevelInner(TBevelCut::bvLowered);
    p.setAlignment(TAlignment::taLeftJustify);
    p.setCaption(" Card:");
    show();
    ScreenCapture cap = ScreenCapture::ofClient(p.handle());
    int firstYellow = -1;
    for (int x = 0; x < cap.width() && firstYellow < 0; ++x)
        for (int y = 0; y < cap.height(); ++y)
            if (cap.pixel(x, y) == RGB(255, 255, 0)) {
                firstYellow = x;
                break;
            }
    ASSERT_GE(firstYellow, 0);
    EXPECT_LT(firstYellow, cap.width() / 3);  // left-aligned
}

TEST_F(ShownForm, LabelsPaintInTheirParentsColourAndFollowIt) {
    TPanel panel(form.get(), 0, 0, 300, 200);
    panel.setBevelOuter(TBevelCut::bvNone);
    panel.setColor(clGreen);
    TLabel autoSized(&panel, 20, 20);
    autoSized.setCaption("abc");
    TLabel fixed(&panel, 20, 60);
    fixed.setAutoSize(false);
    fixed.setBounds(20, 60, 209, 23);
    fixed.setAlignment(TAlignment::taCenter);
    fixed.setCaption("mid");
    TLabel empty(&panel, 20, 100);
    show();

    // Auto size: what the platform measures for the caption in the font.
    {
        unique_window_dc screen = getWindowDC(nullptr);
        SelectGuard sel(screen.get(), autoSized.fontHandle());
        SIZE s{};
        GetTextExtentPoint32A(screen.get(), "abc", 3, &s);
        EXPECT_EQ(autoSized.width(), s.cx);
        EXPECT_EQ(autoSized.height(), s.cy);
        EXPECT_EQ(empty.height(), s.cy);  // an empty caption keeps a line's height
    }
    EXPECT_EQ(fixed.width(), 209);

    for (TColor colour : {clGreen, clRed}) {
        panel.setColor(colour);
        show();
        ScreenCapture cap = ScreenCapture::ofClient(autoSized.handle());
        EXPECT_EQ(cap.pixel(0, 0), colorToRGB(colour));
        ScreenCapture mid = ScreenCapture::ofClient(fixed.handle());
        EXPECT_EQ(mid.pixel(0, 0), colorToRGB(colour));
        // Centred: text pixels left and right of the middle, none at the ends.
        int minX = mid.width(), maxX = -1;
        for (int y = 0; y < mid.height(); ++y)
            for (int x = 0; x < mid.width(); ++x)
                if (mid.pixel(x, y) != colorToRGB(colour)) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        ASSERT_GE(maxX, 0);
        EXPECT_LE(std::abs((minX + maxX) / 2 - mid.width() / 2), 3);
    }
}

TEST_F(ShownForm, EditBoxMasksAndFiltersKeys) {
    TEdit e(form.get(), 10, 10, 199, 25);
    e.setPasswordChar('#');
    EXPECT_EQ(e.passwordChar(), '#');
    std::vector<WORD> keysDown;
    e.onKeyDown = [&](WORD& key, unsigned) { keysDown.push_back(key); };
    e.onKeyPress = [](char& ch) {
        if (ch == 'x') ch = 0;       // dropped
        if (ch == 'a') ch = 'b';     // replaced
    };
    bool popupAsked = false;
    e.onContextPopup = [&](TPoint, bool& handled) {
        popupAsked = true;
        handled = true;
    };
    show();
    for (char ch : std::string("axc")) {
        SendMessageA(e.handle(), WM_KEYDOWN, static_cast<WPARAM>(VkKeyScanA(ch) & 0xFF), 0);
        SendMessageA(e.handle(), WM_CHAR, static_cast<unsigned char>(ch), 0);
    }
    EXPECT_EQ(e.text(), "bc");
    EXPECT_EQ(keysDown.size(), 3u);
    SendMessageA(e.handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(e.handle()), MAKELPARAM(40, 40));
    EXPECT_TRUE(popupAsked);
}

TEST_F(ShownForm, ReadOnlyMemoShowsCentredLinesInItsColours) {
    TPanel panel(form.get(), 0, 0, 300, 200);
    TMemo m(&panel, 8, 8, 193, 113, TAlignment::taCenter);
    m.setColor(clTeal);
    TFont f = m.font();
    f.color = clWhite;
    m.setFont(f);
    m.setLines({"ab", "cd"});
    EXPECT_EQ(m.lines(), (std::vector<std::string>{"ab", "cd"}));
    m.addLine("e");
    EXPECT_EQ(m.text(), "ab\r\ncd\r\ne");
    show();
    ScreenCapture cap = ScreenCapture::ofClient(m.handle());
    EXPECT_EQ(cap.pixel(2, cap.height() - 2), colorToRGB(clTeal));
    int minX = cap.width(), maxX = -1;
    for (int y = 0; y < cap.height(); ++y)
        for (int x = 0; x < cap.width(); ++x)
            if (cap.pixel(x, y) == RGB(255, 255, 255)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0) << "no white text";
    EXPECT_LE(std::abs((minX + maxX) / 2 - cap.width() / 2), 4);
    // Read-only: typing changes nothing.
    SendMessageA(m.handle(), WM_CHAR, 'z', 0);
    EXPECT_EQ(m.text(), "ab\r\ncd\r\ne");
}

// A 4 x 4 bitmap file, 24 bits per pixel, bottom-up rows: purple in the
// bottom-left corner and at one inner pixel, the rest white and black.
std::vector<unsigned char> smallBitmapFile() {
    const COLORREF purple = RGB(128, 0, 128);
    COLORREF rows[4][4] = {  // top row first
        {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0)},
        {RGB(255, 255, 255), purple, RGB(0, 0, 0), RGB(255, 255, 255)},
        {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0)},
        {purple, RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255)},
    };
    std::vector<unsigned char> out(14 + 40 + 4 * 12, 0);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfSize = static_cast<DWORD>(out.size());
    fh.bfOffBits = 54;
    BITMAPINFOHEADER ih{};
    ih.biSize = 40;
    ih.biWidth = 4;
    ih.biHeight = 4;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::memcpy(out.data(), &fh, 14);
    std::memcpy(out.data() + 14, &ih, 40);
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < 4; ++x) {
            unsigned char* p = out.data() + 54 + (3 - r) * 12 + x * 3;
            p[0] = GetBValue(rows[r][x]);
            p[1] = GetGValue(rows[r][x]);
            p[2] = GetRValue(rows[r][x]);
        }
    return out;
}

TEST_F(ShownForm, TransparentImageLeavesOutItsBottomLeftColour) {
    TPanel panel(form.get(), 0, 0, 300, 200);
    panel.setColor(clGreen);
    TImage opaque(&panel, 10, 10);
    TImage clear(&panel, 30, 10);
    const auto file = smallBitmapFile();
    opaque.loadFromBmpFile(file);
    clear.loadFromBmpFile(file);
    clear.setTransparent(true);
    EXPECT_EQ(clear.width(), 4);
    EXPECT_EQ(clear.height(), 4);
    show();
    ScreenCapture a = ScreenCapture::ofClient(opaque.handle());
    ScreenCapture b = ScreenCapture::ofClient(clear.handle());
    const COLORREF purple = RGB(128, 0, 128), green = colorToRGB(clGreen);
    const struct {
        int x, y;
        COLORREF opaque, clear;
    } cases[] = {
        {0, 3, purple, green},  // the bottom-left pixel itself
        {1, 1, purple, green},  // the same colour inside the picture
        {0, 0, RGB(0, 0, 0), RGB(0, 0, 0)},
        {1, 0, RGB(255, 255, 255), RGB(255, 255, 255)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(a.pixel(c.x, c.y), c.opaque) << c.x << "," << c.y;
        EXPECT_EQ(b.pixel(c.x, c.y), c.clear) << c.x << "," << c.y;
    }
}

TEST(Image, BrokenBitmapFilesAreRefused) {
    TForm form;
    TImage image(&form);
    auto good = smallBitmapFile();
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back({});
    bad.push_back(std::vector<unsigned char>(good.begin(), good.begin() + 60));  // pixels cut off
    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    bad.push_back(wrongMagic);
    auto hugeWidth = good;
    hugeWidth[18] = 0xFF;
    hugeWidth[19] = 0xFF;
    bad.push_back(hugeWidth);
    auto offsetOut = good;
    offsetOut[10] = 0xF0;
    bad.push_back(offsetOut);
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_THROW(image.loadFromBmpFile(bad[i]), Error) << i;
    EXPECT_NO_THROW(image.loadFromBmpFile(good));
}

TEST(Leaks, FormsWithAllControlsReleaseEverything) {
    const long before = liveHandlesTotal();
    const auto file = smallBitmapFile();
    for (int i = 0; i < 100; ++i) {
        TForm form;
        TPanel panel(&form, 0, 0, 200, 100);
        panel.setCaption("panel");
        TLabel label(&panel, 5, 5);
        label.setCaption("label");
        TEdit edit(&panel, 5, 30, 100, 21);
        TMemo memo(&panel, 5, 60, 100, 30, TAlignment::taCenter);
        TImage image(&panel, 150, 5);
        image.loadFromBmpFile(file);
        image.setTransparent(true);
        TTimer timer;
        timer.setEnabled(true);
        form.onShow = [&] { PostMessageA(form.handle(), WM_CLOSE, 0, 0); };
        EXPECT_EQ(form.showModal(), mrCancel);
    }
    EXPECT_EQ(liveHandlesTotal(), before);
}

}  // namespace
}  // namespace qx
