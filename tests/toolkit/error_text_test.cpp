#include "toolkit/error_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorBoxText, FullStopUnlessLastCharacterSortsAtOrBeforeIt) {
    const struct {
        std::string message, shown;
    } cases[] = {
        {"Not enough timers available", "Not enough timers available."},
        {"Done.", "Done."},
        {"Really?", "Really?."},          // "?" sorts after "."
        {"Failed!", "Failed!"},           // "!" sorts before "."
        {"ends with a space ", "ends with a space "},
        {"a-b-", "a-b-"},                 // "-" sorts before "."
        {"path/", "path/."},              // "/" sorts right after "."
        {"", ""},
        {"\xb4\xed\xce\xf3", "\xb4\xed\xce\xf3."},  // "错误" (error): double-byte last character
    };
    for (const auto& c : cases) EXPECT_EQ(qx::errorBoxText(c.message), c.shown) << c.message;
}

}  // namespace
