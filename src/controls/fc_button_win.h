// The push button with glyph and caption as an owner-drawn "BUTTON" window.
// It handles the mouse itself, never takes the focus unless boFocusable is
// set, and paints every pixel off screen.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "controls/fc_bitmap.h"
#include "controls/fc_bitmap_win.h"
#include "controls/fc_button.h"
#include "controls/fc_text.h"
#include "toolkit/window_win.h"

namespace qx {

class TfcCustomBitBtn : public TControl, protected TfcButtonPressLogic::Host {
public:
    explicit TfcCustomBitBtn(TWindow* parent);
    ~TfcCustomBitBtn() override;

    // Answers "caption".
    Property property(std::string_view name) override {
        if (sameName(name, "caption")) return captionProperty(*this);
        return TControl::property(name);
    }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& value);

    // The glyph: numGlyphs() frames side by side.
    const TfcPixels& glyph() const { return glyph_; }
    void setGlyph(TfcPixels pixels);
    void setGlyph(HBITMAP bitmap);  // copies the pixels
    int numGlyphs() const { return numGlyphs_; }
    void setNumGlyphs(int value);

    TfcButtonLayout layout() const { return layout_; }
    void setLayout(TfcButtonLayout value);
    int margin() const { return margin_; }
    void setMargin(int value);  // below -1 is refused
    int spacing() const { return spacing_; }
    void setSpacing(int value);

    const TfcImgDownOffsets& offsets() const { return offsets_; }
    void setOffsets(const TfcImgDownOffsets& value);
    const TfcShadeColors& shadeColors() const { return shadeColors_; }
    void setShadeColors(const TfcShadeColors& value);
    TfcCaptionText& textOptions() { return textOptions_; }

    TfcButtonOptions options() const { return logic_.Options; }
    void setOptions(TfcButtonOptions value);
    int modalResult() const { return modalResult_; }
    void setModalResult(int value) { modalResult_ = value; }
    bool isDefault() const { return logic_.Default; }
    void setDefault(bool value);
    bool isCancel() const { return logic_.Cancel; }
    void setCancel(bool value) { logic_.Cancel = value; }
    bool down() const { return logic_.Down(); }
    void setDown(bool value);
    int groupIndex() const { return logic_.GroupIndex; }
    bool tabStop() const;
    void setTabStop(bool value);

    // The parent's clip-children style bit.
    bool parentClipping() const;
    void setParentClipping(bool value);

    // After all settings of a layout were applied.
    void loaded();

    // Working state.
    bool tracking() const { return logic_.Tracking(); }
    bool downAtPress() const { return logic_.DownAtPress(); }
    bool clickInProgress() const { return logic_.ClickInProgress(); }
    bool activeDefault() const { return logic_.ActiveDefault(); }
    const TRect& glyphRect() const { return glyphRect_; }
    const TRect& captionRect() const { return captionRect_; }

    std::function<void()> onClick;

    // Draws the whole button on dc, whose origin is the button's top-left.
    virtual void PaintButton(HDC dc);
    // Draws at once through the window's device context.
    void RepaintNow() override;
    // Gives the window the region of its outline for the current Down.
    virtual void ApplyShapeRegion();
    // Whether the point (client coordinates, or the cursor for -1, -1) is
    // over the button, and with requireTracking whether a press is held.
    bool IsMouseInside(int x, int y, bool requireTracking);

protected:
    // The region for a pressed state; the base level only has saved data.
    virtual unique_region CreateShapeRegion(bool pressed);
    virtual TfcContentRects LayoutContent(int textWidth, int textHeight);
    virtual int GlyphFrameWidth() const;
    virtual void DrawGlyph(HDC dc, const TRect& rect);
    virtual void DrawCaption(HDC dc, const TRect& rect);
    // The face; nothing at this level.
    virtual void DrawShape(TfcBitmap& image, bool regionMode, bool pressed);
    virtual void DrawContent(HDC dc);

    // Emphasis of the outline: the button is focused or the default one.
    bool emphasised() const;
    // Saved region data per pressed state, dropped when the outline changes.
    void discardSavedRegions();
    unique_region regionFromSaved(bool pressed) const;
    void saveRegion(bool pressed, HRGN region);

    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    std::optional<LRESULT> handleParentNotification(UINT msg, WPARAM wp, LPARAM lp) override;
    bool dialogKey(UINT virtualKey) override;
    bool dialogChar(char ch, bool alt) override;

    // TfcButtonPressLogic::Host
    bool PointOverButton(int x, int y) override;
    bool LeftButtonHeld() override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    void TakeFocus() override;
    void RequestRepaint() override;
    void DoClick() override;

private:
    void mouseDown(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT mouseActivate(WPARAM wp, LPARAM lp);
    void sizeChanged();

    TfcButtonPressLogic logic_{*this};
    std::string caption_;
    TfcPixels glyph_;
    int numGlyphs_ = 1;
    TfcButtonLayout layout_ = TfcButtonLayout::blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    TfcImgDownOffsets offsets_;
    TfcShadeColors shadeColors_;
    TfcCaptionText textOptions_;
    int modalResult_ = 0;
    TRect glyphRect_;
    TRect captionRect_;
    std::array<std::vector<char>, 2> savedRegion_;
};

}  // namespace qx
