// The keys and defaults of the library's two dialogs, on stand-ins with the
// same component names, classes, designed texts and creation order.
#include <gtest/gtest.h>

#include "forms/fakes.h"
#include "localisation/caption_registry.h"

namespace {

namespace cls = qx::classes;
using namespace qxtest;

constexpr ClassInfo TfEmpDutyDlg{"TfEmpDutyDlg", &cls::TMLForm};
constexpr ClassInfo TfMyMessageDlg{"TfMyMessageDlg", &cls::TMLForm};
constexpr ClassInfo TImage{"TImage", &cls::TControl};
constexpr ClassInfo TTimer{"TTimer", &cls::TComponent};
constexpr ClassInfo TImageList{"TImageList", &cls::TComponent};

struct Row {
    const char* name;
    const ClassInfo* cls;
    const char* designed;     // caption, text or lines as designed; nullptr: no text property
    const char* key;          // nullptr: not registered
    const char* defaultText;  // what the lookup gets
};

// Builds the form from the rows, walks it and checks each key in order.
void checkKeys(const ClassInfo& formClass, const std::vector<Row>& rows, const std::string& formKey) {
    qx::FreeCaptionRegistry();
    qx::RegisterCaptionInfos();
    FakeForm form(formClass, "Dialog");
    std::vector<Call> expected;
    for (const Row& r : rows) {
        auto& c = form.make<FakeControl>(&form, *r.cls, r.name);
        if (r.cls == &cls::TMemo)
            c.props.setObject("Lines", &form.make<qx::TStringList>(qx::SplitLines(r.designed)));
        else if (r.cls == &cls::TEdit)
            c.props.setText("Text", r.designed);
        else if (r.designed)
            c.props.setText("Caption", r.designed);
        if (r.key) expected.push_back({r.key, r.defaultText});
    }
    expected.push_back({formKey, "Dialog"});

    RecordingTranslator t;
    qx::TranslateForm(form, t.fn());
    ASSERT_EQ(t.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(t.calls[i], expected[i]) << "lookup " << i;
    qx::FreeCaptionRegistry();
}

TEST(DialogKeys, DutyDialog) {
    checkKeys(TfEmpDutyDlg,
              {
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
              },
              "tfempdutydlg.caption");
}

TEST(DialogKeys, MessageDialog) {
    checkKeys(TfMyMessageDlg,
              {
                  {"pMsg", &cls::TPanel, "", "tfmymessagedlg.pmsg.caption", ""},
                  // "confirm"
                  {"fcLabel1", &cls::TfcLabel, "\xc8\xb7\xb6\xa8", "tfmymessagedlg.fclabel1.caption",
                   "\xc8\xb7\xb6\xa8\r\n"},
                  {"lCaption", &cls::TfcLabel, "", "tfmymessagedlg.lcaption.caption", ""},
                  // "yes", "no"
                  {"bOK", &cls::TfcShapeBtn, "\xca\xc7", "tfmymessagedlg.bok.caption", "\xca\xc7\r\n"},
                  {"bCancel", &cls::TfcShapeBtn, "\xb7\xf1", "tfmymessagedlg.bcancel.caption", "\xb7\xf1\r\n"},
                  {"ImageList1", &TImageList, nullptr, nullptr, nullptr},
              },
              "tfmymessagedlg.caption");
}

}  // namespace
