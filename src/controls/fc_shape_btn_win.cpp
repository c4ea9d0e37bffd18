#include "controls/fc_shape_btn_win.h"

#include <optional>

#include "common/error.h"
#include "toolkit/graphics_win.h"

namespace qx {

TfcCustomShapeBtn::TfcCustomShapeBtn(TWindow* parent) : TfcCustomImageBtn(parent)
{
    // The base level could not derive a region yet: the outline is ours.
    ApplyShapeRegion();
}

void TfcCustomShapeBtn::outlineChanged()
{
    discardSavedRegions();
    ApplyShapeRegion();
    RequestRepaint();
}

void TfcCustomShapeBtn::setShape(TfcButtonShape value)
{
    if (value == shape_)
        return;
    shape_ = value;
    outlineChanged();
}

void TfcCustomShapeBtn::setOrientation(TfcShapeOrientation value)
{
    if (value == orientation_)
        return;
    orientation_ = value;
    outlineChanged();
}

void TfcCustomShapeBtn::setRoundRectBias(int value)
{
    if (value == roundRectBias_)
        return;
    roundRectBias_ = value;
    outlineChanged();
}

void TfcCustomShapeBtn::setShadeStyle(TfcShadeStyle value)
{
    if (value == shadeStyle_)
        return;
    shadeStyle_ = value;
    outlineChanged();
}

bool faceColorProbePassed()
{
    // Draw a light grey from a 24-bit image onto a bitmap of the display's
    // format and see what comes back: a display with few colours shows it
    // brighter than drawn.
    static const bool passed = [] {
        try {
            TfcBitmap grey;
            grey.setSize(1, 1);
            SetPixelV(grey.dc(), 0, 0, RGB(192, 192, 192));
            unique_window_dc screen = getWindowDC(nullptr);
            unique_memory_dc dc = createMemoryDC(screen.get());
            unique_bitmap target = createCompatibleBitmap(screen.get(), 1, 1);
            if (!dc || !target)
                return true;
            SelectGuard select(dc.get(), target.get());
            grey.copyTo(dc.get(), 0, 0);
            return FaceProbePasses(GetPixel(dc.get(), 0, 0));
        } catch (...) {
            return true;
        }
    }();
    return passed;
}

TColor TfcCustomShapeBtn::faceColor() const
{
    return AdjustFaceColor(colorToRGB(color()), faceColorProbePassed());
}

TColor TfcCustomShapeBtn::keyColor() const
{
    // Compared as drawn: a system colour may resolve to the red key. The
    // outline of a framed polygon is drawn with the dither colour.
    const TColor face = faceColor(), dither = ditherColor();
    return KeyColorFor(face, dither == clNone ? face : colorToRGB(dither));
}

unique_region RegionFromImage(const TfcBitmap& image, TColor keyColor)
{
    if (image.empty())
        return {};
    unique_region region;
    for (const TRect& run : RegionRuns(image.pixels(), keyColor)) {
        unique_region piece(CreateRectRgn(run.left, run.top, run.right, run.bottom));
        if (!piece)
            throw Error("Cannot create the button's region");
        if (!region)
            region = std::move(piece);
        else
            CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
    }
    return region;
}

unique_region TfcCustomShapeBtn::CreateShapeRegion(bool pressed)
{
    if (unique_region saved = regionFromSaved(pressed))
        return saved;
    TfcBitmap image;
    DrawShapeInStyle(image, true, pressed, shadeStyle_);
    unique_region region = RegionFromImage(image, keyColor());
    if (region)
        saveRegion(pressed, region.get());
    return region;
}

void TfcCustomShapeBtn::DrawShape(TfcBitmap& image, bool regionMode, bool pressed)
{
    DrawShapeInStyle(image, regionMode, pressed,
                     !regionMode && clickInProgress() ? TfcShadeStyle::fbsNormal : shadeStyle_);
}

void TfcCustomShapeBtn::DrawShapeInStyle(TfcBitmap& image, bool regionMode, bool pressed, TfcShadeStyle style)
{
    bool framed = true;
    if (style == TfcShadeStyle::fbsFlat)
        framed = IsMouseInside(-1, -1, false) || pressed;

    const int w = width(), h = height();
    image.setSize(w, h);
    if (image.empty())
        return;
    HDC dc = image.dc();
    fillRect(dc, {0, 0, w, h}, keyColor());

    const COLORREF face = faceColor();
    const TColor dither = ditherColor();
    COLORREF penColour = framed && dither != clNone ? colorToRGB(dither) : face;
    if (IsRoundShape())
        penColour = face;
    unique_brush brush = createSolidBrush(face);
    unique_pen pen = createPen(PS_SOLID, 1, penColour);
    if (!brush || !pen)
        throw Error("Cannot create the button's brush");
    SelectGuard selectBrush(dc, brush.get());
    SelectGuard selectPen(dc, pen.get());

    if (IsRoundShape()) {
        // The bevel of round outlines is not drawn.
        if (shape() == TfcButtonShape::bsRoundRect)
            RoundRect(dc, 0, 0, w - 1, h - 1, roundRectBias_, roundRectBias_);
        else
            Ellipse(dc, 0, 0, w - 1, h - 1);
        return;
    }
    std::vector<TPoint> points = GetShapePoints(shape_, orientation_, w, h);
    if (points.empty())  // outlines other than the rectangle: drawn as one
        points = GetShapePoints(TfcButtonShape::bsRect, orientation_, w, h);
    std::vector<POINT> gdi;
    for (const TPoint& p : points)
        gdi.push_back({p.x, p.y});
    Polygon(dc, gdi.data(), static_cast<int>(gdi.size()));
    if (!regionMode && framed)
        DrawBevel(dc, points, pressed);
}

void TfcCustomShapeBtn::DrawBevel(HDC dc, const std::vector<TPoint>& points, bool pressed)
{
    std::vector<POINT> gdi;
    for (const TPoint& p : points)
        gdi.push_back({p.x, p.y});
    unique_region polygon(CreatePolygonRgn(gdi.data(), static_cast<int>(gdi.size()), WINDING));
    if (!polygon)
        return;  // the face stays without a bevel
    const auto contains = [&](int x, int y) { return PtInRegion(polygon.get(), x, y) != FALSE; };
    const auto lines = BevelLines(points, contains, pressed, emphasised() ? 1 : 0);

    const TfcShadeColors& sc = shadeColors();
    const auto colourOf = [&](TfcBevelColor c) {
        switch (c) {
        case TfcBevelColor::Btn3DLight: return sc.Btn3DLight;
        case TfcBevelColor::BtnHighlight: return sc.BtnHighlight;
        case TfcBevelColor::BtnShadow: return sc.BtnShadow;
        case TfcBevelColor::BtnBlack: return sc.BtnBlack;
        case TfcBevelColor::BtnFocus: return sc.BtnFocus;
        }
        return sc.BtnFocus;
    };
    std::optional<TfcBevelColor> current;
    unique_pen pen;
    std::optional<SelectGuard> selected;
    for (const TfcBevelLine& line : lines) {
        if (current != line.color) {
            selected.reset();
            pen = createPen(PS_SOLID, 1, colorToRGB(colourOf(line.color)));
            if (!pen)
                throw Error("Cannot create the button's pen");
            selected.emplace(dc, pen.get());
            current = line.color;
        }
        MoveToEx(dc, line.from.x, line.from.y, nullptr);
        LineTo(dc, line.to.x, line.to.y);
    }
}

}  // namespace qx
