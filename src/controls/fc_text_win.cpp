#include "controls/fc_text_win.h"

#include <string>

#include "toolkit/graphics_win.h"

namespace qx {

GdiTextCanvas::GdiTextCanvas(HDC dc)
    : dc_(dc), oldBkMode_(SetBkMode(dc, TRANSPARENT)), oldTextColor_(GetTextColor(dc)) {}

GdiTextCanvas::~GdiTextCanvas() {
    while (!fonts_.empty()) fonts_.pop_back();
    SetBkMode(dc_, oldBkMode_);
    SetTextColor(dc_, oldTextColor_);
}

void GdiTextCanvas::pushFont(const FontDescription& description) {
    unique_font font = createFont(toLogFont(description));
    SelectGuard selection(dc_, font.get());
    fonts_.push_back({std::move(font), std::move(selection)});
}

// The selection guard is destroyed before the font it selected: the order of
// SelectedFont's members makes the previous font current before DeleteObject.
void GdiTextCanvas::popFont() {
    if (!fonts_.empty()) fonts_.pop_back();
}

int GdiTextCanvas::lineHeight() {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc_, &tm);
    return tm.tmHeight;
}

// An empty line counts one line of the current font high, both here and in
// calcText, so that an empty line between two others keeps its place.
TSize GdiTextCanvas::textExtent(std::string_view line) {
    if (line.empty()) return {0, lineHeight()};
    SIZE s{};
    GetTextExtentPoint32A(dc_, line.data(), static_cast<int>(line.size()), &s);
    return {s.cx, s.cy};
}

TSize GdiTextCanvas::calcText(std::string_view line, int width, unsigned flags) {
    if (line.empty()) return {0, lineHeight()};
    std::string buffer(line);
    RECT r{0, 0, width, 0};
    DrawTextExA(dc_, buffer.data(), static_cast<int>(buffer.size()), &r, flags | DT_CALCRECT, nullptr);
    return {r.right - r.left, r.bottom - r.top};
}

void GdiTextCanvas::drawText(std::string_view line, const TRect& rect, unsigned flags) {
    if (line.empty()) return;
    std::string buffer(line);  // DrawTextExA takes a writable text
    RECT r = toRECT(rect);
    DrawTextExA(dc_, buffer.data(), static_cast<int>(buffer.size()), &r, flags, nullptr);
}

void GdiTextCanvas::setTextColor(TColor colour) { SetTextColor(dc_, colorToRGB(colour)); }

TRect measureOnScreen(const TfcCaptionText& text, bool clip) {
    unique_window_dc screen = getWindowDC(nullptr);
    GdiTextCanvas canvas(screen.get());
    return text.calcRect(canvas, clip);
}

}  // namespace qx
