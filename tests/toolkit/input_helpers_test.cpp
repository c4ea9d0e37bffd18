// The input and screenshot helpers that GUI tests rely on, checked against
// real windows: typed text arrives whole, in order and at the pace asked
// for; a click lands on the centre pixel; a screenshot file is upright and
// in the right colours.
#include "toolkit/gui_helpers_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "toolkit/controls_win.h"
#include "toolkit/form_win.h"

namespace qx {
namespace {

using clock_type = std::chrono::steady_clock;

// A form with one edit box that records its key-downs and ends the modal
// loop at Enter, keeping the box's text of that moment.
struct TypingTarget {
    TForm form;
    TEdit edit{&form, 20, 20, 199, 25};
    TTimer giveUp;  // ends the loop if Enter never comes
    std::vector<clock_type::time_point> keyTimes;  // character keys and Enter
    std::string entered;
    bool gotEnter = false;

    TypingTarget() {
        form.setClientSize(300, 100);
        form.onShow = [this] { edit.setFocus(); };
        edit.onKeyDown = [this](WORD& key, unsigned) {
            if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return;
            keyTimes.push_back(clock_type::now());
            if (key == VK_RETURN) {
                entered = edit.text();
                gotEnter = true;
                form.setModalResult(mrOk);
            }
        };
        giveUp.setInterval(8000);
        giveUp.onTimer = [this] { form.setModalResult(mrCancel); };
        giveUp.setEnabled(true);
    }
    long long totalMs() const {
        if (keyTimes.size() < 2) return 0;
        return std::chrono::duration_cast<std::chrono::milliseconds>(keyTimes.back() - keyTimes.front()).count();
    }
    long long shortestGapMs() const {
        long long gap = 1 << 30;
        for (size_t i = 1; i < keyTimes.size(); ++i)
            gap = std::min<long long>(
                gap, std::chrono::duration_cast<std::chrono::milliseconds>(keyTimes[i] - keyTimes[i - 1]).count());
        return gap;
    }
};

TEST(TypingHelpers, TextArrivesWholeAtThePaceAsked) {
    const struct {
        const char* name;
        std::string text;
        test::Typing how;
        bool secondThread;
    } cases[] = {
        // Shifted and unshifted punctuation, as a card track has.
        {"card reader during a modal loop", ";12345?", test::kCardReader, true},
        {"slow typing during a modal loop", "123", test::slowTyping(250), true},
        {"card reader on the window's own thread", ";23456?", test::kCardReader, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScreenshotOnFailure screenshot;
        TypingTarget t;
        if (c.secondThread) {
            test::BackgroundTyping typing(c.text, c.how, [&] { return test::receivesKeys(t.edit.handle()); });
            EXPECT_EQ(t.form.showModal(), mrOk);
            EXPECT_EQ(typing.finish(), test::BackgroundTyping::Outcome::Typed);
        } else {
            ShowWindow(t.form.handle(), SW_SHOW);
            SetForegroundWindow(t.form.handle());
            t.edit.setFocus();
            ASSERT_TRUE(test::pumpUntil([&] { return test::receivesKeys(t.edit.handle()); }));
            EXPECT_TRUE(test::typeText(c.text, c.how));
            EXPECT_TRUE(test::pumpUntil([&] { return t.gotEnter; }));
            ShowWindow(t.form.handle(), SW_HIDE);
        }
        EXPECT_EQ(t.entered, c.text);
        ASSERT_EQ(t.keyTimes.size(), c.text.size() + 1);
        std::printf("%s: %zu keys in %lld ms, shortest gap %lld ms\n", c.name, t.keyTimes.size(), t.totalMs(),
                    t.shortestGapMs());
        if (c.how.keyDelayMs < 50)
            EXPECT_LT(t.totalMs(), 500) << "a card reader delivers a card well within a second";
        else
            EXPECT_GE(t.shortestGapMs(), c.how.keyDelayMs * 8 / 10);
    }
}

TEST(TypingHelpers, ControlCharactersAreTypedWithCtrl) {
    TypingTarget t;
    std::vector<char> chars;
    t.edit.onKeyPress = [&](char& ch) { chars.push_back(ch); };
    test::BackgroundTyping typing("a\x16", test::kCardReader, [&] { return test::receivesKeys(t.edit.handle()); });
    EXPECT_EQ(t.form.showModal(), mrOk);
    typing.finish();
    // Ctrl+V reaches the box as the paste character; the loop ends at
    // Enter's key-down, before its character.
    EXPECT_EQ(chars, (std::vector<char>{'a', '\x16'}));
}

// A panel that records where the left button went down and up, and ends
// the modal loop on the release.
class ClickPanel : public TPanel {
public:
    ClickPanel(TForm& form, int left, int top, int width, int height)
        : TPanel(&form, left, top, width, height), form_(form) {
        setBevelOuter(TBevelCut::bvNone);
    }
    POINT down{-1, -1}, up{-1, -1};

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_LBUTTONDOWN) down = POINT{LOWORD(lp), HIWORD(lp)};
        if (msg == WM_LBUTTONUP) {
            up = POINT{LOWORD(lp), HIWORD(lp)};
            form_.setModalResult(mrOk);
        }
        return TPanel::handleMessage(msg, wp, lp);
    }

private:
    TForm& form_;
};

TEST(MouseHelpers, ClickLandsOnTheCentrePixel) {
    // Odd and even sizes, near the left and the right of the screen, where
    // rounding of the platform's absolute coordinates shows most.
    const struct {
        int left, width, height;
    } cases[] = {{0, 153, 57}, {200, 20, 10}, {800, 153, 57}, {1000, 21, 11}};
    TForm form;
    form.setClientSize(1024, 100);
    std::vector<std::unique_ptr<ClickPanel>> panels;
    for (const auto& c : cases) panels.push_back(std::make_unique<ClickPanel>(form, c.left, 20, c.width, c.height));
    for (auto& p : panels) {
        SCOPED_TRACE(p->width());
        test::ScreenshotOnFailure screenshot;
        std::atomic<bool> clicked{false};
        std::thread driver([&] {
            test::waitUntil([&] { return IsWindowVisible(form.handle()) != FALSE; });
            clicked = test::clickAt(p->handle());
            // Ends the loop if the click went elsewhere, so that the test
            // fails instead of hanging.
            if (!test::waitUntil([&] { return !IsWindowVisible(form.handle()); }, 3000))
                PostMessageA(form.handle(), WM_CLOSE, 0, 0);
        });
        form.showModal();
        driver.join();
        EXPECT_TRUE(clicked);
        const POINT centre{p->width() / 2, p->height() / 2};
        EXPECT_EQ(p->down.x, centre.x);
        EXPECT_EQ(p->down.y, centre.y);
        EXPECT_EQ(p->up.x, centre.x);
        EXPECT_EQ(p->up.y, centre.y);
    }
}

// A 24-bit bitmap file read back: pixel x, y from the top-left.
struct BmpFile {
    std::vector<unsigned char> bytes;
    int width = 0, height = 0;
    bool load(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
        BITMAPINFOHEADER ih;
        std::memcpy(&ih, bytes.data() + 14, sizeof ih);
        if (ih.biBitCount != 24 || ih.biHeight <= 0) return false;
        width = ih.biWidth;
        height = ih.biHeight;
        return bytes.size() >= 54 + static_cast<size_t>(stride()) * height;
    }
    int stride() const { return (width * 3 + 3) & ~3; }
    COLORREF pixel(int x, int y) const {
        const unsigned char* p = bytes.data() + 54 + static_cast<size_t>(height - 1 - y) * stride() + 3 * x;
        return RGB(p[2], p[1], p[0]);
    }
};

TEST(ScreenshotHelpers, WindowIsSavedUprightInItsColours) {
    // A Linux path, as a developer or CI sets it.
    const char* testDir = std::getenv("QX_TEST_DIR");
    ASSERT_NE(testDir, nullptr);
    const std::string dir = std::string(testDir) + "/screenshot-check";
    _putenv_s("QX_ARTIFACTS_DIR", dir.c_str());
    TForm form;
    form.setClientSize(60, 40);
    TPanel top(&form, 0, 0, 60, 20), bottom(&form, 0, 20, 60, 20);
    for (TPanel* p : {&top, &bottom}) p->setBevelOuter(TBevelCut::bvNone);
    top.setColor(clRed);
    bottom.setColor(clGreen);
    ASSERT_TRUE(test::showAndPaint(form.handle()));
    const std::filesystem::path saved = test::saveScreenshot("upright check", form.handle());
    _putenv_s("QX_ARTIFACTS_DIR", "");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.filename().string(), "upright_check.bmp");
    if (test::underWine()) {  // the Linux folder, reached through drive Z:
        EXPECT_TRUE(std::filesystem::equivalent(saved, std::filesystem::path("Z:" + dir) / "upright_check.bmp"));
    }
    BmpFile bmp;
    ASSERT_TRUE(bmp.load(saved)) << saved.string();
    EXPECT_EQ(bmp.width, 60);
    EXPECT_EQ(bmp.height, 40);
    EXPECT_EQ(bmp.pixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(bmp.pixel(54, 34), RGB(0, 128, 0));
    std::filesystem::remove_all(saved.parent_path());
}

}  // namespace
}  // namespace qx
