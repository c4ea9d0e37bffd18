#include "controls/fc_button.h"

#include <algorithm>
#include <cctype>

namespace qx {

int GlyphFrameWidth(int glyphWidth, int numGlyphs)
{
    return numGlyphs == 0 ? glyphWidth : glyphWidth / numGlyphs;
}

int ClampNumGlyphs(int n)
{
    return std::clamp(n, 1, 4);
}

TfcContentRects LayoutContent(const TfcContentLayoutInput& in)
{
    const bool hasGlyph = in.glyphWidth > 0 && in.glyphHeight > 0;
    const int gw = hasGlyph ? GlyphFrameWidth(in.glyphWidth, in.numGlyphs) : 0;
    const int gh = hasGlyph ? in.glyphHeight : 0;
    const int tw = in.textWidth;
    const int th = in.textHeight;
    int s = (!in.captionEmpty && hasGlyph) ? in.spacing : 0;

    const int margin = in.margin == -1 ? 4 : in.margin;
    const int cy = in.height / 2;
    int cx = in.width / 2;
    if (in.alignment == TAlignment::taLeftJustify)
        cx = (tw + gw + s) / 2 + margin;
    else if (in.alignment == TAlignment::taRightJustify)
        cx = in.width - margin - (tw + gw + s) / 2;

    // Without a glyph the gap turns negative; C++ division truncates toward
    // zero, so (0 - 6) / 2 is -3 and a lone caption sits one pixel left.
    if (gw == 0 || gh == 0)
        s = (s - 6) / 2;

    const int e = s + gw + tw;
    const int v = s + gh + 1 + th;
    int gx = 0, gy = 0, tx = 0, ty = 0;
    switch (in.layout) {
    case TfcButtonLayout::blGlyphLeft:
        gx = cx - e / 2;
        gy = cy - (gh + 1) / 2;
        tx = cx - e / 2 + s + gw;
        ty = cy - th / 2;
        break;
    case TfcButtonLayout::blGlyphRight:
        gx = cx - e / 2 + s + tw;
        gy = cy - (gh + 1) / 2;
        tx = cx - e / 2;
        ty = cy - th / 2;
        break;
    case TfcButtonLayout::blGlyphTop:
        gx = cx - gw / 2;
        gy = cy - v / 2;
        tx = cx - tw / 2;
        ty = cy - v / 2 + s + gh;
        break;
    case TfcButtonLayout::blGlyphBottom:
        gx = cx - gw / 2;
        gy = cy - v / 2 + s + th;
        tx = cx - tw / 2;
        ty = cy - v / 2;
        break;
    }

    TfcContentRects r;
    r.GlyphRect = {gx, gy, gx + gw, gy + gh};
    r.CaptionRect = {tx, ty, tx + tw, ty + th};
    r.CaptionRect = r.CaptionRect.offset(in.offsets.TextX, in.offsets.TextY);
    r.GlyphRect = r.GlyphRect.offset(in.offsets.GlyphX, in.offsets.GlyphY);
    if (in.down) {
        r.CaptionRect = r.CaptionRect.offset(in.offsets.TextDownX, in.offsets.TextDownY);
        r.GlyphRect = r.GlyphRect.offset(in.offsets.TextDownX, in.offsets.TextDownY);
    }
    return r;
}

TRect ClampToClient(TRect r, int width, int height)
{
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    return r;
}

char CaptionAccelerator(std::string_view caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;  // a literal ampersand
            continue;
        }
        return caption[i + 1];
    }
    return 0;
}

// --- press logic ---------------------------------------------------------

void TfcButtonPressLogic::SetDown(bool value, bool loading)
{
    if (GroupIndex != 0 || loading)
        down_ = value;
}

void TfcButtonPressLogic::SetDownState(bool value, bool repaint)
{
    if (value == down_)
        return;
    down_ = value;
    host_.DownChanged(value);
    if (repaint)
        host_.RequestRepaint();
}

bool TfcButtonPressLogic::IsMouseInside(int x, int y, bool requireTracking)
{
    bool inside = host_.PointOverButton(x, y);
    if (requireTracking)
        inside = inside && tracking_;
    return inside;
}

void TfcButtonPressLogic::Press()
{
    downAtPress_ = down_;
    if (!((Options & boToggleOnUp) && GroupIndex != 0)) {
        if (Options & boFocusable)
            host_.TakeFocus();
        SetDownState(true, false);
    }
    if (down_ != downAtPress_)
        host_.RepaintNow();
}

void TfcButtonPressLogic::Release()
{
    // Toggle groups keep their state; ordinary buttons spring back.
    if (GroupIndex == 0) {
        SetDownState(false, false);
        host_.RepaintNow();
    }
}

void TfcButtonPressLogic::Click()
{
    clickInProgress_ = true;
    struct Done {
        TfcButtonPressLogic& self;
        ~Done()
        {
            self.clickInProgress_ = false;
        }
    } done{*this};
    host_.DoClick();
    host_.RequestRepaint();
}

void TfcButtonPressLogic::LeftDown(int, int)
{
    if (!host_.LeftButtonHeld())
        return;
    tracking_ = true;
    host_.CaptureMouse();
    Press();
}

void TfcButtonPressLogic::MouseMove(int x, int y, bool leftHeld)
{
    if (!tracking_ || !leftHeld || (Options & boToggleOnUp))
        return;
    const bool inside = IsMouseInside(x, y, true);
    if ((inside && !down_) || (!inside && down_ && !downAtPress_)) {
        SetDownState(inside, false);
        host_.RepaintNow();
    }
}

void TfcButtonPressLogic::LeftUp(int x, int y)
{
    Release();
    host_.ReleaseMouse();
    const bool click = IsMouseInside(x, y, true) || (Options & boToggleOnUp);
    // Tracking ends even when the click notification throws.
    struct Done {
        bool& tracking;
        ~Done() { tracking = false; }
    } done{tracking_};
    if (click)
        Click();
}

void TfcButtonPressLogic::CancelMode()
{
    if (tracking_)
        LeftUp(-1, -1);
}

void TfcButtonPressLogic::SpaceDown()
{
    Press();
    Release();
    Click();
}

bool TfcButtonPressLogic::DialogKey(bool enter, bool escape, bool modifiersHeld, bool canFocus)
{
    if (modifiersHeld || !canFocus)
        return false;
    if ((enter && activeDefault_) || (escape && Cancel)) {
        Click();
        return true;
    }
    return false;
}

bool TfcButtonPressLogic::DialogChar(char c, std::string_view caption, bool canFocus)
{
    const char accel = CaptionAccelerator(caption);
    if (accel == 0 || !canFocus)
        return false;
    const auto lower = [](char ch) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    };
    if (lower(c) != lower(accel))
        return false;
    SetDown(!down_, false);
    Click();
    host_.RequestRepaint();
    return true;
}

void TfcButtonPressLogic::FocusMoved(FocusTarget target)
{
    switch (target) {
    case FocusTarget::ThisButton: activeDefault_ = true; break;
    case FocusTarget::SiblingButton: activeDefault_ = false; break;
    case FocusTarget::Other: activeDefault_ = Default; break;
    }
}

}  // namespace qx
