// The push button's press / move / release / click state machine and its
// keyboard rules, fed with events by a scripted host.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "controls/fc_button.h"

namespace qx {
namespace {

// A 100 x 40 button; the host answers hit tests from the position, or from
// the cursor for -1, -1, and records what the logic asks of it.
class ScriptedHost : public TfcButtonPressLogic::Host {
public:
    bool cursorOver = false;
    bool leftHeld = true;
    bool captured = false;
    bool focused = false;
    int clicks = 0;
    int repaintsNow = 0;
    bool throwOnClick = false;
    std::vector<bool> shownDown;  // Down at every immediate repaint
    TfcButtonPressLogic* logic = nullptr;
    bool clickSawInProgress = false;

    bool PointOverButton(int x, int y) override
    {
        if (x == -1 && y == -1)
            return cursorOver;
        return x >= 0 && y >= 0 && x < 100 && y < 40;
    }
    bool LeftButtonHeld() override { return leftHeld; }
    void CaptureMouse() override { captured = true; }
    void ReleaseMouse() override { captured = false; }
    void TakeFocus() override { focused = true; }
    void RepaintNow() override
    {
        ++repaintsNow;
        shownDown.push_back(logic->Down());
    }
    void RequestRepaint() override {}
    void DoClick() override
    {
        clickSawInProgress = logic->ClickInProgress();
        ++clicks;
        if (throwOnClick)
            throw std::runtime_error("handler failed");
    }
};

struct Fixture {
    ScriptedHost host;
    TfcButtonPressLogic logic{host};
    Fixture() { host.logic = &logic; }
};

// Mouse scripts: D = left down at x, M = move to x (left held), U = left up at x.
struct Step {
    char what;
    int x;
};

struct MouseCase {
    const char* name;
    std::vector<Step> steps;
    int clicks;
    std::vector<bool> shownDown;
};

TEST(PressLogic, MouseScripts)
{
    const int in = 50, out = 150;
    const std::vector<MouseCase> cases = {
        {"press and release inside", {{'D', in}, {'U', in}}, 1, {true, false}},
        {"leave, come back, release", {{'D', in}, {'M', out}, {'M', in}, {'U', in}}, 1, {true, false, true, false}},
        {"leave and release outside", {{'D', in}, {'M', out}, {'U', out}}, 0, {true, false, false}},
        {"moves that change nothing draw nothing", {{'D', in}, {'M', in + 1}, {'M', out}, {'M', out + 5}, {'U', out}},
         0, {true, false, false}},
        {"pressed elsewhere, released over it", {{'U', in}}, 0, {false}},
        {"two presses, two clicks", {{'D', in}, {'U', in}, {'D', in}, {'U', in}}, 2, {true, false, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        for (const Step& s : c.steps) {
            if (s.what == 'D') f.logic.LeftDown(s.x, 10);
            if (s.what == 'M') f.logic.MouseMove(s.x, 10, true);
            if (s.what == 'U') f.logic.LeftUp(s.x, 10);
            if (s.what == 'D' || s.what == 'M') {
                EXPECT_TRUE(f.logic.Tracking());
                EXPECT_TRUE(f.host.captured);
                EXPECT_EQ(f.logic.Down(), s.x < 100) << "pressed exactly while over the button";
            }
        }
        EXPECT_EQ(f.host.clicks, c.clicks);
        EXPECT_EQ(f.host.shownDown, c.shownDown);
        EXPECT_FALSE(f.logic.Down());
        EXPECT_FALSE(f.logic.Tracking());
        EXPECT_FALSE(f.host.captured);
        EXPECT_FALSE(f.host.focused);
    }
}

TEST(PressLogic, PressNeedsTheLeftButtonReallyDown)
{
    Fixture f;
    f.host.leftHeld = false;  // a stale message after the button came up
    f.logic.LeftDown(10, 10);
    EXPECT_FALSE(f.logic.Tracking());
    EXPECT_FALSE(f.logic.Down());
    f.logic.LeftUp(10, 10);
    EXPECT_EQ(f.host.clicks, 0);
}

TEST(PressLogic, MoveWithoutTheButtonHeldChangesNothing)
{
    Fixture f;
    f.logic.LeftDown(10, 10);
    f.logic.MouseMove(150, 10, false);
    EXPECT_TRUE(f.logic.Down());
    f.logic.MouseMove(150, 10, true);
    EXPECT_FALSE(f.logic.Down());
}

TEST(PressLogic, CancelModeReleasesAtTheCursor)
{
    for (bool over : {true, false}) {
        SCOPED_TRACE(over);
        Fixture f;
        f.logic.LeftDown(10, 10);
        f.host.cursorOver = over;
        f.logic.CancelMode();
        EXPECT_EQ(f.host.clicks, over ? 1 : 0);
        EXPECT_FALSE(f.logic.Tracking());
        EXPECT_FALSE(f.logic.Down());
        EXPECT_FALSE(f.host.captured);
        f.logic.CancelMode();  // nothing held any more
        EXPECT_EQ(f.host.clicks, over ? 1 : 0);
    }
}

TEST(PressLogic, FocusOnlyWhenFocusable)
{
    Fixture f;
    f.logic.LeftDown(10, 10);
    f.logic.LeftUp(10, 10);
    EXPECT_FALSE(f.host.focused);
    f.logic.Options = boFocusable;
    f.logic.LeftDown(10, 10);
    EXPECT_TRUE(f.host.focused);
}

TEST(PressLogic, ClickStateIsClearedWhenTheHandlerThrows)
{
    Fixture f;
    f.host.throwOnClick = true;
    f.logic.LeftDown(10, 10);
    EXPECT_THROW(f.logic.LeftUp(10, 10), std::runtime_error);
    EXPECT_TRUE(f.host.clickSawInProgress);
    EXPECT_FALSE(f.logic.ClickInProgress());
    EXPECT_FALSE(f.logic.Tracking());
    EXPECT_FALSE(f.logic.Down());
}

TEST(PressLogic, SpaceClicksOnTheKeyGoingDown)
{
    Fixture f;
    f.logic.SpaceDown();
    EXPECT_EQ(f.host.clicks, 1);
    EXPECT_EQ(f.host.shownDown, (std::vector<bool>{true, false}));
}

TEST(PressLogic, DialogKeys)
{
    struct Case {
        const char* name;
        bool isDefault, isCancel;
        bool enter, escape, modifiers, canFocus;
        TfcButtonPressLogic::FocusTarget focus;
        bool moveFocus;
        bool consumed;
    };
    using FT = TfcButtonPressLogic::FocusTarget;
    const Case cases[] = {
        {"dialog settings: Enter", false, false, true, false, false, true, FT::Other, false, false},
        {"dialog settings: Escape", false, false, false, true, false, true, FT::Other, false, false},
        {"default: Enter", true, false, true, false, false, true, FT::Other, false, true},
        {"default: Escape", true, false, false, true, false, true, FT::Other, false, false},
        {"default: Ctrl+Enter", true, false, true, false, true, true, FT::Other, false, false},
        {"default: disabled or hidden", true, false, true, false, false, false, FT::Other, false, false},
        {"default: sibling focused", true, false, true, false, false, true, FT::SiblingButton, true, false},
        {"default: other control focused", true, false, true, false, false, true, FT::Other, true, true},
        {"not default, focused itself", false, false, true, false, false, true, FT::ThisButton, true, true},
        {"cancel: Escape", false, true, false, true, false, true, FT::Other, false, true},
        {"cancel: Enter", false, true, true, false, false, true, FT::Other, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.logic.Default = c.isDefault;
        f.logic.Cancel = c.isCancel;
        f.logic.ResetActiveDefault();  // the window was created
        if (c.moveFocus)
            f.logic.FocusMoved(c.focus);
        EXPECT_EQ(f.logic.DialogKey(c.enter, c.escape, c.modifiers, c.canFocus), c.consumed);
        EXPECT_EQ(f.host.clicks, c.consumed ? 1 : 0);
    }
}

TEST(PressLogic, AcceleratorCharacter)
{
    struct Case { const char* caption; char typed; bool canFocus; bool consumed; };
    const Case cases[] = {
        {"&Yes", 'y', true, true},
        {"&Yes", 'Y', true, true},
        {"&Yes", 'n', true, false},
        {"&Yes", 'y', false, false},
        {"&&Yes", 'y', true, false},
        {"\xca\xc7", 'y', true, false},  // "是" (yes) has no accelerator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        Fixture f;
        EXPECT_EQ(f.logic.DialogChar(c.typed, c.caption, c.canFocus), c.consumed);
        EXPECT_EQ(f.host.clicks, c.consumed ? 1 : 0);
        EXPECT_FALSE(f.logic.Down()) << "no group index: Down stays false";
    }
}

TEST(PressLogic, DownIsKeptOnlyWhileLoadingOrInAGroup)
{
    Fixture f;
    f.logic.SetDown(true, false);
    EXPECT_FALSE(f.logic.Down());
    f.logic.SetDown(true, true);
    EXPECT_TRUE(f.logic.Down());
}

}  // namespace
}  // namespace qx
