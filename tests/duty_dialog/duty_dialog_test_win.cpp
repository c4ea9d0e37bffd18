// The duty dialog as staff use it: a real window on the screen, keys and
// clicks through the platform's input queue, a card reader's timing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "common/error.h"
#include "duty/emp_duty_dlg_win.h"
#include "localisation/caption_registry.h"
#include "toolkit/error_box_win.h"
#include "toolkit/gui_helpers_win.h"

namespace {

using namespace std::chrono;
using qx::TfEmpDutyDlg;
namespace test = qx::test;

// Keeps the dialog's thread inside a handler until the driving thread lets
// it go, as a slow answer from the database or a stalled window operation
// would; keys typed meanwhile wait in the thread's input queue.
class ThreadHold {
public:
    // The next hold() blocks.
    void arm() {
        std::lock_guard lock(mutex_);
        armed_ = true;
        released_ = false;
    }
    // Called on the dialog's thread; returns at once unless armed.
    void hold() {
        std::unique_lock lock(mutex_);
        if (!armed_) return;
        armed_ = false;
        held_ = true;
        changed_.notify_all();
        // Not for ever, should the driver fail before it lets go.
        changed_.wait_for(lock, 10s, [&] { return released_; });
        held_ = false;
    }
    // Called by the driver: whether the thread is held within timeout.
    bool waitHeld(milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return held_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        armed_ = false;
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false, held_ = false, released_ = false;
};

// Posted to the dialog: its thread is held in the handler of this message.
constexpr UINT kStallMessage = WM_APP + 15;

// The dialog with the transaction replaced by a recorder, so that the key
// handling is seen without a database. An armed hold keeps the thread in the
// next ProcessCard or in the handler of kStallMessage, whichever comes first.
class RecordingDialog : public TfEmpDutyDlg {
public:
    std::vector<std::string> submitted() {
        std::lock_guard lock(mutex_);
        return submitted_;
    }
    // The card box as the key handler left it after each ProcessCard, read
    // on the modal loop's next turn, and whether the one-second window was
    // still open then.
    struct AfterSubmit {
        std::string box;
        bool windowOpen;
        bool operator==(const AfterSubmit&) const = default;
    };
    std::vector<AfterSubmit> afterSubmits() {
        std::lock_guard lock(mutex_);
        return afterSubmits_;
    }
    std::string failWith;
    ThreadHold hold;

protected:
    void ProcessCard(const std::string& cardText) override {
        {
            std::lock_guard lock(mutex_);
            submitted_.push_back(cardText);
        }
        hold.hold();
        SetTimer(handle(), kAfterSubmitTimer, 0, &RecordingDialog::afterSubmit);
        if (!failWith.empty()) throw qx::Error(failWith);
    }

    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != kStallMessage) return TfEmpDutyDlg::handleMessage(msg, wp, lp);
        hold.hold();
        return 0;
    }

private:
    static constexpr UINT_PTR kAfterSubmitTimer = 0x5157;
    static void CALLBACK afterSubmit(HWND w, UINT, UINT_PTR id, DWORD) {
        KillTimer(w, id);
        try {
            if (auto* d = dynamic_cast<RecordingDialog*>(qx::TWindow::fromHandle(w))) {
                AfterSubmit seen{test::windowText(d->eUserID.handle()), d->Timer1.enabled()};
                std::lock_guard lock(d->mutex_);
                d->afterSubmits_.push_back(seen);
            }
        } catch (...) {
            // Nothing recorded: the test fails on the missing entry.
        }
    }
    std::mutex mutex_;
    std::vector<std::string> submitted_;
    std::vector<AfterSubmit> afterSubmits_;
};

// Input from the driving thread, through the platform's input queue.
void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Types the characters as a keyboard would, `gapMs` apart, without Enter.
void typeText(const std::string& text, int gapMs) { test::sendText(text, test::slowTyping(gapMs, false), pause); }

// A card reader: the track at a few milliseconds a key, then Enter.
void swipe(const std::string& track) { test::sendText(track, test::kCardReader, pause); }

void pressKey(WORD vk, unsigned modifiers = 0) { test::sendKeyStroke(vk, modifiers); }

// A right click at the centre of a control.
void rightClick(HWND w) {
    POINT p = test::centreOf(w);
    test::moveMouseTo(p);
    test::sendMouse(MOUSEEVENTF_RIGHTDOWN);
    test::sendMouse(MOUSEEVENTF_RIGHTUP);
}

