// Colours and fonts turned into GDI values and objects.
#pragma once

#include <windows.h>

#include "toolkit/colour.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/handles_win.h"

namespace qx {

// The RGB value of a colour; system colours are looked up now, so they follow
// the user's scheme. clNone has no RGB value: callers skip it.
COLORREF colorToRGB(TColor colour);

LOGFONTA toLogFont(const FontDescription& description);
unique_font createFont(const TFont& font, int rotationDegrees = 0);

inline RECT toRECT(const TRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline TRect fromRECT(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

// Fills r with a solid colour.
void fillRect(HDC dc, const TRect& r, TColor colour);
// A one-pixel 3-D frame: top and left in topLeft, bottom and right in
// bottomRight; r shrinks by one pixel on each side.
void frame3D(HDC dc, TRect& r, TColor topLeft, TColor bottomRight);

}  // namespace qx
