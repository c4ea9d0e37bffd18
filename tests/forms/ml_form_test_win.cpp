// The self-translating form with real windows: a form built from the
// toolkit's controls collects its texts into the table file when it is
// created, shows the translations of a chosen language, and survives an
// error in the middle of its translation.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "common/error.h"
#include "controls/fc_label_win.h"
#include "controls/fc_shape_btn_win.h"
#include "forms/registered_table_test.h"
#include "localisation/caption_registry.h"
#include "localisation/ml_form_win.h"
#include "localisation/table_file.h"
#include "toolkit/controls_win.h"
#include "toolkit/error_box_win.h"
#include "toolkit/gui_helpers_win.h"

namespace {

using namespace qxtest;

inline constexpr qx::ClassInfo TfSampleDlgClass{"TfSampleDlg", &qx::classes::TMLForm};

// A label whose caption cannot be written while `refuse` is set.
class RefusingLabel : public qx::TLabel {
public:
    using TLabel::TLabel;
    bool refuse = false;
    qx::Property property(std::string_view name) override {
        if (refuse && qx::sameName(name, "caption"))
            return qx::Property::text([this] { return caption(); },
                                      [](const std::string&) { throw qx::Error("The label refused its text"); });
        return TLabel::property(name);
    }
};

// Every kind of control the library's dialogs use, in creation order.
class TfSampleDlg : public qx::TMLForm {
public:
    explicit TfSampleDlg(bool refuse = false) : TMLForm("Sample") {
        setClientSize(320, 240);
        qx::TFont f = font();
        f.name = "Courier New";
        setFont(f);
        panel.setName("Panel1");
        panel.setCaption(" Card:  ");
        label.setName("Label1");
        label.setCaption("Hello\nthere");
        label.refuse = refuse;
        fcLabel.setName("fcLabel1");
        fcLabel.setCaption("World");
        memo.setName("mmInfo");
        memo.setLines({"one", "two"});
        edit.setName("eText");
        edit.setText("abc");
        button.setName("bClose");
        button.setCaption("Close");
        image.setName("Image1");
        timer.setName("Timer1");
        onCreate = [this] { ++createEvents; };
    }
    const qx::ClassInfo& classInfo() const override { return TfSampleDlgClass; }

    qx::TPanel panel{this, 0, 0, 320, 240};
    RefusingLabel label{&panel, 10, 10};
    qx::TfcLabel fcLabel{&panel, 10, 40};
    qx::TMemo memo{&panel, 10, 70, 200, 60};
    qx::TEdit edit{&panel, 10, 140, 120, 24};
    qx::TfcShapeBtn button{&panel};
    qx::TImage image{&panel, 250, 10, 32, 32};
    qx::TTimer timer{this};
    int createEvents = 0;
};

using MlFormTest = RegisteredTableTest;

TEST_F(MlFormTest, OwnsItsControlsInCreationOrder) {
    TfSampleDlg form;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < form.componentCount(); ++i) names.push_back(form.component(i)->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Panel1", "Label1", "fcLabel1", "mmInfo", "eText", "bClose",
                                               "Image1", "Timer1"}));
}

TEST_F(MlFormTest, CreationCollectsEveryTextIntoTheTableFile) {
    qx::OpenLanguageTable();
    auto form = qx::createForm<TfSampleDlg>();
    EXPECT_EQ(form->createEvents, 1);
    form.reset();
    qx::ReleaseLanguageTable();

    std::map<std::string, std::string> collected;
    for (auto& [id, row] : fileRows()) collected[id] = row[1];
    EXPECT_EQ(collected, (std::map<std::string, std::string>{
                             {"tfsampledlg.panel1.caption", " Card:  \r\n"},
                             {"tfsampledlg.label1.caption", "Hello\r\nthere\r\n"},
                             {"tfsampledlg.fclabel1.caption", "World\r\n"},
                             {"tfsampledlg.mminfo.lines.text", "one\r\ntwo"},
                             {"tfsampledlg.etext.text", "abc\r\n"},
                             {"tfsampledlg.bclose.caption", "Close\r\n"},
                             {"tfsampledlg.caption", "Sample"},
                         }));
}

