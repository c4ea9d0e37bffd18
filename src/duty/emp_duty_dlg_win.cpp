#include "duty/emp_duty_dlg_win.h"

#include "common/error.h"
#include "dialogs/pictures_win.h"
#include "duty/duty_messages.h"
#include "localisation/language_table.h"

namespace qx {

namespace {

void sunkenPanel(TPanel& panel, TBevelCut outer, TColor colour) {
    panel.setBorderSingle(true);
    panel.setBevelOuter(outer);
    panel.setColor(colour);
}

constexpr TColor kSteelBlue = 0x00AF7C69;

TfEmpDutyDlg::BeepFunction& beepFunction() {
    static TfEmpDutyDlg::BeepFunction f = &MessageBeep;
    return f;
}
}  // namespace

void TfEmpDutyDlg::setBeepFunction(BeepFunction f) { beepFunction() = f ? f : &MessageBeep; }

void TfEmpDutyDlg::outcomeShown(bool stored) { beepFunction()(stored ? MB_OK : MB_ICONHAND); }

// Members are built in declaration order, each parent before its children,
// which is also the order the form owns them in and the keyboard's tab order.
TfEmpDutyDlg::TfEmpDutyDlg()
    : Panel1(this, 0, 0, 702, 518),
      lCaption(&Panel1, 11, 10),
      pMain(&Panel1, 16, 40, 665, 457),
      Panel2(&pMain, 48, 88, 241, 289),
      fcLabel1(&Panel2, 11, 10),
      lResult(&Panel2, 16, 240),
      pInfo(&Panel2, 16, 48, 209, 185),
      mmInfo(&pInfo, 8, 64, 193, 113, TAlignment::taCenter, true),
      Panel4(&pMain, 336, 32, 297, 345),
      Label1(&Panel4, 104, 192),
      Image1(&Panel4, 254, 5, 32, 32),
      Panel5(&Panel4, 6, 40, 283, 49),
      eUserID(&Panel5, 76, 12, 199, 25),
      fcShapeBtn1(&pMain),
      Timer1(this) {
    setName("fEmpDutyDlg");
    setClientSize(702, 518);
    setColor(clBtnFace);
    setFont(tahomaBold(-19, clWindowText));

    Panel1.setName("Panel1");
    sunkenPanel(Panel1, TBevelCut::bvRaised, kSteelBlue);

    lCaption.setName("lCaption");
    lCaption.beginLayout();
    lCaption.textOptions().setStyle(TfcLabelStyle::fclsRaised);
    lCaption.textOptions().setAlignment(TAlignment::taLeftJustify);
    lCaption.textOptions().setVAlignment(TVerticalAlignment::vaTop);
    lCaption.setCaption("\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0");  // "staff clock in"
    lCaption.endLayout();

    pMain.setName("pMain");
    sunkenPanel(pMain, TBevelCut::bvLowered, clBlue);

    Panel2.setName("Panel2");
    sunkenPanel(Panel2, TBevelCut::bvLowered, clLime);

    fcLabel1.setName("fcLabel1");
    fcLabel1.beginLayout();
    fcLabel1.textOptions().setStyle(TfcLabelStyle::fclsRaised);
    fcLabel1.textOptions().setAlignment(TAlignment::taLeftJustify);
    fcLabel1.textOptions().setVAlignment(TVerticalAlignment::vaTop);
    fcLabel1.setCaption("\xd4\xb1\xb9\xa4\xd7\xca\xc1\xcf");  // "staff details"
    fcLabel1.endLayout();

    lResult.setName("lResult");
    lResult.setAutoSize(false);
    lResult.setAlignment(TAlignment::taCenter);
    lResult.setBounds(16, 240, 209, 23);

    pInfo.setName("pInfo");
    pInfo.setBevelOuter(TBevelCut::bvNone);
    pInfo.setColor(clTeal);

    mmInfo.setName("mmInfo");
    mmInfo.setColor(clTeal);
    mmInfo.setFont(tahomaBold(-19, clWhite));

    Panel4.setName("Panel4");
    sunkenPanel(Panel4, TBevelCut::bvLowered, clGreen);

    Label1.setName("Label1");
    Label1.setCaption("\xc7\xeb\xc0\xad\xbf\xa8...");  // "please swipe your card..."

    Image1.setName("Image1");
    Image1.loadFromResource(moduleInstance(), kKeysPicture);
    Image1.setTransparent(true);

    Panel5.setName("Panel5");
    Panel5.setBevelInner(TBevelCut::bvLowered);
    Panel5.setBevelOuter(TBevelCut::bvLowered);
    Panel5.setColor(clBlue);
    Panel5.setFont(tahomaBold(-14, clYellow));
    Panel5.setAlignment(TAlignment::taLeftJustify);
    Panel5.setCaption(" \xd4\xb1\xb9\xa4\xbf\xa8\xba\xc5:");  // " staff card number:"

    eUserID.setName("eUserID");
    eUserID.setFont(tahomaBold(-14, clBlack));
    eUserID.setPasswordChar('#');
    eUserID.setText("eUserID");
    eUserID.onKeyDown = [this](WORD& key, unsigned shift) { eUserIDKeyDown(key, shift); };
    eUserID.onKeyPress = [this](char& key) { eUserIDKeyPress(key); };
    eUserID.onContextPopup = [this](TPoint where, bool& handled) { eUserIDContextPopup(where, handled); };

    fcShapeBtn1.setName("fcShapeBtn1");
    fcShapeBtn1.setBounds(504, 392, 153, 57);
    fcShapeBtn1.setCaption("\xb9\xd8\xb1\xd5");  // "close"
    fcShapeBtn1.setColor(clRed);
    fcShapeBtn1.setDitherColor(clWhite);
    fcShapeBtn1.setFont(tahomaBold(-19, clWhite));
    fcShapeBtn1.setGlyph(LoadPicture(kCrossPicture).get());
    fcShapeBtn1.setNumGlyphs(0);
    fcShapeBtn1.setModalResult(mrCancel);
    fcShapeBtn1.setRoundRectBias(25);
    fcShapeBtn1.setShadeStyle(TfcShadeStyle::fbsHighlight);
    fcShapeBtn1.setParentClipping(true);
    fcShapeBtn1.textOptions().setAlignment(TAlignment::taCenter);
    fcShapeBtn1.textOptions().setVAlignment(TVerticalAlignment::vaVCenter);
    fcShapeBtn1.loaded();

    Timer1.setName("Timer1");
    Timer1.onTimer = [this] { Timer1Timer(); };

    onShow = [this] { FormShow(); };
}

void TfEmpDutyDlg::ShowDutyDialog(TdmDuty& module, bool dutyMode) {
    auto dialog = createForm<TfEmpDutyDlg>();
    dialog->DutyModule = &module;
    dialog->pMain.setColor(dutyMode ? clBlue : clGreen);
    const int title = dutyMode ? msgOnDutyTitle : msgOffDutyTitle;
    dialog->lCaption.setCaption(TranslateByNumber(title, DutyMessages[title]));
    dialog->mmInfo.clear();
    dialog->lResult.setCaption("");
    dialog->eUserID.setText("");
    dialog->dutyMode = dutyMode;
    dialog->showModal();
}

void TfEmpDutyDlg::ProcessCard(const std::string& cardText) {
    if (!DutyModule) throw Error("The duty dialog has no database module");
    ModuleDatabase database(*DutyModule);
    CardTransaction(database, *this).ProcessCard(cardText);
}

void TfEmpDutyDlg::FormShow() { setActiveControl(&eUserID); }

// The first key of an entry opens the one-second window after which the
// timer empties the box; a card reader delivers the whole card and Enter
// well within it. Later keys do not extend the window.
//
// The window is measured in message times, from when the keys were typed.
// While this thread is busy (a slow ProcessCard, say) keys wait in the input
// queue and WM_TIMER is only handed out once none are left, so the tick of an
// entry whose second ran out meanwhile comes after the next card's keys. A
// key typed after the end of its entry's second therefore empties the box
// itself and opens the next entry; the late tick then finds that entry's
// second still running and leaves it alone.
void TfEmpDutyDlg::eUserIDKeyDown(WORD& key, unsigned) {
    const auto typed = static_cast<CardEntryClock::Time>(GetMessageTime());
    // When the platform has no timer to give, the error leaves before the
    // key is counted in an entry.
    if (!Timer1.enabled()) Timer1.setEnabled(true);
    if (entryClock_.keyDown(typed).clearFirst) eUserID.setText("");
    if (key == VK_RETURN) {
        ProcessCard(eUserID.text());
        eUserID.setText("");
    }
}

// Copy (Ctrl+C), paste (Ctrl+V) and cut (Ctrl+X) arrive as these control
// characters; dropping them keeps typed-in or pasted numbers out.
void TfEmpDutyDlg::eUserIDKeyPress(char& key) {
    if (key == 3 || key == 22 || key == 24) key = 0;
}

// No context menu, so no Copy or Paste command either.
void TfEmpDutyDlg::eUserIDContextPopup(TPoint, bool& handled) { handled = true; }

// The tick's own message time, on the same clock as the keys'. A tick that
// finds the entry's second still running leaves the timer running: the
// next tick, a second later, ends that entry.
void TfEmpDutyDlg::Timer1Timer() {
    if (entryClock_.tick(static_cast<CardEntryClock::Time>(GetMessageTime()))) eUserID.setText("");
    if (!entryClock_.entryOpen()) Timer1.setEnabled(false);
}

}  // namespace qx
