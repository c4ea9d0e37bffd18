// The caption text object's canvas on a GDI device context.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/fc_text.h"
#include "toolkit/handles_win.h"

namespace qx {

// Draws with DrawTextExA on dc, without text background (the previous
// background mode and text colour are put back when the canvas goes). Fonts
// pushed by the text object are selected into dc and released when popped.
class GdiTextCanvas : public TextCanvas {
public:
    explicit GdiTextCanvas(HDC dc);
    GdiTextCanvas(const GdiTextCanvas&) = delete;
    GdiTextCanvas& operator=(const GdiTextCanvas&) = delete;
    ~GdiTextCanvas() override;

    void pushFont(const FontDescription& description) override;
    void popFont() override;
    TSize textExtent(std::string_view line) override;
    TSize calcText(std::string_view line, int width, unsigned flags) override;
    void drawText(std::string_view line, const TRect& rect, unsigned flags) override;
    void setTextColor(TColor colour) override;

private:
    int lineHeight();

    struct SelectedFont {
        unique_font font;
        SelectGuard selection;
    };
    HDC dc_;
    int oldBkMode_;
    COLORREF oldTextColor_;
    std::vector<SelectedFont> fonts_;
};

// Measures a caption without a window: a screen DC for the duration of the
// call (used by auto-sizing labels).
TRect measureOnScreen(const TfcCaptionText& text, bool clip);

}  // namespace qx