// Runs the dialog modally on this thread while `drive` works on a second
// thread; returns the modal result. The driver starts once the card box has
// the focus and must close the dialog in the end.
int runDriven(TfEmpDutyDlg& dialog, const std::function<void()>& drive) {
    const DWORD thread = GetCurrentThreadId();
    const HWND box = dialog.eUserID.handle();
    std::thread driver([&] {
        if (!test::waitUntil([&] { return test::focusOf(thread) == box; }, 10000)) {
            ADD_FAILURE() << "the card box never got the focus";
            PostMessageA(dialog.handle(), WM_CLOSE, 0, 0);
            return;
        }
        drive();
    });
    int result = dialog.showModal();
    driver.join();
    return result;
}

std::string boxText(TfEmpDutyDlg& dialog) { return test::windowText(dialog.eUserID.handle()); }

// Made and prepared as ShowDutyDialog does: the card box starts empty.
std::unique_ptr<RecordingDialog> makeDialog() {
    auto dialog = qx::createForm<RecordingDialog>();
    dialog->eUserID.setText("");
    return dialog;
}

class DutyDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<RecordingDialog> dialog = makeDialog();
};

TEST_F(DutyDialogTest, ControlsStandWhereTheLayoutPutsThem) {
    struct Row {
        qx::TWindow* control;
        qx::TWindow* parent;
        int left, top, width, height;
    };
    auto& d = *dialog;
    const Row rows[] = {
        {&d.Panel1, &d, 0, 0, 702, 518},       {&d.pMain, &d.Panel1, 16, 40, 665, 457},
        {&d.Panel2, &d.pMain, 48, 88, 241, 289}, {&d.pInfo, &d.Panel2, 16, 48, 209, 185},
        {&d.mmInfo, &d.pInfo, 8, 64, 193, 113},  {&d.lResult, &d.Panel2, 16, 240, 209, 23},
        {&d.Panel4, &d.pMain, 336, 32, 297, 345}, {&d.Image1, &d.Panel4, 254, 5, 32, 32},
        {&d.Panel5, &d.Panel4, 6, 40, 283, 49},  {&d.eUserID, &d.Panel5, 76, 12, 199, 25},
        {&d.fcShapeBtn1, &d.pMain, 504, 392, 153, 57},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control->Name());
        EXPECT_EQ(r.control->parent(), r.parent);
        EXPECT_EQ(r.control->bounds(), (qx::TRect{r.left, r.top, r.left + r.width, r.top + r.height}));
    }
    EXPECT_EQ(d.clientRect(), (qx::TRect{0, 0, 702, 518}));
    // The labels size themselves and keep their left edges.
    EXPECT_EQ(d.lCaption.left(), 11);
    EXPECT_EQ(d.lCaption.top(), 10);
    EXPECT_EQ(d.fcLabel1.left(), 11);
    EXPECT_EQ(d.Label1.left(), 104);
    EXPECT_EQ(d.Label1.top(), 192);

    const std::pair<qx::TControl*, qx::TColor> colours[] = {
        {&d.Panel1, 0x00AF7C69}, {&d.pMain, qx::clBlue},  {&d.Panel2, qx::clLime}, {&d.pInfo, qx::clTeal},
        {&d.mmInfo, qx::clTeal}, {&d.Panel4, qx::clGreen}, {&d.Panel5, qx::clBlue}, {&d.fcShapeBtn1, qx::clRed},
        {&d.lResult, qx::clLime}, {&d.Label1, qx::clGreen},
    };
    for (auto [control, colour] : colours) EXPECT_EQ(control->color(), colour) << control->Name();
    EXPECT_EQ(d.mmInfo.font().color, qx::clWhite);
    EXPECT_EQ(d.Panel5.font().color, qx::clYellow);
    EXPECT_EQ(d.Panel5.font().height, -14);
    EXPECT_EQ(d.eUserID.font().height, -14);
    EXPECT_EQ(d.font().height, -19);
    EXPECT_TRUE(d.font().bold);
    EXPECT_EQ(d.eUserID.passwordChar(), '#');
    EXPECT_EQ(d.fcShapeBtn1.modalResult(), qx::mrCancel);
    EXPECT_FALSE(d.fcShapeBtn1.isDefault());
    EXPECT_FALSE(d.fcShapeBtn1.isCancel());
    EXPECT_FALSE(d.fcShapeBtn1.tabStop());
    EXPECT_FALSE(d.Timer1.enabled());
    EXPECT_EQ(d.Timer1.interval(), 1000u);
    EXPECT_EQ(d.Image1.pictureSize(), (qx::TSize{32, 32}));
    EXPECT_TRUE(d.Image1.transparent());
}

