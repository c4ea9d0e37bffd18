// The walk over a form: keys and defaults in walk order, the texts written
// back, frames, combo boxes, the registry's presence and the creation hook.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/error.h"
#include "forms/fakes.h"
#include "localisation/caption_registry.h"

namespace {

namespace cls = qx::classes;
using namespace qxtest;

constexpr ClassInfo TfSample{"TfSample", &cls::TMLForm};
constexpr ClassInfo TfOther{"TfOther", &cls::TMLForm};
constexpr ClassInfo TImage{"TImage", &cls::TControl};
constexpr ClassInfo TfrShared{"TfrShared", &cls::TFrame};
constexpr ClassInfo TfrInner{"TfrInner", &cls::TFrame};
constexpr ClassInfo TMyLabel{"TMyLabel", &cls::TLabel};
constexpr ClassInfo TMyCombo{"TMyCombo", &cls::TComboBox};

class Registered : public ::testing::Test {
protected:
    void SetUp() override {
        qx::FreeCaptionRegistry();
        qx::RegisterCaptionInfos();
    }
    void TearDown() override { qx::FreeCaptionRegistry(); }
};

FakeControl& label(FakeForm& form, TComponent* owner, const ClassInfo& c, const std::string& name,
                   const std::string& caption) {
    auto& l = form.make<FakeControl>(owner, c, name);
    l.props.setText("Caption", caption);
    return l;
}

FakeControl& withList(FakeForm& form, FakeControl& control, const std::string& property,
                      std::vector<std::string> lines) {
    control.props.setObject(property, &form.make<qx::TStringList>(std::move(lines)));
    return control;
}

FakeCollection& collection(FakeForm& form, FakeControl& control, const std::string& property) {
    auto& c = form.make<FakeCollection>();
    control.props.setObject(property, &c);
    return c;
}

// A grid column with a title, a single footer and a list of footers.
void addGridColumn(FakeForm& form, FakeCollection& columns, const std::string& title,
                   const std::string& footer, std::vector<std::string> footers) {
    FakeItem& column = columns.add();
    auto& t = form.make<FakeItem>();
    t.props.setText("Caption", title);
    column.props.setObject("Title", &t);
    auto& f = form.make<FakeItem>();
    f.props.setText("Value", footer);
    column.props.setObject("Footer", &f);
    auto& fs = form.make<FakeCollection>();
    for (auto& v : footers) fs.add().props.setText("Value", v);
    column.props.setObject("Footers", &fs);
}

// One control of every kind with more than a plain caption, and a frame.
struct SampleForm {
    FakeForm form{TfSample, "Sample"};
    FakeControl* label1;
    FakeControl* nameless;
    FakeControl* grid;
    FakeControl* status;
    FakeComboBox* combo;
    FakeControl* frameLabel;

