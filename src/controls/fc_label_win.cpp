#include "controls/fc_label_win.h"

#include "controls/fc_text_win.h"
#include "toolkit/graphics_win.h"

namespace qx {

TfcLabel::TfcLabel(TWindow* parent, int left, int top, int width, int height) : TGraphicControl(parent) {
    CreateParams p;
    p.className = "QxFcLabel";
    p.style = WS_VISIBLE;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    createWindow(p);
    text_.setOwnerCallbacks({[this] { invalidate(); }, [this] { adjustBounds(); }, [this] { return enabled(); }});
    adjustBounds();
}

void TfcLabel::setCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    text_.setText(caption_);
    // The window text follows, so that the caption can be read from outside
    // like any other control's.
    setText(caption_);
    adjustBounds();
    invalidate();
}

void TfcLabel::setAutoSize(bool autoSize) {
    if (autoSize == autoSize_) return;
    autoSize_ = autoSize;
    adjustBounds();
    invalidate();
}

void TfcLabel::setTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    invalidate();
}

void TfcLabel::endLayout() {
    if (layoutDepth_ > 0 && --layoutDepth_ == 0) adjustBounds();
}

void TfcLabel::fontChanged() {
    adjustBounds();
    TControl::fontChanged();
}

void TfcLabel::adjustBounds() {
    if (layoutDepth_ > 0 || !autoSize_ || !handle()) return;
    text_.setFont(font());
    text_.setText(caption_);
    text_.setTextRect(clientRect());
    const TRect measured = measureOnScreen(text_, false);
    const TRect b = autoSizeBounds(bounds(), {measured.width(), measured.height()}, text_.alignment());
    setBounds(b.left, b.top, b.width(), b.height());
}

void TfcLabel::paint(HDC dc) {
    const TRect client = clientRect();
    if (!transparent_) fillRect(dc, client, color());
    text_.setFont(font());
    text_.setText(caption_);
    text_.setTextRect(client);
    GdiTextCanvas canvas(dc);
    text_.draw(canvas);
}

}  // namespace qx
