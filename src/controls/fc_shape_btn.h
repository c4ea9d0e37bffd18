// Shaped push button: outline, bevel and colour rules that need no window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "controls/fc_button.h"

namespace qx {

enum class TfcButtonShape {
    bsRoundRect, bsEllipse, bsTriangle, bsArrow, bsDiamond, bsRect, bsStar, bsTrapezoid, bsCustom
};
enum class TfcShapeOrientation { soLeft, soRight, soUp, soDown };
enum class TfcShadeStyle { fbsNormal, fbsRaised, fbsHighlight, fbsFlat };

bool IsRoundShape(TfcButtonShape shape);

// The closed outline of a polygon shape for a width x height button, the
// first point repeated at the end. Only the rectangle is defined; other
// shapes give an empty list.
std::vector<TPoint> GetShapePoints(TfcButtonShape shape, TfcShapeOrientation orientation,
                                     int width, int height);

// Which of the shade colours a bevel line takes.
enum class TfcBevelColor { Btn3DLight, BtnHighlight, BtnShadow, BtnBlack, BtnFocus };

struct TfcBevelLine {
    TPoint from;  // drawn
    TPoint to;    // not drawn
    TfcBevelColor color;
    friend bool operator==(const TfcBevelLine&, const TfcBevelLine&) = default;
};

struct TfcBevelEdge {
    bool inside = false;  // the polygon lies on the edge's right / lower side
    TPoint offset;      // step towards the inner ring
};

// Whether the polygon region holds the pixel x, y.
using TfcRegionTest = std::function<bool(int x, int y)>;

// The inward side and offset of each edge of the closed point list.
std::vector<TfcBevelEdge> BevelEdges(const std::vector<TPoint>& points, const TfcRegionTest& contains);

// The lines of the bevel in drawing order: the outer ring, the inner ring and,
// with emphasis 1, the outline itself in the focus colour.
std::vector<TfcBevelLine> BevelLines(const std::vector<TPoint>& points, const TfcRegionTest& contains,
                                     bool pressed, int emphasis);

// Colour of the pixels outside the outline (0x00BBGGRR), from the resolved
// RGB of the face and of the outline's pen: pure red, or pure blue when one of
// them is red, or pure green when they are red and blue. A drawn pixel never
// has the key colour, so the region never loses one.
TColor KeyColorFor(TColor faceRgb, TColor outlineRgb);

// The face colour from the resolved RGB of the colour setting: when the
// display failed the grey probe, components that are non-zero multiples of 8
// are lowered by one.
TColor AdjustFaceColor(TColor rgb, bool probePassed);

// Whether a pixel read back from the probe (drawn as 192, 192, 192) passes.
bool FaceProbePasses(TColor readBack);

}  // namespace qx
