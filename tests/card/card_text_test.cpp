// The two forms of a card text and the filling of the name into a message.
#include <gtest/gtest.h>

#include "duty/card_transaction.h"

namespace {

TEST(AlternateCardText, FramedAndBareFormsGiveEachOther) {
    const struct {
        const char* card;
        const char* alternate;
    } cases[] = {
        {";12345?", "12345"},   // swiped
        {"12345", ";12345?"},   // typed
        {"", ";?"},             // Enter in an empty box
        {";?", ""},             // an empty track
        {";", ";;?"},           // one ";" is not framed: its last character is not "?"
        {"?", ";??"},
        {";;?", ";"},
        {";12345", ";;12345?"},
        {"12345?", ";12345??"},
        {"?12345;", ";?12345;?"},
        {";\xd5\xc5?", "\xd5\xc5"},  // GBK bytes pass untouched
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qx::AlternateCardText(c.card), c.alternate) << "card text \"" << c.card << '"';
    }
}

TEST(FormatWithName, FillsTheNameOrLeavesTheTemplate) {
    const std::string name = "\xd5\xc5\xc8\xfd";  // a Chinese name, GBK
    const struct {
        const char* messageTemplate;
        std::string expected;
    } cases[] = {
        {"%s\xd2\xd1\xbe\xad\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!",  // "%s already has a clock-in time!"
         name + "\xd2\xd1\xbe\xad\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!"},
        {"No %s here", "No " + name + " here"},
        {"%S", name},
        {"without a name!", "without a name!"},
        {"", ""},
        {"100%% sure, %s", "100% sure, " + name},
        {"%0:s and %0:s", name + " and " + name},  // the same argument twice
        {"[%6s]", "[  " + name + "]"},
        {"[%-6s]", "[" + name + "  ]"},
        {"[%.2s]", "[\xd5\xc5]"},
        {"[%0:-6.2s]", "[\xd5\xc5    ]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qx::FormatWithName(c.messageTemplate, name), c.expected) << c.messageTemplate;
    }
}

TEST(FormatWithName, TemplatesThatCannotBeFilledRaise) {
    const char* cases[] = {
        "%s %s",       // a second argument
        "%1:s",        // the second argument by index
        "%d",          // a number
        "%s took %d",  // a number after the name
        "%x", "%f", "%u", "%e", "%g", "%n", "%m", "%p",
        "%*s",         // the width from an integer argument
        "%.*s",
        "100%",        // a lone percent sign at the end
        "%q",
        "%-",
        "%5",
        "%99999999s",
    };
    for (const char* messageTemplate : cases) {
        EXPECT_THROW(qx::FormatWithName(messageTemplate, "Li"), qx::Error) << messageTemplate;
    }
}

}  // namespace
