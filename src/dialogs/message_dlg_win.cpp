#include "dialogs/message_dlg_win.h"

#include <memory>

#include "dialogs/pictures_win.h"

namespace qx {

namespace {

constexpr TColor kYesGreen = 37632;  // RGB #009300

void setUpButton(TfcShapeBtn& b, int left, const char* caption, TColor colour, const char* picture, int numGlyphs,
                 int modalResult) {
    b.setBounds(left, 264, 113, 49);
    b.setCaption(caption);
    b.setColor(colour);
    b.setDitherColor(clWhite);
    b.setFont(tahomaBold(-16, clWhite));
    unique_bitmap glyph = LoadPicture(picture);
    b.setGlyph(glyph.get());
    b.setNumGlyphs(numGlyphs);
    b.setModalResult(modalResult);
    b.setRoundRectBias(25);
    b.setShadeStyle(TfcShadeStyle::fbsHighlight);
    b.setParentClipping(true);
    b.textOptions().setAlignment(TAlignment::taCenter);
    b.textOptions().setVAlignment(TVerticalAlignment::vaVCenter);
    b.loaded();
}

}  // namespace

TfMyMessageDlg::TfMyMessageDlg()
    : TMLForm("Dialog"), pMsg(this, 0, 0, 486, 319), fcLabel1(&pMsg, 8, 8), lCaption(&pMsg, 16, 40, 457, 217),
      bOK(&pMsg), bCancel(&pMsg) {
    setName("fMyMessageDlg");
    pMsg.setName("pMsg");
    fcLabel1.setName("fcLabel1");
    lCaption.setName("lCaption");
    bOK.setName("bOK");
    bCancel.setName("bCancel");

    setClientSize(486, 319);
    setColor(clBtnFace);
    setFont(tahomaBold(-16, clWindowText));

    pMsg.setBorderSingle(true);
    pMsg.setBevelOuter(TBevelCut::bvRaised);
    pMsg.setParentFont(false);
    pMsg.setFont(tahomaBold(-16, clWhite));

    fcLabel1.beginLayout();
    fcLabel1.setParentFont(false);
    fcLabel1.setFont(tahomaBold(-16, clBlack));
    fcLabel1.textOptions().setStyle(TfcLabelStyle::fclsRaised);
    fcLabel1.textOptions().setAlignment(TAlignment::taLeftJustify);
    fcLabel1.textOptions().setVAlignment(TVerticalAlignment::vaTop);
    fcLabel1.setCaption("\xc8\xb7\xb6\xa8");  // "确定" (confirm), replaced when shown
    fcLabel1.endLayout();

    lCaption.setAutoSize(false);
    lCaption.setBounds(16, 40, 457, 217);
    lCaption.textOptions().setStyle(TfcLabelStyle::fclsDefault);
    lCaption.textOptions().setAlignment(TAlignment::taLeftJustify);
    lCaption.textOptions().setVAlignment(TVerticalAlignment::vaTop);
    lCaption.textOptions().setWordWrap(true);

    // "No" stands left of "yes"; neither is the default or the cancel button.
    setUpButton(bOK, 368, "\xca\xc7", kYesGreen, kTickPicture, 0, mrOk);         // "是" (yes)
    setUpButton(bCancel, 248, "\xb7\xf1", clRed, kCrossPicture, 1, mrCancel);   // "否" (no)
}

int ShowMessageDlg(const std::string& text, const std::string& title, int flags) {
    auto dlg = createForm<TfMyMessageDlg>();
    dlg->lCaption.setCaption(text);
    dlg->fcLabel1.setCaption(title);
    dlg->pMsg.setColor((flags & kMessageRed) ? clRed : clBlue);
    if (!(flags & kMessageYesNo)) dlg->bCancel.setVisible(false);
    return dlg->showModal();
}

}  // namespace qx