    SampleForm() {
        label1 = &label(form, &form, cls::TLabel, "Label1", "Name");
        nameless = &label(form, &form, cls::TLabel, "", "Anon");
        withList(form, form.make<FakeControl>(&form, cls::TMemo, "mmNotes"), "Lines", {"a", "b"});

        grid = &form.make<FakeControl>(&form, cls::TDBGridEh, "GridEh1");
        FakeCollection& columns = collection(form, *grid, "Columns");
        addGridColumn(form, columns, "Code", "Sum", {"F0", "F1"});
        addGridColumn(form, columns, "Amount", "", {});
        collection(form, form.make<FakeControl>(&form, cls::TDBGrid, "EmptyGrid"), "Columns");

        status = &form.make<FakeControl>(&form, cls::TStatusBar, "sbMain");
        status->props.setText("SimpleText", "Ready");
        FakeCollection& panels = collection(form, *status, "Panels");
        panels.add().props.setText("Text", "P0");
        panels.add().props.setText("Text", "P1");

        FakeControl& view = form.make<FakeControl>(&form, cls::TListView, "lvItems");
        FakeCollection& viewColumns = collection(form, view, "Columns");
        viewColumns.add().props.setText("Caption", "Col A");
        viewColumns.add().props.setText("Caption", "Col B");

        combo = &form.make<FakeComboBox>(&form, "cbKind", std::vector<std::string>{"One", "Two", "Three"}, 1);
        withList(form, label(form, &form, cls::TRadioGroup, "rgMode", "Choice"), "Items", {"X", "Y"});
        form.make<FakeControl>(&form, TImage, "Image1").props.setText("Caption", "not registered");

        auto& frame = form.make<FakeControl>(&form, TfrShared, "Frame1");
        frame.props.setText("Caption", "frames are not matched");
        frameLabel = &label(form, &frame, cls::TLabel, "lShared", "In frame");
    }
};

TEST_F(Registered, KeysAndDefaultsFollowTheWalkOrder) {
    SampleForm s;
    RecordingTranslator t;
    qx::TranslateForm(s.form, t.fn());

    const std::vector<Call> expected = {
        {"tfsample.label1.caption", "Name\r\n"},
        {"tfsample..caption", "Anon\r\n"},
        {"tfsample.mmnotes.lines.text", "a\r\nb\r\n"},
        // The grid's three registrations, each over all columns.
        {"tfsample.grideh1.columns.itemsitems[0].title.caption", "Code\r\n"},
        {"tfsample.grideh1.columns.itemsitems[1].title.caption", "Amount\r\n"},
        {"tfsample.grideh1.columns.itemsitems[0].footer.value", "Sum\r\n"},
        {"tfsample.grideh1.columns.itemsitems[1].footer.value", ""},
        {"tfsample.grideh1.columns.itemsitems[0].footers.itemsitems[0].value", "F0\r\n"},
        {"tfsample.grideh1.columns.itemsitems[0].footers.itemsitems[1].value", "F1\r\n"},
        // EmptyGrid has no columns and yields nothing.
        {"tfsample.sbmain.simpletext", "Ready\r\n"},
        {"tfsample.sbmain.panels.itemsitems[0].text", "P0\r\n"},
        {"tfsample.sbmain.panels.itemsitems[1].text", "P1\r\n"},
        {"tfsample.lvitems.columns.itemsitems[0].caption", "Col A\r\n"},
        {"tfsample.lvitems.columns.itemsitems[1].caption", "Col B\r\n"},
        {"tfsample.cbkind.items.text", "One\r\nTwo\r\nThree\r\n"},
        {"tfsample.rgmode.caption", "Choice\r\n"},
        {"tfsample.rgmode.items.text", "X\r\nY\r\n"},
        // Image1 is not registered; the frame's label is keyed by the frame's class.
        {"tfrshared.lshared.caption", "In frame\r\n"},
        {"tfsample.caption", "Sample"},
    };
    EXPECT_EQ(t.calls, expected);
    EXPECT_EQ(s.form.translatedCalls, 1);
}

TEST_F(Registered, TranslationsAreWrittenBackAtTheEndOfEachPath) {
    SampleForm s;
    RecordingTranslator t;
    t.translations = {
        {"tfsample.label1.caption", "Nom\r\n"},
        {"tfsample.grideh1.columns.itemsitems[1].title.caption", "Montant"},
        {"tfsample.grideh1.columns.itemsitems[0].footers.itemsitems[1].value", "Pied 1\r\n"},
        {"tfsample.sbmain.panels.itemsitems[0].text", "Zone 0"},
        {"tfrshared.lshared.caption", "Dans le cadre"},
        {"tfsample.caption", "Exemple"},
    };
    qx::TranslateForm(s.form, t.fn());

    EXPECT_EQ(s.label1->text("caption"), "Nom");
    EXPECT_EQ(s.nameless->text("caption"), "Anon");
    auto& columns = *static_cast<FakeCollection*>(s.grid->property("columns").object());
    auto* title1 = static_cast<FakeItem*>(columns.at(1).property("title").object());
    EXPECT_EQ(title1->props.text("caption"), "Montant");
    auto* footers0 = static_cast<FakeCollection*>(columns.at(0).property("footers").object());
    EXPECT_EQ(footers0->at(0).props.text("value"), "F0");
    EXPECT_EQ(footers0->at(1).props.text("value"), "Pied 1");
    auto* panels = static_cast<FakeCollection*>(s.status->property("panels").object());
    EXPECT_EQ(panels->at(0).props.text("text"), "Zone 0");
    EXPECT_EQ(s.frameLabel->text("caption"), "Dans le cadre");
    EXPECT_EQ(s.form.caption(), "Exemple");
}

TEST_F(Registered, ComboBoxKeepsItsSelectionWhenItsItemsAreTranslated) {
    struct Case {
        const ClassInfo* cls;
        int selected;
    };
    for (const Case& c : {Case{&cls::TComboBox, 1}, Case{&cls::TComboBox, -1}, Case{&TMyCombo, 2}}) {
        SCOPED_TRACE(std::string(c.cls->name()) + " " + std::to_string(c.selected));
        FakeForm form(TfSample, "");
        auto& combo = form.make<FakeComboBox>(&form, "cbKind", std::vector<std::string>{"One", "Two", "Three"},
                                              c.selected, *c.cls);
        RecordingTranslator t;
        t.translations = {{"tfsample.cbkind.items.text", "Un\r\nDeux\nTrois\r\n\r\n"}};
        qx::TranslateForm(form, t.fn());
        EXPECT_EQ(combo.items(), (std::vector<std::string>{"Un", "Deux", "Trois"}));
        EXPECT_EQ(combo.itemIndex(), c.selected);
    }
}

TEST_F(Registered, FrameKeysAreSharedByEveryFormEmbeddingTheFrame) {
    // The same frame class, with a frame inside it, on two different forms.
    auto build = [](FakeForm& form) {
        auto& frame = form.make<FakeControl>(&form, TfrShared, "FrameOnThisForm");
        label(form, &frame, cls::TLabel, "lShared", "Shared");
        auto& inner = form.make<FakeControl>(&frame, TfrInner, "Inner");
        return &label(form, &inner, TMyLabel, "lInner", "Inner text");
    };
    FakeForm first(TfSample, "First");
    FakeForm second(TfOther, "Second");
    FakeControl* innerLabels[] = {build(first), build(second)};

    RecordingTranslator t;
    t.translations = {{"tfrinner.linner.caption", "Texte interne"}};
    qx::TranslateForm(first, t.fn());
    qx::TranslateForm(second, t.fn());

    const std::vector<Call> expected = {
        {"tfrshared.lshared.caption", "Shared\r\n"},
        {"tfrinner.linner.caption", "Inner text\r\n"},
        {"tfsample.caption", "First"},
        {"tfrshared.lshared.caption", "Shared\r\n"},
        {"tfrinner.linner.caption", "Inner text\r\n"},
        {"tfother.caption", "Second"},
    };
    EXPECT_EQ(t.calls, expected);
    for (FakeControl* l : innerLabels) EXPECT_EQ(l->text("caption"), "Texte interne");
}

TEST_F(Registered, SecondRegistrationPassLooksEachTextUpTwiceWithTheSameResult) {
    SampleForm once, twice;
    RecordingTranslator t1, t2;
    // Translations with trailing breaks and blanks, which the first pass strips.
    for (auto* t : {&t1, &t2})
        t->translations = {{"tfsample.label1.caption", "Nom  \n"},
                           {"tfsample.cbkind.items.text", "Un\nDeux\nTrois\n"},
                           {"tfsample.sbmain.panels.itemsitems[1].text", "Zone\r\n\r\n"}};
    qx::TranslateForm(once.form, t1.fn());
    qx::RegisterCaptionInfos();
    ASSERT_EQ(qx::CaptionRegistry()->Count(), 54u);
    qx::TranslateForm(twice.form, t2.fn());

    // Every control key twice, the caption once.
    std::map<std::string, int> seen;
    for (const Call& c : t2.calls) ++seen[c.key];
    for (const Call& c : t1.calls) EXPECT_EQ(seen[c.key], c.key == "tfsample.caption" ? 1 : 2) << c.key;
    EXPECT_EQ(t2.calls.size(), 2 * t1.calls.size() - 1);

    EXPECT_EQ(twice.label1->text("caption"), once.label1->text("caption"));
    EXPECT_EQ(twice.label1->text("caption"), "Nom");
    EXPECT_EQ(twice.combo->items(), once.combo->items());
    EXPECT_EQ(twice.combo->itemIndex(), 1);
    auto panelText = [](SampleForm& s) {
        auto* panels = static_cast<FakeCollection*>(s.status->property("panels").object());
        return panels->at(1).props.text("text");
    };
    EXPECT_EQ(panelText(twice), panelText(once));
}

TEST(FormWithoutRegistry, OnlyTheCaptionIsLookedUp) {
    qx::FreeCaptionRegistry();
    SampleForm s;
    s.label1->props.setText("Caption", "Name  ");
    RecordingTranslator t;
    t.translations = {{"tfsample.label1.caption", "Nom"}};
    qx::TranslateForm(s.form, t.fn());
    EXPECT_EQ(t.calls, (std::vector<Call>{{"tfsample.caption", "Sample"}}));
    // Designed texts stay as they are, trailing blanks included.
    EXPECT_EQ(s.label1->text("caption"), "Name  ");
    EXPECT_EQ(s.form.translatedCalls, 1);
}

TEST_F(Registered, ControlTextsGoThroughTheStringListBothWays) {
    struct Case {
        const char* what;
        std::string designed;
        std::optional<std::string> translation;
        std::string expectedDefault;
        std::string expectedText;
    };
    const Case cases[] = {
        {"trailing blanks lost", "Total  ", {}, "Total  \r\n", "Total"},
        {"lone LF becomes CR LF", "a\nb", {}, "a\r\nb\r\n", "a\r\nb"},
        {"lone CR becomes CR LF", "a\rb", {}, "a\r\nb\r\n", "a\r\nb"},
        {"LF CR is two breaks", "a\n\rb", {}, "a\r\n\r\nb\r\n", "a\r\n\r\nb"},
        {"leading blanks kept", "  lead", {}, "  lead\r\n", "  lead"},
        {"empty stays empty", "", {}, "", ""},
        {"a NUL ends the text", std::string("x\0y", 3), {}, "x\r\n", "x"},
        {"trailing empty lines lost", "a\r\n\r\n \r\n", {}, "a\r\n\r\n \r\n", "a"},
        {"translation without final break", "Hi", "Salut", "Hi\r\n", "Salut"},
        {"translation with final CR LF", "Hi", "Salut\r\n", "Hi\r\n", "Salut"},
        {"translation with final LF", "Hi", "Salut\n", "Hi\r\n", "Salut"},
        {"translation with blanks and empty lines", "Hi", "Salut \r\n\r\n", "Hi\r\n", "Salut"},
        {"translation with lone LF inside", "Hi", "L1\nL2", "Hi\r\n", "L1\r\nL2"},
        {"translation with leading blanks", "Hi", "  x", "Hi\r\n", "  x"},
        {"double-byte text", "\xb9\xd8\xb1\xd5", {}, "\xb9\xd8\xb1\xd5\r\n", "\xb9\xd8\xb1\xd5"},  // close
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeForm form(TfSample, "");
        FakeControl& l = label(form, &form, cls::TLabel, "Label1", c.designed);
        RecordingTranslator t;
        if (c.translation) t.translations["tfsample.label1.caption"] = *c.translation;
        qx::TranslateForm(form, t.fn());
        ASSERT_FALSE(t.calls.empty());
        EXPECT_EQ(t.calls[0], (Call{"tfsample.label1.caption", c.expectedDefault}));
        EXPECT_EQ(l.text("caption"), c.expectedText);
    }
}

TEST_F(Registered, StringListsPassTheirWholeTextAndLoseTrailingBlanks) {
    struct Case {
        const char* what;
        std::vector<std::string> designed;
        std::optional<std::string> translation;
        std::string expectedDefault;
        std::vector<std::string> expectedLines;
    };
    const Case cases[] = {
        {"no lines", {}, {}, "", {}},
        {"last line's blanks lost", {"a", "b  "}, {}, "a\r\nb  \r\n", {"a", "b"}},
        {"trailing empty lines lost", {"a", "", ""}, {}, "a\r\n\r\n\r\n", {"a"}},
        {"leading blanks kept", {"  a"}, {}, "  a\r\n", {"  a"}},
        {"translation split at LF and CR", {"a"}, "x\ny\rz\r\n", "a\r\n", {"x", "y", "z"}},
        {"translation without final break", {"a"}, "x", "a\r\n", {"x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeForm form(TfSample, "");
        auto& lines = form.make<qx::TStringList>(c.designed);
        form.make<FakeControl>(&form, cls::TListBox, "lbItems").props.setObject("Items", &lines);
        RecordingTranslator t;
        if (c.translation) t.translations["tfsample.lbitems.items.text"] = *c.translation;
        qx::TranslateForm(form, t.fn());
        ASSERT_FALSE(t.calls.empty());
        EXPECT_EQ(t.calls[0], (Call{"tfsample.lbitems.items.text", c.expectedDefault}));
        EXPECT_EQ(lines.lines(), c.expectedLines);
    }
}

TEST_F(Registered, FormCaptionIsTakenUnchanged) {
    struct Case {
        const char* what;
        std::string designed;
        std::optional<std::string> translation;
        std::string expected;
    };
    const Case cases[] = {
        {"designed caption with blanks and LF", " Title  \n", {}, " Title  \n"},
        {"translation with final LF", "Title", "Titre\n", "Titre\n"},
        {"translation with lone LF and blanks", "Title", "A\nB  ", "A\nB  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeForm form(TfSample, c.designed);
        RecordingTranslator t;
        if (c.translation) t.translations["tfsample.caption"] = *c.translation;
        qx::TranslateForm(form, t.fn());
        EXPECT_EQ(t.calls, (std::vector<Call>{{"tfsample.caption", c.designed}}));
        EXPECT_EQ(form.caption(), c.expected);
    }
}

TEST_F(Registered, PathsThatLeadNowhereLookNothingUp) {
    FakeForm form(TfSample, "");
    // A column whose title object is absent, and one without any title.
    auto& grid = form.make<FakeControl>(&form, cls::TDBGrid, "Grid1");
    FakeCollection& columns = collection(form, grid, "Columns");
    columns.add().props.setObject("Title", nullptr);
    columns.add();
    // A button that has no caption property at all.
    form.make<FakeControl>(&form, cls::TButton, "Button1");
    RecordingTranslator t;
    qx::TranslateForm(form, t.fn());
    EXPECT_EQ(t.calls, (std::vector<Call>{{"tfsample.caption", ""}}));
}

class CreationHook : public Registered {
protected:
    // Three labels; a translator that fails on the second.
    FakeForm form{TfSample, "Sample"};
    FakeControl& first = label(form, &form, cls::TLabel, "lFirst", "one");
    FakeControl& second = label(form, &form, cls::TLabel, "lSecond", "two");
    FakeControl& third = label(form, &form, cls::TLabel, "lThird", "three ");
    RecordingTranslator t;
    std::vector<std::string> reported;

    qx::ErrorReport report() {
        return [this](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                reported.push_back(x.what());
            }
        };
    }
};

TEST_F(CreationHook, TranslatesThenSetsTheFontName) {
    t.translations = {{"tfsample.caption", "Exemple"}};
    qx::TranslateOnCreate(form, report(), t.fn());
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(form.caption(), "Exemple");
    EXPECT_EQ(third.text("caption"), "three");
    EXPECT_EQ(form.fontName, "Tahoma");
    EXPECT_EQ(form.translatedCalls, 1);
}

TEST_F(CreationHook, AnErrorStopsTheWalkIsReportedAndCreationGoesOn) {
    auto failing = [this](const std::string& key, const std::string& def) -> std::string {
        if (key == "tfsample.lsecond.caption") throw qx::Error("table store failed");
        return t.fn()(key, "!" + def);
    };
    EXPECT_NO_THROW(qx::TranslateOnCreate(form, report(), failing));
    EXPECT_EQ(reported, (std::vector<std::string>{"table store failed"}));
    EXPECT_EQ(first.text("caption"), "!one");
    EXPECT_EQ(second.text("caption"), "two");
    EXPECT_EQ(third.text("caption"), "three ");
    EXPECT_EQ(form.caption(), "Sample");
    EXPECT_EQ(form.fontName, "MS Sans Serif");
    EXPECT_EQ(form.translatedCalls, 0);
}

TEST_F(CreationHook, AFormBeingDesignedIsLeftAlone) {
    form.designing = true;
    qx::TranslateOnCreate(form, report(), t.fn());
    EXPECT_TRUE(t.calls.empty());
    EXPECT_EQ(form.fontName, "MS Sans Serif");
    EXPECT_EQ(third.text("caption"), "three ");
}

}  // namespace
