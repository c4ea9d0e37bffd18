// The DLL's version record as Windows itself reads it (Explorer's Details
// tab and installers use these calls): the text part under the language and
// code page that the Translation value names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string besideThisProgram(const char* name) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

TEST(VersionRecord, ReadsBackThroughTheTranslationsStringTable) {
    const std::string dll = besideThisProgram("qxempduty.dll");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u) << dll;
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(dll.c_str(), 0, size, record.data()));

    struct Translation {
        WORD language, codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, sizeof(Translation));
    EXPECT_EQ(translation->language, 0x0804);
    EXPECT_EQ(translation->codePage, 936);

    // The table a reader looks for is named after that pair.
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04X%04X\\ProductVersion", translation->language,
                  translation->codePage);
    EXPECT_STREQ(block, "\\StringFileInfo\\080403A8\\ProductVersion");
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(record.data(), block, reinterpret_cast<void**>(&text), &length)) << block;
    EXPECT_STREQ(text, "1.0.0.0");

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 5u);
    EXPECT_EQ(fixed->dwFileVersionLS, (2011u << 16) | 106u);
}

}  // namespace
