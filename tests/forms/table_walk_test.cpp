// The walk against the real translation table: a first run collects the
// dialogs' texts into the file, a run with a language chosen shows the
// translations entered there.
#include <gtest/gtest.h>

#include <map>

#include "forms/dialog_stand_ins.h"
#include "forms/registered_table_test.h"
#include "localisation/caption_registry.h"
#include "localisation/table_file.h"

namespace {

using namespace qxtest;

using ThroughTheTable = RegisteredTableTest;

TEST_F(ThroughTheTable, FirstRunCollectsEveryNonBlankText) {
    struct Case {
        const ClassInfo* formClass;
        std::vector<DialogRow> rows;
        std::string captionKey;
        std::size_t expectedRows;
    };
    const Case cases[] = {
        {&TfEmpDutyDlg, dutyDialogRows(), "tfempdutydlg.caption", 7},
        {&TfMyMessageDlg, messageDialogRows(), "tfmymessagedlg.caption", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.captionKey);
        fs::remove(tableFile());
        qx::OpenLanguageTable();
        FakeForm form(*c.formClass, "Dialog");
        addDialogComponents(form, c.rows);
        qx::TranslateForm(form);
        qx::ReleaseLanguageTable();

        std::map<std::string, std::string> expected{{c.captionKey, "Dialog"}};
        for (const DialogRow& r : c.rows)
            if (r.key && !qx::isBlank(r.defaultText)) expected[r.key] = r.defaultText;
        ASSERT_EQ(expected.size(), c.expectedRows);
        std::map<std::string, std::string> collected;
        for (auto& [id, row] : fileRows()) {
            collected[id] = row[1];
            EXPECT_EQ(row[2] + row[3] + row[4], "") << id;
        }
        EXPECT_EQ(collected, expected);
    }
}

TEST_F(ThroughTheTable, ChosenLanguageShowsTheTranslationsFromTheFile) {
    qx::OpenLanguageTable();
    {
        FakeForm form(TfEmpDutyDlg, "Dialog");
        addDialogComponents(form, dutyDialogRows());
        qx::TranslateForm(form);
    }
    qx::ReleaseLanguageTable();

    // A translator fills in the first column.
    const std::map<std::string, std::string> column1 = {
        {"tfempdutydlg.label1.caption", "Swipe your card...\n"},
        {"tfempdutydlg.lcaption.caption", "  Clock in  "},
        {"tfempdutydlg.fcshapebtn1.caption", "   "},  // blank: the built-in text stays
        {"tfempdutydlg.caption", "Duty\n"},
    };
    std::vector<qx::datapacket::Row> rows;
    for (auto [id, row] : fileRows()) {
        if (auto it = column1.find(id); it != column1.end()) row[2] = it->second;
        rows.push_back(row);
    }
    qx::tablefile::save(tableFile().string(), rows);
    const std::string before = readBytes(tableFile());

    qx::SetLanguageID(1);
    qx::OpenLanguageTable();
    FakeForm form(TfEmpDutyDlg, "Dialog");
    std::map<std::string, FakeControl*> controls;
    const auto dialogRows = dutyDialogRows();
    auto made = addDialogComponents(form, dialogRows);
    for (std::size_t i = 0; i < made.size(); ++i) controls[dialogRows[i].name] = made[i];
    qx::TranslateOnCreate(form, [](std::exception_ptr) { ADD_FAILURE() << "error reported"; });
    EXPECT_FALSE(qx::LanguageTableModified());
    qx::ReleaseLanguageTable();

    EXPECT_EQ(controls["Label1"]->text("caption"), "Swipe your card...");
    EXPECT_EQ(controls["lCaption"]->text("caption"), "  Clock in");
    EXPECT_EQ(controls["fcShapeBtn1"]->text("caption"), "\xb9\xd8\xb1\xd5");  // "close"
    EXPECT_EQ(controls["Panel5"]->text("caption"), " \xd4\xb1\xb9\xa4\xbf\xa8\xba\xc5:");  // "staff card number:"
    EXPECT_EQ(controls["eUserID"]->text("text"), "eUserID");
    EXPECT_EQ(form.caption(), "Duty\n");
    EXPECT_EQ(form.fontName, "Tahoma");
    // Nothing was missing, so nothing was written.
    EXPECT_EQ(readBytes(tableFile()), before);
}

}  // namespace
