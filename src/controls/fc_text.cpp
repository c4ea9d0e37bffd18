#include "controls/fc_text.h"

#include <algorithm>

namespace qx {

namespace {

// Pops the canvas's font on every path out of a measuring or drawing step.
class FontScope {
public:
    FontScope(TextCanvas& canvas, const FontDescription& description) : canvas_(canvas) {
        canvas_.pushFont(description);
    }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;
    ~FontScope() { canvas_.popFont(); }

private:
    TextCanvas& canvas_;
};

}  // namespace

TfcCaptionText::TfcCaptionText() { updateFlags(); }

void TfcCaptionText::updateFlags() {
    unsigned keep = drawFlags_ & (dtCenter | dtRight);
    drawFlags_ = dtNoClip | keep;
    if (wordWrap_) drawFlags_ |= dtWordBreak;
    if (!(options_ & toShowAccel)) drawFlags_ |= dtNoPrefix;
    if (options_ & toShowEllipsis) drawFlags_ |= dtEndEllipsis;
}

void TfcCaptionText::changed() const {
    if (callbacks_.repaint) callbacks_.repaint();
}

void TfcCaptionText::sizeChanged() const {
    if (callbacks_.sizeChanged) callbacks_.sizeChanged();
}

void TfcCaptionText::setAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    changed();
}

void TfcCaptionText::setVAlignment(TVerticalAlignment value) {
    if (value == vAlignment_) return;
    vAlignment_ = value;
    changed();
}

void TfcCaptionText::setWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    updateFlags();
    changed();
}

void TfcCaptionText::setHighlightColor(TColor value) {
    if (value == highlightColor_) return;
    highlightColor_ = value;
    changed();
}

void TfcCaptionText::setShadeColor(TColor value) {
    if (value == shadeColor_) return;
    shadeColor_ = value;
    changed();
}

void TfcCaptionText::setOutlineColor(TColor value) {
    if (value == outlineColor_) return;
    outlineColor_ = value;
    changed();
}

void TfcCaptionText::setStyle(TfcLabelStyle value) {
    if (value == style_) return;
    style_ = value;
    sizeChanged();
    changed();
}

void TfcCaptionText::setLineSpacing(int value) {
    if (value == lineSpacing_) return;
    lineSpacing_ = value;
    sizeChanged();
    changed();
}

void TfcCaptionText::setOptions(unsigned value) {
    if (value == options_) return;
    options_ = value;
    updateFlags();
    sizeChanged();
    changed();
}

// The one setting that reacts even to its current value.
void TfcCaptionText::setRotation(int degrees) {
    rotation_ = degrees;
    sizeChanged();
    changed();
}

std::vector<std::string_view> TfcCaptionText::splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    if (text.empty()) return lines;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find("\r\n", start);
        if (pos == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, pos - start));
        start = pos + 2;
    }
}

std::string TfcCaptionText::stripAccelerators(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return out;
}

TSize TfcCaptionText::textExtent(TextCanvas& canvas) const {
    const bool accel = (options_ & toShowAccel) != 0;
    const std::string measured = accel ? stripAccelerators(text_) : text_;
    const auto lines = splitLines(measured);
    TSize size;
    for (size_t i = 0; i < lines.size(); ++i) {
        TSize line;
        if (wordWrap_) {
            // The text is already stripped: the platform must not treat a
            // remaining "&" (from "&&") as a prefix again.
            line = canvas.calcText(lines[i], textRect_.width(), drawFlags_ | dtCalcRect | (accel ? dtNoPrefix : 0));
        } else {
            line = canvas.textExtent(lines[i]);
        }
        size.cy += line.cy;
        size.cx = std::max(size.cx, line.cx);
        if (i + 1 < lines.size()) size.cy += lineSpacing_;
    }
    return size;
}

TSize TfcCaptionText::textSize(TextCanvas& canvas, bool clip) const {
    TSize size = textExtent(canvas);
    if (style_ == TfcLabelStyle::fclsOutline) {
        size.cx += 2;
        size.cy += 2;
    }
    if (clip) {
        size.cx = std::min(size.cx, textRect_.width());
        size.cy = std::min(size.cy, textRect_.height());
    }
    return size;
}

