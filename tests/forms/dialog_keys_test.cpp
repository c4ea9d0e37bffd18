// The keys and defaults of the library's two dialogs, looked up in walk order.
#include <gtest/gtest.h>

#include "forms/dialog_stand_ins.h"
#include "localisation/caption_registry.h"

namespace {

using namespace qxtest;

void checkKeys(const ClassInfo& formClass, const std::vector<DialogRow>& rows, const std::string& formKey) {
    qx::FreeCaptionRegistry();
    qx::RegisterCaptionInfos();
    FakeForm form(formClass, "Dialog");
    addDialogComponents(form, rows);
    std::vector<Call> expected;
    for (const DialogRow& r : rows)
        if (r.key) expected.push_back({r.key, r.defaultText});
    expected.push_back({formKey, "Dialog"});

    RecordingTranslator t;
    qx::TranslateForm(form, t.fn());
    ASSERT_EQ(t.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(t.calls[i], expected[i]) << "lookup " << i;
    qx::FreeCaptionRegistry();
}

TEST(DialogKeys, DutyDialog) { checkKeys(TfEmpDutyDlg, dutyDialogRows(), "tfempdutydlg.caption"); }

TEST(DialogKeys, MessageDialog) { checkKeys(TfMyMessageDlg, messageDialogRows(), "tfmymessagedlg.caption"); }

}  // namespace
