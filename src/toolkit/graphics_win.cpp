#include "toolkit/graphics_win.h"

#include <cstring>

namespace qx {

COLORREF colorToRGB(TColor colour) {
    if (isSystemColor(colour)) return GetSysColor(systemColorIndex(colour));
    return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

LOGFONTA toLogFont(const FontDescription& d) {
    LOGFONTA lf{};
    lf.lfHeight = d.height;
    lf.lfWidth = d.width;
    lf.lfEscapement = d.escapement;
    lf.lfOrientation = d.orientation;
    lf.lfWeight = d.weight;
    lf.lfItalic = d.italic;
    lf.lfUnderline = d.underline;
    lf.lfStrikeOut = d.strikeOut;
    lf.lfCharSet = static_cast<BYTE>(d.charset);
    lf.lfOutPrecision = static_cast<BYTE>(d.outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(d.clipPrecision);
    lf.lfQuality = static_cast<BYTE>(d.quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(d.pitchAndFamily);
    std::strncpy(lf.lfFaceName, d.faceName.c_str(), LF_FACESIZE - 1);
    return lf;
}

unique_font createFont(const TFont& font, int rotationDegrees) {
    return createFont(toLogFont(describeFont(font, rotationDegrees)));
}

void fillRect(HDC dc, const TRect& r, TColor colour) {
    // ExtTextOut with an opaque rectangle fills without a brush object.
    RECT rc = toRECT(r);
    COLORREF old = SetBkColor(dc, colorToRGB(colour));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void frame3D(HDC dc, TRect& r, TColor topLeft, TColor bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    fillRect(dc, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);           // top
    fillRect(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);         // left
    fillRect(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);       // right
    fillRect(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);     // bottom
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

}  // namespace qx
