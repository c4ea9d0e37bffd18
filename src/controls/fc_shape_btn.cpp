#include "controls/fc_shape_btn.h"

#include <algorithm>
#include <cstdlib>

namespace qx {

bool IsRoundShape(TfcButtonShape shape)
{
    return shape == TfcButtonShape::bsRoundRect || shape == TfcButtonShape::bsEllipse;
}

std::vector<TPoint> GetShapePoints(TfcButtonShape shape, TfcShapeOrientation, int width, int height)
{
    if (shape != TfcButtonShape::bsRect)
        return {};
    // A rectangle looks the same in every orientation.
    const int r = width - 1, b = height - 1;
    return {{0, 0}, {r, 0}, {r, b}, {0, b}, {0, 0}};
}

std::vector<TfcBevelEdge> BevelEdges(const std::vector<TPoint>& pts, const TfcRegionTest& contains)
{
    std::vector<TfcBevelEdge> edges;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        const TPoint a = pts[i], b = pts[i + 1];
        const int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
        const TPoint mid{a.x + (b.x - a.x) / 2, a.y + (b.y - a.y) / 2};
        TfcBevelEdge e;
        if (dy < dx) {
            e.inside = contains(mid.x, mid.y + 1);
            e.offset = {0, e.inside ? 1 : -1};
        } else {
            e.inside = contains(mid.x + 1, mid.y);
            e.offset = {e.inside ? 1 : -1, 0};
        }
        if (dx == 0)
            e.offset.y = contains(a.x, std::max(a.y, b.y) + 1) ? 1 : -1;
        else if (dy == 0)
            e.offset.x = contains(std::max(a.x, b.x), a.y) ? 1 : -1;
        edges.push_back(e);
    }
    return edges;
}

std::vector<TfcBevelLine> BevelLines(const std::vector<TPoint>& pts, const TfcRegionTest& contains,
                                     bool pressed, int k)
{
    const std::vector<TfcBevelEdge> edges = BevelEdges(pts, contains);
    std::vector<TfcBevelLine> lines;
    const auto shifted = [](TPoint p, TPoint off, int n) {
        return TPoint{p.x + n * off.x, p.y + n * off.y};
    };
    // The outer ring's colours face the light unless the edge's inside
    // matches the pressed state.
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const bool dark = edges[i].inside == pressed;
        lines.push_back({shifted(pts[i], edges[i].offset, k + 1), shifted(pts[i + 1], edges[i].offset, k + 1),
                         dark ? TfcBevelColor::BtnShadow : TfcBevelColor::Btn3DLight});
    }
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const bool dark = edges[i].inside == pressed;
        lines.push_back({shifted(pts[i], edges[i].offset, k), shifted(pts[i + 1], edges[i].offset, k),
                         dark ? TfcBevelColor::BtnBlack : TfcBevelColor::BtnHighlight});
    }
    if (k == 1) {
        for (std::size_t i = 0; i < edges.size(); ++i)
            lines.push_back({pts[i], pts[i + 1], TfcBevelColor::BtnFocus});
    }
    return lines;
}

TColor KeyColorFor(TColor faceRgb, TColor outlineRgb)
{
    for (TColor key : {clRed, clBlue, clLime})
        if (key != (faceRgb & 0x00FFFFFF) && key != (outlineRgb & 0x00FFFFFF))
            return key;
    return clRed;  // not reached: two colours cannot rule out three
}

TColor AdjustFaceColor(TColor rgb, bool probePassed)
{
    if (probePassed)
        return rgb;
    TColor out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        TColor c = (rgb >> shift) & 0xFF;
        if (c != 0 && c % 8 == 0)
            --c;
        out |= c << shift;
    }
    return out;
}

bool FaceProbePasses(TColor readBack)
{
    return redOf(readBack) < 200 && greenOf(readBack) < 200 && blueOf(readBack) < 200;
}

}  // namespace qx
