#include "common/ansi_text.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiText, BlankMeansOnlyCodesUpToSpace) {
    EXPECT_TRUE(qx::isBlank(""));
    EXPECT_TRUE(qx::isBlank(" \t\r\n\x01"));
    EXPECT_FALSE(qx::isBlank(" a "));
    // A GBK lead byte is above 127 and never blank.
    EXPECT_FALSE(qx::isBlank("\xb4\xed"));
}

TEST(AnsiText, TrimKeepsInnerTextAndDoubleByteCharacters) {
    EXPECT_EQ(qx::trim("  a b \r\n"), "a b");
    EXPECT_EQ(qx::trimRight("  a \x1f"), "  a");
    EXPECT_EQ(qx::trim("\xd4\xb1\xb9\xa4 "), "\xd4\xb1\xb9\xa4");
}

TEST(AnsiText, LowerCaseTouchesOnlyAsciiLetters) {
    // Bytes above 127 (parts of double-byte characters) are never changed.
    EXPECT_EQ(qx::asciiLower("TfEmpDutyDlg.Caption"), "tfempdutydlg.caption");
    EXPECT_EQ(qx::asciiLower("\xc0\xc1Z"), "\xc0\xc1z");
}

}  // namespace
