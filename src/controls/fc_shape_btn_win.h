// The shaped push button: the face is drawn from an outline with a bevel,
// and the window takes the outline as its region.
#pragma once

#include "controls/fc_img_btn_win.h"
#include "controls/fc_shape_btn.h"

namespace qx {

class TfcCustomShapeBtn : public TfcCustomImageBtn {
public:
    explicit TfcCustomShapeBtn(TWindow* parent);

    TfcButtonShape shape() const { return shape_; }
    void setShape(TfcButtonShape value);
    TfcShapeOrientation orientation() const { return orientation_; }
    void setOrientation(TfcShapeOrientation value);
    int roundRectBias() const { return roundRectBias_; }
    void setRoundRectBias(int value);
    TfcShadeStyle shadeStyle() const { return shadeStyle_; }
    void setShadeStyle(TfcShadeStyle value);

    // The colour outside the outline, and the colour filling it.
    TColor keyColor() const;
    TColor faceColor() const;

    virtual bool IsRoundShape() const { return qx::IsRoundShape(shape_); }
    // Draws the outline into image: in region mode without a bevel; while a
    // click runs, in the normal style.
    void DrawShape(TfcBitmap& image, bool regionMode, bool pressed) override;

protected:
    unique_region CreateShapeRegion(bool pressed) override;
    void DrawShapeInStyle(TfcBitmap& image, bool regionMode, bool pressed, TfcShadeStyle style);
    void DrawBevel(HDC dc, const std::vector<TPoint>& points, bool pressed);

private:
    void outlineChanged();

    TfcButtonShape shape_ = TfcButtonShape::bsRect;
    TfcShapeOrientation orientation_ = TfcShapeOrientation::soUp;
    int roundRectBias_ = 25;
    TfcShadeStyle shadeStyle_ = TfcShadeStyle::fbsHighlight;
};

class TfcShapeBtn : public TfcCustomShapeBtn {
public:
    explicit TfcShapeBtn(TWindow* parent) : TfcCustomShapeBtn(parent) {}
    const ClassInfo& classInfo() const override { return classes::TfcShapeBtn; }
};

// Whether the display shows RGB 192, 192, 192 as a grey below 200 in every
// component; asked once per process.
bool faceColorProbePassed();

// The region of the pixels of image that differ from keyColor, or none.
unique_region RegionFromImage(const TfcBitmap& image, TColor keyColor);

}  // namespace qx
