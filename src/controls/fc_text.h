// The caption text object: measures a caption (lines split at CR LF,
// accelerators, wrapping) and draws it plain or embossed in a box. It draws
// on a TextCanvas, which the window layer backs with a device context.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/alignment.h"
#include "toolkit/colour.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"

namespace qx {

enum class TfcLabelStyle { fclsDefault, fclsLowered, fclsRaised, fclsOutline };

// TfcCaptionText::Options
inline constexpr unsigned toShowAccel = 0x1;
inline constexpr unsigned toShowEllipsis = 0x2;

// The platform's DrawTextEx flags the text object uses.
inline constexpr unsigned dtCenter = 0x1;
inline constexpr unsigned dtRight = 0x2;
inline constexpr unsigned dtWordBreak = 0x10;
inline constexpr unsigned dtNoClip = 0x100;
inline constexpr unsigned dtCalcRect = 0x400;
inline constexpr unsigned dtNoPrefix = 0x800;
inline constexpr unsigned dtEndEllipsis = 0x8000;

// A surface to measure and draw text on.
class TextCanvas {
public:
    virtual ~TextCanvas() = default;
    // Makes a font from the description the current one until the matching
    // popFont, which also releases it.
    virtual void pushFont(const FontDescription& description) = 0;
    virtual void popFont() = 0;
    // Width and height of one line in the current font; an empty line is one
    // line high.
    virtual TSize textExtent(std::string_view line) = 0;
    // The size DrawTextEx reports with dtCalcRect for the line in the
    // rectangle 0, 0, width, 0 (flags already include dtCalcRect); an empty
    // line is one line high.
    virtual TSize calcText(std::string_view line, int width, unsigned flags) = 0;
    virtual void drawText(std::string_view line, const TRect& rect, unsigned flags) = 0;
    virtual void setTextColor(TColor colour) = 0;
};

class TfcCaptionText {
public:
    struct OwnerCallbacks {
        std::function<void()> repaint;
        std::function<void()> sizeChanged;
        std::function<bool()> isEnabled;
    };

    TfcCaptionText();

    void setOwnerCallbacks(OwnerCallbacks callbacks) { callbacks_ = std::move(callbacks); }

    TAlignment alignment() const { return alignment_; }
    void setAlignment(TAlignment value);
    TVerticalAlignment vAlignment() const { return vAlignment_; }
    void setVAlignment(TVerticalAlignment value);
    TfcLabelStyle style() const { return style_; }
    void setStyle(TfcLabelStyle value);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool value);
    int lineSpacing() const { return lineSpacing_; }
    void setLineSpacing(int value);
    unsigned options() const { return options_; }
    void setOptions(unsigned value);
    TColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(TColor value);
    TColor shadeColor() const { return shadeColor_; }
    void setShadeColor(TColor value);
    TColor outlineColor() const { return outlineColor_; }
    void setOutlineColor(TColor value);
    int rotation() const { return rotation_; }
    void setRotation(int degrees);

    // Working state given by the owner.
    const std::string& text() const { return text_; }
    void setText(const std::string& value) {
        if (value != text_) text_ = value;
    }
    const TFont& font() const { return font_; }
    void setFont(const TFont& value) { font_ = value; }
    const TRect& textRect() const { return textRect_; }
    void setTextRect(const TRect& value) { textRect_ = value; }
    const TRect& drawRect() const { return drawRect_; }
    unsigned drawFlags() const { return drawFlags_; }

    // Lines of a text: split at every CR LF; the empty text has none.
    static std::vector<std::string_view> splitLines(std::string_view text);
    // "&&" becomes "&", any other "&" goes.
    static std::string stripAccelerators(std::string_view text);

    FontDescription fontDescription() const { return describeFont(font_, rotation_); }

    // The text block's size in the canvas's current font.
    TSize textExtent(TextCanvas& canvas) const;
    // The block's size, with clip cut to the size of textRect.
    TSize textSize(TextCanvas& canvas, bool clip) const;
    // Where the block goes in textRect (current font).
    TRect calcDrawRect(TextCanvas& canvas, bool clip) const;
    // calcDrawRect in a font made from the font description.
    TRect calcRect(TextCanvas& canvas, bool clip) const;
    // Shrinks textRect by the alignments and draws the text in its style.
    void draw(TextCanvas& canvas);
    // Draws every line from the rectangle r downwards.
    void drawTextLines(TextCanvas& canvas, TRect r) const;
    void drawStandardText(TextCanvas& canvas);
    void drawEmbossedText(TextCanvas& canvas, bool raised);

    // Asks the owner to repaint.
    void changed() const;

private:
    void prepareCanvas(TextCanvas& canvas);
    void sizeChanged() const;
    void updateFlags();

    TAlignment alignment_ = TAlignment::taLeftJustify;
    TVerticalAlignment vAlignment_ = TVerticalAlignment::vaTop;
    TfcLabelStyle style_ = TfcLabelStyle::fclsDefault;
    bool wordWrap_ = false;
    int lineSpacing_ = 5;
    unsigned options_ = toShowAccel;
    TColor highlightColor_ = clBtnHighlight;
    TColor shadeColor_ = clBtnShadow;
    TColor outlineColor_ = clBlack;
    int rotation_ = 0;

    std::string text_;
    TFont font_;
    TRect textRect_;
    TRect drawRect_;
    unsigned drawFlags_ = dtNoClip;
    OwnerCallbacks callbacks_;
};

// The bounds an auto-sized label takes for a measured text size: same top,
// the measured size, and the left edge kept, or for right alignment the
// right edge.
TRect autoSizeBounds(const TRect& current, TSize measured, TAlignment alignment);

}  // namespace qx