TRect TfcCaptionText::calcDrawRect(TextCanvas& canvas, bool clip) const {
    const TSize block = textExtent(canvas);
    const TRect& box = textRect_;
    // Integer division truncating toward zero, as the layout rules want.
    int left = box.left + box.width() / 2 - block.cx / 2;
    int top = box.top + box.height() / 2 - block.cy / 2;
    const TSize size = textSize(canvas, clip);
    TRect r = boundsRect(left, top, size.cx, size.cy);
    if (r.left < box.left) r = r.offset(box.left - r.left, 0);
    if (r.top < box.top) r = r.offset(0, box.top - r.top);
    return r;
}

TRect TfcCaptionText::calcRect(TextCanvas& canvas, bool clip) const {
    FontScope font(canvas, fontDescription());
    return calcDrawRect(canvas, clip);
}

void TfcCaptionText::draw(TextCanvas& canvas) {
    drawFlags_ &= ~(dtCenter | dtRight);
    if (rotation_ == 0) {
        if (alignment_ == TAlignment::taCenter) drawFlags_ |= dtCenter;
        if (alignment_ == TAlignment::taRightJustify) drawFlags_ |= dtRight;

        if (alignment_ == TAlignment::taLeftJustify) {
            int w = calcRect(canvas, true).width();
            textRect_.right = textRect_.left + w;
        } else if (alignment_ == TAlignment::taRightJustify) {
            int w = calcRect(canvas, true).width();
            textRect_.left = textRect_.right - w;
        }
        if (vAlignment_ == TVerticalAlignment::vaTop) {
            int h = calcRect(canvas, true).height();
            textRect_.bottom = textRect_.top + h;
        } else if (vAlignment_ == TVerticalAlignment::vaBottom) {
            int h = calcRect(canvas, true).height();
            textRect_.top = textRect_.bottom - h;
        }
    }
    switch (style_) {
    case TfcLabelStyle::fclsLowered:
        drawEmbossedText(canvas, false);
        break;
    case TfcLabelStyle::fclsRaised:
        drawEmbossedText(canvas, true);
        break;
    case TfcLabelStyle::fclsDefault:
    case TfcLabelStyle::fclsOutline:  // the outline style is drawn plain
        drawStandardText(canvas);
        break;
    }
}

void TfcCaptionText::prepareCanvas(TextCanvas& canvas) {
    canvas.setTextColor(font_.color);
    drawRect_ = calcDrawRect(canvas, true);
}

void TfcCaptionText::drawTextLines(TextCanvas& canvas, TRect r) const {
    for (std::string_view line : splitLines(text_)) {
        canvas.drawText(line, r, drawFlags_);
        const int h = canvas.calcText(line, r.width(), drawFlags_ | dtCalcRect).cy;
        r = r.offset(0, h + lineSpacing_);
    }
}

void TfcCaptionText::drawStandardText(TextCanvas& canvas) {
    FontScope font(canvas, fontDescription());
    prepareCanvas(canvas);
    canvas.setTextColor(font_.color);
    drawTextLines(canvas, drawRect_);
}

void TfcCaptionText::drawEmbossedText(TextCanvas& canvas, bool raised) {
    FontScope font(canvas, fontDescription());
    prepareCanvas(canvas);
    const TColor upLeft = raised ? highlightColor_ : shadeColor_;
    const TColor downRight = raised ? shadeColor_ : highlightColor_;
    if (upLeft != clNone) {
        canvas.setTextColor(upLeft);
        drawTextLines(canvas, drawRect_.offset(-1, -1));
    }
    if (downRight != clNone) {
        canvas.setTextColor(downRight);
        drawTextLines(canvas, drawRect_.offset(1, 1));
    }
    canvas.setTextColor(font_.color);
    drawTextLines(canvas, drawRect_);
}

TRect autoSizeBounds(const TRect& current, TSize measured, TAlignment alignment) {
    int left = current.left;
    if (alignment == TAlignment::taRightJustify) left = current.left + current.width() - measured.cx;
    return boundsRect(left, current.top, measured.cx, measured.cy);
}

}  // namespace qx
