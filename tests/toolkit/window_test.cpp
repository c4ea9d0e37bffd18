#include "toolkit/window_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/error.h"
#include "toolkit/error_box_win.h"
#include "toolkit/gui_helpers_win.h"
#include "toolkit/handles_win.h"

namespace qx {
namespace {

using test::pumpUntil;
using test::waitUntil;

TEST(Handles, LiveCountsFollowOwnership) {
    const long fonts = liveHandles(HandleKind::Font);
    const long brushes = liveHandles(HandleKind::Brush);
    {
        LOGFONTA lf{};
        lf.lfHeight = -12;
        unique_font f = createFont(lf);
        unique_brush b = createSolidBrush(RGB(1, 2, 3));
        EXPECT_EQ(liveHandles(HandleKind::Font), fonts + 1);
        EXPECT_EQ(liveHandles(HandleKind::Brush), brushes + 1);

        unique_font moved = std::move(f);
        EXPECT_FALSE(f);
        EXPECT_EQ(liveHandles(HandleKind::Font), fonts + 1);

        HBRUSH raw = b.release();  // the platform would own it now
        EXPECT_EQ(liveHandles(HandleKind::Brush), brushes);
        DeleteObject(raw);

        moved.reset();
        EXPECT_EQ(liveHandles(HandleKind::Font), fonts);
    }
    EXPECT_EQ(liveHandles(HandleKind::Font), fonts);
}

TEST(Handles, WindowDCAndSelectionArePutBack) {
    const long before = liveHandlesTotal();
    {
        unique_window_dc screen = getWindowDC(nullptr);
        unique_memory_dc mem = createMemoryDC(screen.get());
        unique_bitmap bmp = createCompatibleBitmap(screen.get(), 4, 4);
        HGDIOBJ original = GetCurrentObject(mem.get(), OBJ_BITMAP);
        {
            SelectGuard guard(mem.get(), bmp.get());
            EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_BITMAP), bmp.get());
        }
        EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_BITMAP), original);
        EXPECT_EQ(liveHandlesTotal(), before + 3);
    }
    EXPECT_EQ(liveHandlesTotal(), before);
}

// A window whose handler reports what reached it and can be made to fail.
class ProbeWindow : public TWindow {
public:
    explicit ProbeWindow(TWindow* parent = nullptr) : TWindow(parent) {
        CreateParams p;
        p.className = "QxTestProbe";
        p.style = parent ? WS_VISIBLE : WS_POPUP;
        p.width = p.height = 50;
        createWindow(p);
    }
    int userMessages = 0;
    int notifications = 0;
    bool destroyed = false;
    std::string failWith;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_USER) {
            if (!failWith.empty()) throw Error(failWith);
            return ++userMessages;
        }
        if (msg == WM_USER + 1) throw std::runtime_error("plain");
        return TWindow::handleMessage(msg, wp, lp);
    }
    std::optional<LRESULT> handleParentNotification(UINT msg, WPARAM, LPARAM) override {
        if (msg != WM_COMMAND) return std::nullopt;
        ++notifications;
        return 77;
    }
    void windowDestroyed() override { destroyed = true; }
};

TEST(WindowBase, MessagesReachTheObject) {
    ProbeWindow w;
    EXPECT_EQ(TWindow::fromHandle(w.handle()), &w);
    EXPECT_EQ(SendMessageA(w.handle(), WM_USER, 0, 0), 1);
    EXPECT_EQ(w.userMessages, 1);
}

TEST(WindowBase, ParentHandsNotificationsBackToTheChild) {
    ProbeWindow parent;
    ProbeWindow child(&parent);
    LRESULT r = SendMessageA(parent.handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                             reinterpret_cast<LPARAM>(child.handle()));
    EXPECT_EQ(r, 77);
    EXPECT_EQ(child.notifications, 1);
}

TEST(WindowBase, WindowDestroyedElsewhereIsForgotten) {
    const long windows = liveHandles(HandleKind::Window);
    auto parent = std::make_unique<ProbeWindow>();
    ProbeWindow child(parent.get());
    EXPECT_EQ(liveHandles(HandleKind::Window), windows + 2);
    parent.reset();  // takes the child window with it
    EXPECT_TRUE(child.destroyed);
    EXPECT_EQ(child.handle(), nullptr);
    EXPECT_EQ(liveHandles(HandleKind::Window), windows);
}

TEST(WindowBase, HandlerErrorsShowTheStandardBoxAndTheWindowCarriesOn) {
    const struct {
        UINT message;
        std::string failure, shown;
    } cases[] = {
        {WM_USER, "Not enough timers available", "Not enough timers available."},
        {WM_USER, "Stopped.", "Stopped."},
        {WM_USER + 1, "", "plain."},
    };
    setApplicationTitle("probe title");
    for (const auto& c : cases) {
        ProbeWindow w;
        w.failWith = c.failure;
        DWORD thread = GetCurrentThreadId();
        test::ErrorBoxSeen seen;
        std::thread reader([&] { seen = test::closeErrorBox(thread); });
        // The box runs its own loop inside the handler; SendMessage returns
        // once it is closed, without an exception.
        LRESULT r = SendMessageA(w.handle(), c.message, 0, 0);
        reader.join();
        EXPECT_EQ(r, 0);
        EXPECT_EQ(seen.caption, "probe title");
        EXPECT_EQ(seen.text, c.shown);
        EXPECT_EQ(seen.buttons, 1);
        EXPECT_TRUE(seen.okButton);
        EXPECT_TRUE(seen.stopIcon);
        // Still working afterwards.
        w.failWith.clear();
        EXPECT_EQ(SendMessageA(w.handle(), WM_USER, 0, 0), 1);
    }
    setApplicationTitle("");
}

TEST(WindowBase, ApplicationTitleIsTheExecutableName) {
    EXPECT_EQ(applicationTitle(), "toolkit_window_tests");
}

}  // namespace
}  // namespace qx
