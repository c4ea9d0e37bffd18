// The raised-text label: a caption drawn by its own TfcCaptionText, on the
// parent's colour, sized to its text unless AutoSize is off.
#pragma once

#include <string>

#include "controls/fc_text.h"
#include "toolkit/window_win.h"

namespace qx {

class TfcLabel : public TGraphicControl {
public:
    // A new label is 65 x 17 until its auto size says otherwise.
    explicit TfcLabel(TWindow* parent, int left = 0, int top = 0, int width = 65, int height = 17);

    const ClassInfo& classInfo() const override { return classes::TfcLabel; }
    // Answers "caption".
    Property property(std::string_view name) override {
        if (sameName(name, "caption")) return captionProperty(*this);
        return TGraphicControl::property(name);
    }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    bool transparent() const { return transparent_; }
    // A transparent label paints no background (meant for parents that do
    // not clip their children).
    void setTransparent(bool transparent);
    // How the caption is drawn. Settings that change the size resize the
    // label through AdjustBounds.
    TfcCaptionText& textOptions() { return text_; }

    // While a layout is set up, AdjustBounds waits; endLayout runs it once.
    void beginLayout() { ++layoutDepth_; }
    void endLayout();

    // Sizes the label to its caption when AutoSize is on: same top, the left
    // edge kept, or the right edge for right alignment.
    virtual void adjustBounds();

protected:
    void paint(HDC dc) override;
    void fontChanged() override;

private:
    std::string caption_;
    bool autoSize_ = true;
    bool transparent_ = false;
    int layoutDepth_ = 0;
    TfcCaptionText text_;
};

}  // namespace qx