TEST_F(MlFormTest, ChosenLanguageShowsTheTranslationsOnTheWindows) {
    qx::OpenLanguageTable();
    qx::createForm<TfSampleDlg>();
    qx::ReleaseLanguageTable();

    const std::map<std::string, std::string> column1 = {
        {"tfsampledlg.panel1.caption", " Karte:\r\n"},
        {"tfsampledlg.label1.caption", "Hallo\r\n  du  "},
        {"tfsampledlg.fclabel1.caption", "Welt"},
        {"tfsampledlg.mminfo.lines.text", "eins\nzwei\n\n"},
        {"tfsampledlg.etext.text", "xyz"},
        {"tfsampledlg.bclose.caption", "Schliessen\r\n"},
        {"tfsampledlg.caption", "Muster\r\n"},
    };
    std::vector<qx::datapacket::Row> rows;
    for (auto [id, row] : fileRows()) {
        if (auto it = column1.find(id); it != column1.end()) row[2] = it->second;
        rows.push_back(row);
    }
    qx::tablefile::save(tableFile().string(), rows);

    qx::SetLanguageID(1);
    qx::OpenLanguageTable();
    auto form = qx::createForm<TfSampleDlg>();
    qx::ReleaseLanguageTable();

    // Control texts lose their trailing line breaks and blanks; the
    // form caption is taken as it stands.
    EXPECT_EQ(form->panel.caption(), " Karte:");
    EXPECT_EQ(form->label.caption(), "Hallo\r\n  du");
    EXPECT_EQ(form->fcLabel.caption(), "Welt");
    EXPECT_EQ(form->memo.lines(), (std::vector<std::string>{"eins", "zwei"}));
    EXPECT_EQ(form->button.caption(), "Schliessen");
    EXPECT_EQ(qx::test::windowText(form->edit.handle()), "xyz");
    EXPECT_EQ(qx::test::windowText(form->handle()), "Muster\r\n");
    // The form's font name became Tahoma, and the controls that take the
    // form's font followed it.
    EXPECT_EQ(form->font().name, "Tahoma");
    EXPECT_EQ(form->label.font().name, "Tahoma");
}

TEST_F(MlFormTest, AnErrorStopsTheTranslationIsShownAndCreationGoesOn) {
    qx::setApplicationTitle("sample host");
    qx::OpenLanguageTable();
    DWORD thread = GetCurrentThreadId();
    qx::test::ErrorBoxSeen seen;
    std::thread reader([&] { seen = qx::test::closeErrorBox(thread); });
    auto form = qx::createForm<TfSampleDlg>(true);
    reader.join();
    qx::setApplicationTitle("");

    EXPECT_EQ(seen.caption, "sample host");
    EXPECT_EQ(seen.text, "The label refused its text.");
    EXPECT_TRUE(seen.stopIcon);
    // The creation event still ran; the panel before the label was
    // translated, the label and what follows were not, and the font kept its
    // designed name.
    EXPECT_EQ(form->createEvents, 1);
    EXPECT_EQ(form->panel.caption(), " Card:");
    EXPECT_EQ(form->fcLabel.caption(), "World");
    EXPECT_EQ(form->font().name, "Courier New");
    form.reset();
    qx::ReleaseLanguageTable();
    std::map<std::string, std::string> collected;
    for (auto& [id, row] : fileRows()) collected[id] = row[1];
    EXPECT_EQ(collected.count("tfsampledlg.panel1.caption"), 1u);
    EXPECT_EQ(collected.count("tfsampledlg.fclabel1.caption"), 0u);
}

TEST_F(MlFormTest, WithoutRegistryOnlyTheCaptionIsLookedUp) {
    qx::FreeCaptionRegistry();
    qx::OpenLanguageTable();
    auto form = qx::createForm<TfSampleDlg>();
    qx::ReleaseLanguageTable();
    EXPECT_EQ(form->panel.caption(), " Card:  ");
    std::map<std::string, std::string> collected;
    for (auto& [id, row] : fileRows()) collected[id] = row[1];
    EXPECT_EQ(collected, (std::map<std::string, std::string>{{"tfsampledlg.caption", "Sample"}}));
}

}  // namespace
