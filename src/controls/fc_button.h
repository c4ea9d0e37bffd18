// Push button with glyph and caption: the parts that need no window.
// Content layout, the press / move / release / click state machine and the
// keyboard rules live here so that they can be exercised without a display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/fc_text.h"
#include "toolkit/colour.h"
#include "toolkit/geometry.h"

namespace qx {

enum class TfcButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Shifts of glyph and caption; the Down values apply while the button is down.
struct TfcOffsets {
    int GlyphX = 0;
    int GlyphY = 0;
    int TextX = 0;
    int TextY = 0;
    int TextDownX = 1;
    int TextDownY = 1;
};

// The image level adds shifts for a picture face, which the shaped button
// does not draw; they are kept as settings only.
struct TfcImgDownOffsets : TfcOffsets {
    int ImageDownX = 2;
    int ImageDownY = 2;
};

struct TfcShadeColors {
    TColor Btn3DLight = cl3DLight;
    TColor BtnHighlight = clBtnHighlight;
    TColor BtnShadow = clBtnShadow;
    TColor BtnBlack = clBlack;
    TColor BtnFocus = clBlack;
    TColor Shadow = clBlack;  // not drawn by the shaped button
};

enum TfcButtonOption : unsigned {
    boFocusable = 1u << 0,
    boOverrideActionGlyph = 1u << 1,
    boToggleOnUp = 1u << 2,
    boFocusRect = 1u << 3,
    boAutoBold = 1u << 4,
};
using TfcButtonOptions = unsigned;

// Everything the content layout looks at.
struct TfcContentLayoutInput {
    int width = 0;           // button
    int height = 0;
    int glyphWidth = 0;      // whole glyph bitmap, 0 x 0 when there is none
    int glyphHeight = 0;
    int numGlyphs = 1;
    bool captionEmpty = true;
    int textWidth = 0;       // measured caption
    int textHeight = 0;
    TAlignment alignment = TAlignment::taCenter;
    TfcButtonLayout layout = TfcButtonLayout::blGlyphLeft;
    int margin = -1;
    int spacing = 4;
    TfcOffsets offsets;
    bool down = false;
};

struct TfcContentRects {
    TRect GlyphRect;
    TRect CaptionRect;
};

// Width of one frame of a glyph holding numGlyphs frames side by side.
int GlyphFrameWidth(int glyphWidth, int numGlyphs);

// Places glyph and caption around the button's centre.
TfcContentRects LayoutContent(const TfcContentLayoutInput& in);

// The caption may not leave the client area; the glyph is not limited.
TRect ClampToClient(TRect r, int width, int height);

// Clamps a glyph count to 1..4.
int ClampNumGlyphs(int n);

// The accelerator of a caption: the character after a single "&" ("&&" is
// a literal ampersand), or 0 when there is none.
char CaptionAccelerator(std::string_view caption);

// Press, move, release and click of one push button, without a window. The
// window layer feeds it the events and answers its questions through Host.
class TfcButtonPressLogic {
public:
    class Host {
    public:
        virtual ~Host() = default;
        // Whether the given client point (or the cursor, for -1, -1) lies
        // over the button; tracking is checked by the caller.
        virtual bool PointOverButton(int x, int y) = 0;
        virtual bool LeftButtonHeld() = 0;  // the platform's view, now
        virtual void CaptureMouse() = 0;
        virtual void ReleaseMouse() = 0;
        virtual void TakeFocus() = 0;
        virtual void RepaintNow() = 0;
        virtual void RequestRepaint() = 0;
        virtual void DownChanged(bool /*down*/) {}
        // Hands the modal result to the form and runs the click notification.
        virtual void DoClick() = 0;
    };

    explicit TfcButtonPressLogic(Host& host) : host_(host) {}

    // Mouse input, positions in client coordinates.
    void LeftDown(int x, int y);
    // The platform or toolkit cancelled mouse modes while a press was held.
    void CancelMode();
    void MouseMove(int x, int y, bool leftHeld);
    void LeftUp(int x, int y);
    // Space while the button has the focus: press, release and click.
    void SpaceDown();
    // Enter / Escape offered by the form; true when the key was consumed.
    bool DialogKey(bool enter, bool escape, bool modifiersHeld, bool canFocus);
    // A dialog character; true when it was the accelerator and was consumed.
    bool DialogChar(char c, std::string_view caption, bool canFocus);
    // The focus moved to some control: this button, another of this family,
    // or something else.
    enum class FocusTarget { ThisButton, SiblingButton, Other };
    void FocusMoved(FocusTarget target);

    void Click();
    void Press();
    void Release();
    bool IsMouseInside(int x, int y, bool requireTracking);
    void SetDownState(bool value, bool repaint);

    // Settings the logic consults.
    TfcButtonOptions Options = 0;
    int GroupIndex = 0;
    bool Default = false;
    bool Cancel = false;

    bool Down() const { return down_; }
    bool Tracking() const { return tracking_; }
    bool DownAtPress() const { return downAtPress_; }
    bool ClickInProgress() const { return clickInProgress_; }
    bool ActiveDefault() const { return activeDefault_; }
    void ResetActiveDefault() { activeDefault_ = Default; }
    // Down is kept only for group buttons or while a layout is read.
    void SetDown(bool value, bool loading);

private:
    Host& host_;
    bool down_ = false;
    bool tracking_ = false;
    bool downAtPress_ = false;
    bool clickInProgress_ = false;
    bool activeDefault_ = false;
};

}  // namespace qx
