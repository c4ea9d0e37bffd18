// The registry's lifecycle and the class descriptors it relies on.
#include <gtest/gtest.h>

#include <set>

#include "localisation/caption_registry.h"

namespace {

namespace cls = qx::classes;

TEST(CaptionRegistry, IsCreatedByRegistrationAppendedToWhileItLivesAndFreed) {
    qx::FreeCaptionRegistry();
    EXPECT_EQ(qx::CaptionRegistry(), nullptr);

    qx::RegisterCaptionInfos();
    ASSERT_NE(qx::CaptionRegistry(), nullptr);
    const qx::CaptionRegistryList& r = *qx::CaptionRegistry();
    ASSERT_EQ(r.Count(), 27u);
    // Matching runs in registration order: the first and the last entries,
    // and the three grid paths in the order their keys come out.
    EXPECT_EQ(r[0].ControlClass, &cls::TLabel);
    EXPECT_EQ(r[26].ControlClass, &cls::TfcShapeBtn);
    std::vector<std::string> gridPaths;
    for (const auto& info : r)
        if (info.ControlClass == &cls::TDBGridEh) gridPaths.push_back(info.PropertyPath);
    EXPECT_EQ(gridPaths, (std::vector<std::string>{"columns.items.title.caption", "columns.items.footer.value",
                                                   "columns.items.footers.items.value"}));
    // Codes 0 to 27, each once, without 23.
    std::multiset<int> codes;
    for (const auto& info : r) codes.insert(info.KindCode);
    for (int code = 0; code <= 27; ++code) EXPECT_EQ(codes.count(code), code == 23 ? 0u : 1u) << code;

    // A registry that survives gets the same registrations appended again.
    qx::RegisterCaptionInfos();
    ASSERT_EQ(qx::CaptionRegistry(), &r);
    ASSERT_EQ(r.Count(), 54u);
    for (std::size_t i = 0; i < 27; ++i) {
        EXPECT_EQ(r[i + 27].ControlClass, r[i].ControlClass);
        EXPECT_EQ(r[i + 27].PropertyPath, r[i].PropertyPath);
        EXPECT_EQ(r[i + 27].KindCode, r[i].KindCode);
    }

    qx::FreeCaptionRegistry();
    EXPECT_EQ(qx::CaptionRegistry(), nullptr);
    qx::FreeCaptionRegistry();  // freeing an absent registry is harmless
}

TEST(CaptionRegistry, NoRegisteredClassDerivesFromAnother) {
    qx::FreeCaptionRegistry();
    qx::RegisterCaptionInfos();
    std::set<const qx::ClassInfo*> registered;
    for (const auto& info : *qx::CaptionRegistry()) registered.insert(info.ControlClass);
    EXPECT_EQ(registered.size(), 23u);
    for (const qx::ClassInfo* a : registered) {
        // Every registered class is a component, so the walk can name it.
        EXPECT_TRUE(a->inheritsFrom(cls::TComponent)) << a->name();
        for (const qx::ClassInfo* b : registered) {
            if (a == b) continue;
            EXPECT_FALSE(a->inheritsFrom(*b)) << a->name() << " is a " << b->name();
        }
    }
    qx::FreeCaptionRegistry();
}

TEST(ClassInfo, AnswersForTheClassItselfAndItsBasesOnly) {
    static constexpr qx::ClassInfo TMyCombo{"TMyCombo", &cls::TComboBox};
    static constexpr qx::ClassInfo TMyFrame{"TMyFrame", &cls::TFrame};
    struct Case {
        const qx::ClassInfo& cls;
        const qx::ClassInfo& base;
        bool expected;
    };
    const Case cases[] = {
        {TMyCombo, TMyCombo, true},          {TMyCombo, cls::TComboBox, true},
        {TMyCombo, cls::TComponent, true},   {TMyCombo, cls::TObject, true},
        {cls::TComboBox, TMyCombo, false},   {TMyCombo, cls::TListBox, false},
        {TMyFrame, cls::TFrame, true},       {cls::TForm, cls::TFrame, false},
        {cls::TfcLabel, cls::TLabel, false}, {cls::TfcShapeBtn, cls::TButton, false},
        {cls::TRadioGroup, cls::TGroupBox, false}, {cls::TCheckListBox, cls::TListBox, false},
        {cls::TStringList, cls::TStrings, true},   {cls::TStrings, cls::TComponent, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.cls.inheritsFrom(c.base), c.expected) << c.cls.name() << " / " << c.base.name();
}

}  // namespace