TEST_F(DutyDialogTest, OwnsItsControlsInLayoutOrder) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < dialog->componentCount(); ++i) names.push_back(dialog->component(i)->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Panel1", "lCaption", "pMain", "Panel2", "fcLabel1", "lResult",
                                               "pInfo", "mmInfo", "Panel4", "Label1", "Image1", "Panel5",
                                               "eUserID", "fcShapeBtn1", "Timer1"}));
}

TEST_F(DutyDialogTest, ASwipeAtReaderSpeedIsSubmittedWholeAndTheBoxEmptied) {
    int result = runDriven(*dialog, [&] {
        swipe(";12345?");
        test::waitUntil([&] { return dialog->afterSubmits().size() == 1; });
        // A second card right after the first arrives whole as well.
        swipe("23456");
        test::waitUntil([&] { return dialog->afterSubmits().size() == 2; });
        test::clickAt(dialog->fcShapeBtn1.handle());
    });
    EXPECT_EQ(result, qx::mrCancel);
    EXPECT_EQ(dialog->submitted(), (std::vector<std::string>{";12345?", "23456"}));
    // Emptied by the Enter itself: the one-second window that would wipe the
    // box anyway was still open.
    using After = RecordingDialog::AfterSubmit;
    EXPECT_EQ(dialog->afterSubmits(), (std::vector<After>{{"", true}, {"", true}}));
}

