// The duty dialog: staff swipe their card into the masked card box, and each
// Enter hands the box's text to the card transaction, which writes the duty
// record and shows the outcome in the information panel. The dialog stays
// open for any number of employees until its close button is clicked.
#pragma once

#include <string>

#include "controls/fc_label_win.h"
#include "controls/fc_shape_btn_win.h"
#include "duty/card_entry_clock.h"
#include "duty/card_transaction.h"
#include "duty/duty_module.h"
#include "localisation/ml_form_win.h"
#include "toolkit/controls_win.h"

namespace qx {

inline constexpr ClassInfo TfEmpDutyDlgClass{"TfEmpDutyDlg", &classes::TMLForm};

class TfEmpDutyDlg : public TMLForm, public DutyView {
public:
    TfEmpDutyDlg();

    const ClassInfo& classInfo() const override { return TfEmpDutyDlgClass; }

    // Creates the dialog for one mode (true: clock-in, false: clock-out) on
    // the connected module, shows it modally and destroys it when it closes.
    static void ShowDutyDialog(TdmDuty& module, bool dutyMode);

    // Set before the dialog is shown; the module is not owned.
    bool dutyMode = true;
    TdmDuty* DutyModule = nullptr;

    // DutyView
    bool DutyMode() const override { return dutyMode; }
    int infoColor() const override { return static_cast<int>(pInfo.color()); }
    void setInfoColor(int color) override { pInfo.setColor(static_cast<TColor>(color)); }
    void setMemoColor(int color) override { mmInfo.setColor(static_cast<TColor>(color)); }
    void setMemoText(const std::string& text) override { mmInfo.setText(text); }
    void setResultText(const std::string& text) override { lResult.setCaption(text); }
    // The system's default sound for a stored time, its error sound for a
    // rejection; the user's sound scheme decides what they are.
    void outcomeShown(bool stored) override;

    // The platform's MessageBeep, replaceable so that tests can hear it.
    using BeepFunction = BOOL(WINAPI*)(UINT);
    static void setBeepFunction(BeepFunction f);

    // The controls, in the order the form owns them.
    TPanel Panel1;
    TfcLabel lCaption;
    TPanel pMain;
    TPanel Panel2;
    TfcLabel fcLabel1;
    TLabel lResult;
    TPanel pInfo;
    TMemo mmInfo;
    TPanel Panel4;
    TLabel Label1;
    TImage Image1;
    TPanel Panel5;
    TEdit eUserID;
    TfcShapeBtn fcShapeBtn1;
    TTimer Timer1;

protected:
    // Hands a submitted card text to the transaction on DutyModule.
    virtual void ProcessCard(const std::string& cardText);

private:
    void FormShow();
    void eUserIDKeyDown(WORD& key, unsigned shift);
    void eUserIDKeyPress(char& key);
    void eUserIDContextPopup(TPoint where, bool& handled);
    void Timer1Timer();

    // Which keys make up the card box's current entry, by their message times.
    CardEntryClock entryClock_;
};

}  // namespace qx
