// Line splitting of string lists, property names and component ownership.
#include <gtest/gtest.h>

#include "localisation/property_model.h"

namespace {

TEST(StringListText, SplitsAtEveryKindOfBreakAndStopsAtNul) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
        std::string normalised;
    };
    const Case cases[] = {
        {"", {}, ""},
        {"a", {"a"}, "a\r\n"},
        {"a\r\n", {"a"}, "a\r\n"},
        {"a\r\nb", {"a", "b"}, "a\r\nb\r\n"},
        {"a\nb\rc", {"a", "b", "c"}, "a\r\nb\r\nc\r\n"},
        {"a\n\rb", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {"\r\n", {""}, "\r\n"},
        {"a\r\n\r\n", {"a", ""}, "a\r\n\r\n"},
        {" a \r", {" a "}, " a \r\n"},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}, "a\r\nb\r\n"},
        {std::string("\0a", 2), {}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qx::SplitLines(c.text), c.lines) << testing::PrintToString(c.text);
        EXPECT_EQ(qx::NormaliseLines(c.text), c.normalised) << testing::PrintToString(c.text);
        qx::TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(list.Text(), c.normalised);
    }
}

TEST(PropertyNames, CompareWithAsciiLettersOnlyCaseInsensitive) {
    EXPECT_TRUE(qx::sameName("SimpleText", "simpletext"));
    EXPECT_TRUE(qx::sameName("ITEMINDEX", "ItemIndex"));
    EXPECT_FALSE(qx::sameName("caption", "captions"));
    EXPECT_FALSE(qx::sameName("\xc0", "\xe0"));  // bytes above 127 are not letters here
}

class Plain : public qx::TComponent {
public:
    using TComponent::TComponent;
};

TEST(Components, OwnerListsItsComponentsInCreationOrderAndForgetsDestroyedOnes) {
    Plain form(nullptr, "Form");
    auto a = std::make_unique<Plain>(&form, "A");
    Plain b(&form, "B");
    auto c = std::make_unique<Plain>(&b, "C");
    ASSERT_EQ(form.componentCount(), 2u);
    EXPECT_EQ(form.component(0), a.get());
    EXPECT_EQ(form.component(1), &b);
    EXPECT_EQ(c->owner(), &b);

    a.reset();
    ASSERT_EQ(form.componentCount(), 1u);
    EXPECT_EQ(form.component(0), &b);

    // Name is a property like any other.
    qx::Property name = b.property("NAME");
    ASSERT_TRUE(name.exists());
    EXPECT_FALSE(name.holdsObject());
    name.set("Renamed");
    EXPECT_EQ(b.Name(), "Renamed");
    EXPECT_FALSE(b.property("caption").exists());
}

TEST(Components, OwnedComponentsOutliveTheirOwnerSafely) {
    auto owner = std::make_unique<Plain>(nullptr, "Owner");
    Plain child(owner.get(), "Child");
    owner.reset();
    EXPECT_EQ(child.owner(), nullptr);
}

}  // namespace