TEST_F(DutyDialogTest, SlowTypingIsWipedOneSecondAfterTheFirstKey) {
    steady_clock::time_point first, emptied;
    std::string afterTwo, afterThree;
    runDriven(*dialog, [&] {
        first = steady_clock::now();
        typeText("1", 0);
        std::this_thread::sleep_until(first + 600ms);
        typeText("2", 0);
        test::waitUntil([&] { return boxText(*dialog) == "12"; }, 2000);
        afterTwo = boxText(*dialog);
        test::waitUntil([&] { return boxText(*dialog).empty(); }, 3000);
        emptied = steady_clock::now();
        std::this_thread::sleep_until(first + 1200ms);
        typeText("3", 0);
        test::waitUntil([&] { return boxText(*dialog) == "3"; }, 2000);
        afterThree = boxText(*dialog);
        // The third digit opened a new window, which ends with an empty box.
        test::waitUntil([&] { return boxText(*dialog).empty(); }, 3000);
        PostMessageA(dialog->handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(afterTwo, "12");
    EXPECT_EQ(afterThree, "3");
    // Measured from the first key, not the last: a window from the second
    // key would end at 1600 ms.
    auto wiped = duration_cast<milliseconds>(emptied - first).count();
    EXPECT_GE(wiped, 950);
    EXPECT_LT(wiped, 1500);
    EXPECT_TRUE(dialog->submitted().empty());
}

// Where the dialog's thread is held busy across the end of an entry's
// second: in the transaction of the card before (a slow database answer), or
// in another handler while the entry's text is still in the box.
enum class HeldIn { ProcessCard, OtherHandler };

// The next card's keys queue up while the thread is held, typed before or
// after the end of the held entry's second; all of them, or the first few
// with the rest typed once the thread is running again. Times are from the
// held entry's first key. Whatever the thread was doing, each key counts
// from when it was typed: the next card is neither added to the held
// entry's text nor cut by its late tick, unless it was typed across the end
// of that entry's second.
TEST_F(DutyDialogTest, KeysTypedWhileTheThreadIsBusyCountFromWhenTheyWereTyped) {
    test::ScreenshotOnFailure screenshot;
    const std::string card = ";1002?\n";
    constexpr auto kReleaseAt = 1450ms, kRestAt = 1750ms;
    constexpr std::size_t kWhole = std::string::npos;
    struct Case {
        const char* what;
        HeldIn heldIn;
        milliseconds queuedAt;
        std::size_t queued;  // characters of the card queued while held; the rest are typed at kRestAt
        std::vector<std::string> submitted;
        std::string boxBeforeRest;  // what the box shows just before the rest is typed
    };
    const Case cases[] = {
        {"slow answer, the next card typed inside the second", HeldIn::ProcessCard, 500ms, kWhole,
         {";1001?", ";1002?"}, ""},
        {"slow answer, the next card typed after the second", HeldIn::ProcessCard, 1250ms, kWhole,
         {";1001?", ";1002?"}, ""},
        {"slow answer, the next card begun after the second and ended once the thread runs", HeldIn::ProcessCard,
         1250ms, 3, {";1001?", ";1002?"}, ";10"},
        {"slow answer, the next card begun inside the second and ended after it", HeldIn::ProcessCard, 800ms, 3,
         {";1001?", "02?"}, ""},
        {"text in the box, the card typed inside its second", HeldIn::OtherHandler, 500ms, kWhole,
         {"12;1002?"}, ""},
        {"text in the box, the card typed after its second", HeldIn::OtherHandler, 1250ms, kWhole, {";1002?"}, ""},
        {"text in the box, the card begun after its second and ended once the thread runs", HeldIn::OtherHandler,
         1250ms, 3, {";1002?"}, ";10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string queued = card.substr(0, c.queued);
        const std::string rest = c.queued < card.size() ? card.substr(c.queued) : "";
        bool held = false, emptied = false;
        std::string beforeRest;
        dialog = makeDialog();
        runDriven(*dialog, [&] {
            dialog->hold.arm();
            const auto first = steady_clock::now();
            if (c.heldIn == HeldIn::ProcessCard) {
                swipe(";1001?");
            } else {
                typeText("12", 4);
                test::waitUntil([&] { return boxText(*dialog) == "12"; }, 500);
                PostMessageA(dialog->handle(), kStallMessage, 0, 0);
            }
            held = dialog->hold.waitHeld(800ms);
            std::this_thread::sleep_until(first + c.queuedAt);
            typeText(queued, 4);
            std::this_thread::sleep_until(first + kReleaseAt);
            dialog->hold.release();
            if (!rest.empty()) {
                std::this_thread::sleep_until(first + kRestAt);
                beforeRest = boxText(*dialog);
                typeText(rest, 4);
            }
            test::waitUntil([&] { return dialog->submitted().size() >= c.submitted.size(); }, 3000);
            // The entry the card opened is wiped in the end as well.
            emptied = test::waitUntil([&] { return boxText(*dialog).empty(); }, 3000);
            PostMessageA(dialog->handle(), WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(held) << "the dialog's thread was never held";
        EXPECT_EQ(dialog->submitted(), c.submitted);
        if (!rest.empty()) {
            EXPECT_EQ(beforeRest, c.boxBeforeRest);
        }
        EXPECT_TRUE(emptied);
    }
}

TEST_F(DutyDialogTest, ClipboardKeysChangeNothing) {
    // Something to paste.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 4);
        std::memcpy(GlobalLock(mem), "999", 4);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, mem);
        CloseClipboard();
    }
    struct Case {
        char key;
        bool selectAll;
    };
    const Case cases[] = {{'V', false}, {'V', true}, {'C', true}, {'X', true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("Ctrl+") + c.key);
        std::string after;
        dialog = makeDialog();
        runDriven(*dialog, [&] {
            typeText("12", 2);
            test::waitUntil([&] { return boxText(*dialog) == "12"; }, 900);
            if (c.selectAll) SendMessageA(dialog->eUserID.handle(), EM_SETSEL, 0, -1);
            pressKey(static_cast<WORD>(c.key), test::kCtrl);
            // A marker key after the shortcut: once it shows, the shortcut
            // has been handled.
            typeText("7", 0);
            test::waitUntil([&] { return boxText(*dialog).find('7') != std::string::npos; }, 900);
            after = boxText(*dialog);
            PostMessageA(dialog->handle(), WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(after, c.selectAll ? "7" : "127");
    }
    // Copy and cut left the clipboard as it was.
    std::string clip;
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            clip = static_cast<const char*>(GlobalLock(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
    }
    EXPECT_EQ(clip, "999");
}

// Menus are top-level windows of class "#32768" while they show.
bool menuShowing(DWORD thread) {
    HWND menu = test::findThreadWindow(thread, "#32768");
    return menu && IsWindowVisible(menu);
}

TEST_F(DutyDialogTest, RightClickShowsNoMenuAndEscapeOrEnterDoNotClose) {
    const DWORD thread = GetCurrentThreadId();
    const HWND box = dialog->eUserID.handle();
    test::MessageWatch watch;  // on this thread, which runs the dialog
    ASSERT_TRUE(watch.hooked());
    bool sawMenu = false, menuAsked = false, keysHandled = false, stillOpen = false;
    runDriven(*dialog, [&] {
        rightClick(box);
        // The click makes the box's menu request; a menu would show before
        // that request returns, and is closed here so that it can return.
        menuAsked = test::waitUntil(
            [&] {
                if (menuShowing(thread)) {
                    sawMenu = true;
                    pressKey(VK_ESCAPE);
                }
                return watch.handled(WM_CONTEXTMENU, box) > 0;
            },
            5000);
        pressKey(VK_ESCAPE);
        pressKey(VK_RETURN);
        // The dialog's loop takes a key's release only after it handled the
        // press, and only while it still runs.
        keysHandled = test::waitUntil(
            [&] { return watch.taken(WM_KEYUP, box, VK_ESCAPE) > 0 && watch.taken(WM_KEYUP, box, VK_RETURN) > 0; },
            5000);
        stillOpen = IsWindowVisible(dialog->handle()) != FALSE && dialog->modalResult() == qx::mrNone;
        PostMessageA(dialog->handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(menuAsked) << "the right click never reached the card box";
    EXPECT_FALSE(sawMenu);
    EXPECT_TRUE(keysHandled) << "Escape and Enter were not both handled by the running dialog";
    EXPECT_TRUE(stillOpen);
    // Enter in the empty box submits the empty text.
    EXPECT_EQ(dialog->submitted(), (std::vector<std::string>{""}));
}

TEST_F(DutyDialogTest, AFailingCardShowsTheErrorBoxAndTheDialogStays) {
    qx::setApplicationTitle("front office");
    dialog->failWith = "The database went away";
    test::ErrorBoxSeen seen;
    std::string boxAfter;
    bool stillOpen = false;
    const DWORD thread = GetCurrentThreadId();
    runDriven(*dialog, [&] {
        swipe("4711");
        seen = test::closeErrorBox(thread);
        test::waitUntil([&] { return !test::findThreadWindow(thread, "#32770"); });
        boxAfter = boxText(*dialog);
        stillOpen = IsWindowVisible(dialog->handle()) != FALSE;
        test::clickAt(dialog->fcShapeBtn1.handle());
    });
    qx::setApplicationTitle("");
    EXPECT_EQ(seen.caption, "front office");
    EXPECT_EQ(seen.text, "The database went away.");
    EXPECT_TRUE(seen.stopIcon);
    EXPECT_TRUE(stillOpen);
    // The failed card stays in the box until the timer wipes it.
    EXPECT_EQ(boxAfter, "4711");
}

// ShowDutyDialog with a module that is never asked anything: the dialog is
// inspected from inside its modal loop by a thread timer, then closed.
struct SeenInLoop {
    std::string title, memo, result, box;
    qx::TColor main = 0;
    bool dutyMode = false;
};

SeenInLoop showAndInspect(bool dutyMode) {
    static SeenInLoop seen;
    seen = {};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        HWND w = test::findThreadWindow(GetCurrentThreadId(), "QxForm");
        auto* d = dynamic_cast<TfEmpDutyDlg*>(qx::TWindow::fromHandle(w));
        if (!d || !IsWindowVisible(w)) return;
        KillTimer(nullptr, id);
        seen = {d->lCaption.caption(), test::windowText(d->mmInfo.handle()), d->lResult.caption(),
                test::windowText(d->eUserID.handle()), d->pMain.color(), d->DutyMode()};
        PostMessageA(w, WM_CLOSE, 0, 0);
    });
    qx::TdmDuty module;
    TfEmpDutyDlg::ShowDutyDialog(module, dutyMode);
    KillTimer(nullptr, timer);
    return seen;
}

TEST(ShowDutyDialog, TheModeGivesColourTitleAndMode) {
    struct Case {
        bool dutyMode;
        qx::TColor main;
        std::string title;
    } cases[] = {
        {true, qx::clBlue, "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0"},    // "staff clock in"
        {false, qx::clGreen, "\xd4\xb1\xb9\xa4\xcf\xc2\xb0\xe0"},  // "staff clock out"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dutyMode);
        SeenInLoop seen = showAndInspect(c.dutyMode);
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.main, c.main);
        EXPECT_EQ(seen.dutyMode, c.dutyMode);
        EXPECT_EQ(seen.memo, "");
        EXPECT_EQ(seen.result, "");
        EXPECT_EQ(seen.box, "");
    }
}

}  // namespace
