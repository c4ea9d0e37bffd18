// Stand-ins for the library's two dialogs: the same component names,
// classes, designed texts and creation order, with the key and default each
// registered text is looked up with.
#pragma once

#include <string>
#include <vector>

#include "forms/fakes.h"

namespace qxtest {

inline constexpr ClassInfo TfEmpDutyDlg{"TfEmpDutyDlg", &qx::classes::TMLForm};
inline constexpr ClassInfo TfMyMessageDlg{"TfMyMessageDlg", &qx::classes::TMLForm};
inline constexpr ClassInfo TImage{"TImage", &qx::classes::TControl};
inline constexpr ClassInfo TTimer{"TTimer", &qx::classes::TComponent};
inline constexpr ClassInfo TImageList{"TImageList", &qx::classes::TComponent};

struct DialogRow {
    const char* name;
    const ClassInfo* cls;
    const char* designed;     // caption, text or lines as designed; nullptr: no text property
    const char* key;          // nullptr: not registered
    const char* defaultText;  // what the lookup gets
};

inline std::vector<DialogRow> dutyDialogRows() {
    namespace cls = qx::classes;
    return {
        {"Panel1", &cls::TPanel, "", "tfempdutydlg.panel1.caption", ""},
        // "staff clock in"
        {"lCaption", &cls::TfcLabel, "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0", "tfempdutydlg.lcaption.caption",
         "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0\r\n"},
        {"pMain", &cls::TPanel, "", "tfempdutydlg.pmain.caption", ""},
        {"Panel2", &cls::TPanel, "", "tfempdutydlg.panel2.caption", ""},
        // "staff details"
        {"fcLabel1", &cls::TfcLabel, "\xd4\xb1\xb9\xa4\xd7\xca\xc1\xcf", "tfempdutydlg.fclabel1.caption",
         "\xd4\xb1\xb9\xa4\xd7\xca\xc1\xcf\r\n"},
        {"lResult", &cls::TLabel, "", "tfempdutydlg.lresult.caption", ""},
        {"pInfo", &cls::TPanel, "", "tfempdutydlg.pinfo.caption", ""},
        {"mmInfo", &cls::TMemo, "", "tfempdutydlg.mminfo.lines.text", ""},
        {"Panel4", &cls::TPanel, "", "tfempdutydlg.panel4.caption", ""},
        // "please swipe your card..."
        {"Label1", &cls::TLabel, "\xc7\xeb\xc0\xad\xbf\xa8...", "tfempdutydlg.label1.caption",
         "\xc7\xeb\xc0\xad\xbf\xa8...\r\n"},
        {"Image1", &TImage, nullptr, nullptr, nullptr},
        // "staff card number:", with its leading blank
        {"Panel5", &cls::TPanel, " \xd4\xb1\xb9\xa4\xbf\xa8\xba\xc5:", "tfempdutydlg.panel5.caption",
         " \xd4\xb1\xb9\xa4\xbf\xa8\xba\xc5:\r\n"},
        {"eUserID", &cls::TEdit, "eUserID", "tfempdutydlg.euserid.text", "eUserID\r\n"},
        // "close"
        {"fcShapeBtn1", &cls::TfcShapeBtn, "\xb9\xd8\xb1\xd5", "tfempdutydlg.fcshapebtn1.caption",
         "\xb9\xd8\xb1\xd5\r\n"},
        {"Timer1", &TTimer, nullptr, nullptr, nullptr},
    };
}

inline std::vector<DialogRow> messageDialogRows() {
    namespace cls = qx::classes;
    return {
        {"pMsg", &cls::TPanel, "", "tfmymessagedlg.pmsg.caption", ""},
        // "confirm"
        {"fcLabel1", &cls::TfcLabel, "\xc8\xb7\xb6\xa8", "tfmymessagedlg.fclabel1.caption", "\xc8\xb7\xb6\xa8\r\n"},
        {"lCaption", &cls::TfcLabel, "", "tfmymessagedlg.lcaption.caption", ""},
        // "yes", "no"
        {"bOK", &cls::TfcShapeBtn, "\xca\xc7", "tfmymessagedlg.bok.caption", "\xca\xc7\r\n"},
        {"bCancel", &cls::TfcShapeBtn, "\xb7\xf1", "tfmymessagedlg.bcancel.caption", "\xb7\xf1\r\n"},
        {"ImageList1", &TImageList, nullptr, nullptr, nullptr},
    };
}

// Adds the rows' components to the form in order and returns them.
inline std::vector<FakeControl*> addDialogComponents(FakeForm& form, const std::vector<DialogRow>& rows) {
    namespace cls = qx::classes;
    std::vector<FakeControl*> controls;
    for (const DialogRow& r : rows) {
        auto& c = form.make<FakeControl>(&form, *r.cls, r.name);
        if (r.cls == &cls::TMemo)
            c.props.setObject("Lines", &form.make<qx::TStringList>(qx::SplitLines(r.designed)));
        else if (r.cls == &cls::TEdit)
            c.props.setText("Text", r.designed);
        else if (r.designed)
            c.props.setText("Caption", r.designed);
        controls.push_back(&c);
    }
    return controls;
}

}  // namespace qxtest
