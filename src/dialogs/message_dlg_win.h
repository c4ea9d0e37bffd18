// The library's own modal message box: a red or blue panel with a title, the
// message text and one or two shaped buttons, answered with the mouse.
#pragma once

#include <string>

#include "controls/fc_label_win.h"
#include "controls/fc_shape_btn_win.h"
#include "localisation/ml_form_win.h"
#include "toolkit/controls_win.h"

namespace qx {

// Bits of ShowMessageDlg's flags (the values of the platform message box's
// stop icon and yes/no buttons).
inline constexpr int kMessageRed = 0x10;
inline constexpr int kMessageYesNo = 0x04;

inline constexpr ClassInfo TfMyMessageDlgClass{"TfMyMessageDlg", &classes::TMLForm};

// Made with createForm, which translates its texts once its layout is built.
class TfMyMessageDlg : public TMLForm {
public:
    TfMyMessageDlg();
    const ClassInfo& classInfo() const override { return TfMyMessageDlgClass; }

    // In creation order.
    TPanel pMsg;
    TfcLabel fcLabel1;  // the title
    TfcLabel lCaption;  // the message text
    TfcShapeBtn bOK;
    TfcShapeBtn bCancel;
};

// Shows text under title in a new message dialog, red with bit 0x10 of flags
// set (else blue), with "no" and "yes" buttons with bit 0x04 set (else "yes"
// alone). Returns 1 for "yes", 2 for "no" or a close request. The dialog is
// destroyed before the call returns, also when an error escapes.
int ShowMessageDlg(const std::string& text, const std::string& title, int flags);

}  // namespace qx
