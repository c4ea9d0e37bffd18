// The image level of the push button: adds the dither colour, which the
// shaped button uses as its outline pen.
#pragma once

#include "controls/fc_button_win.h"

namespace qx {

class TfcCustomImageBtn : public TfcCustomBitBtn {
public:
    explicit TfcCustomImageBtn(TWindow* parent) : TfcCustomBitBtn(parent) {}

    TColor ditherColor() const { return ditherColor_; }
    void setDitherColor(TColor value)
    {
        ditherColor_ = value;
        RequestRepaint();
    }

private:
    TColor ditherColor_ = clWhite;
};

}  // namespace qx
