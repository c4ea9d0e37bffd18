#include "localisation/language_table.h"

#include "common/error.h"
#include "localisation/datapacket.h"
#include "localisation/table_file.h"
#include "table_test_support.h"

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace {

using namespace qxtest;
using qx::datapacket::Row;

// The ten built-in messages, as the host call seeds them.
const std::vector<std::string> kMessages = {
    "\xb4\xed\xce\xf3",  // "错误" (error)
    "m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9"};

std::vector<Row> loadRows(const fs::path& p) {
    auto table = qx::tablefile::load(p.string());
    EXPECT_TRUE(table.has_value()) << p;
    return table ? table->rows : std::vector<Row>{};
}

const Row* findRow(const std::vector<Row>& rows, const std::string& id) {
    for (const auto& r : rows)
        if (r[0] == id) return &r;
    return nullptr;
}

TEST(LanguageID, AcceptsOnlyZeroToThree) {
    qx::SetLanguageID(2);
    for (int bad : {4, -1, INT_MIN, INT_MAX}) {
        qx::SetLanguageID(bad);
        EXPECT_EQ(qx::LanguageID(), 2) << bad;
    }
    for (int good : {3, 1, 0}) {
        qx::SetLanguageID(good);
        EXPECT_EQ(qx::LanguageID(), good);
    }
}

TEST(LanguageTableFileName, CutsTheLibraryNameAtItsFirstPoint) {
    struct Case {
        const char* library;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Hotel\\qxempduty.dll", "qxempduty_str.cds"},
        {"C:\\x\\a.b.dll", "a_str.cds"},
        {"C:\\x.y\\plain", "plain_str.cds"},  // a point in the folder does not count
        {"D:lib.dll", "lib_str.cds"},         // drive-relative path
        {"/opt/hotel/QXEmpDuty.DLL", "QXEmpDuty_str.cds"},
        {"\\\\server\\share\\.hidden.dll", "_str.cds"},
    };
    for (const auto& c : cases) {
        qx::SetModulePathsForTesting(c.library, "C:\\host\\host.exe");
        EXPECT_EQ(qx::LanguageTableFileName(), c.expected) << c.library;
    }
    qx::SetModulePathsForTesting("", "");
}

TEST(LanguageTablePath, LivesInTheHostExecutablesFolderNotTheLibrarys) {
    qx::SetModulePathsForTesting("C:\\libs\\a.b.dll", "C:\\Hotel\\front\\host.exe");
    EXPECT_EQ(qx::LanguageTablePath(), "C:\\Hotel\\front\\a_str.cds");
    qx::SetModulePathsForTesting("C:\\libs\\qxempduty.dll", "host.exe");
    EXPECT_EQ(qx::LanguageTablePath(), "qxempduty_str.cds");
    qx::SetModulePathsForTesting("", "");
}

class LanguageTable : public TableFolderTest {
protected:
    // A file with message 1 translated in every column, message 2 with
    // blank translations and a form text translated with padding.
    void writeTranslatedFile() {
        qx::tablefile::save(tableFile().string(),
                            {
                                {"1", "m1", "one", "eins", "\xd2\xbb"},  // "一"
                                {"2", "m2", "", "  ", "\t\r\n"},
                                {"tfform.caption", "Form", " padded ", "", "x"},
                            });
    }
};

TEST_F(LanguageTable, LookupsFollowTheLanguageAndFallBackOnBlankTranslations) {
    writeTranslatedFile();
    qx::OpenLanguageTable();
    struct Case {
        int language;
        int number;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        // Language 0 always gives the built-in text, even when translated.
        {0, 1, "tfform.caption", "default"},
        {1, 1, "tfform.caption", "one"},
        {2, 1, "tfform.caption", "eins"},
        {3, 1, "tfform.caption", "\xd2\xbb"},
        // Blank translations (empty, spaces, control characters) give the default.
        {1, 2, "tfform.caption", "default"},
        {2, 2, "tfform.caption", "default"},
        {3, 2, "tfform.caption", "default"},
    };
    for (const auto& c : cases) {
        qx::SetLanguageID(c.language);
        EXPECT_EQ(qx::TranslateByNumber(c.number, "default"), c.expected) << c.language << " " << c.number;
    }
    // A translation with surrounding spaces comes back untrimmed.
    const std::pair<int, const char*> byKey[] = {{0, "default"}, {1, " padded "}, {2, "default"}, {3, "x"}};
    for (auto [language, expected] : byKey) {
        qx::SetLanguageID(language);
        EXPECT_EQ(qx::TranslateByKey("tfform.caption", "default"), expected) << language;
    }
    // Numbers are looked up by their decimal text only.
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByNumber(-1, "d"), "d");
    EXPECT_EQ(qx::TranslateByNumber(7, "d"), "d");
    EXPECT_FALSE(qx::LanguageTableModified());
}

TEST_F(LanguageTable, MissingKeysAreCollectedWithTheirNonBlankDefaultInAnyLanguage) {
    qx::OpenLanguageTable();
    struct Case {
        int language;
        const char* key;
        const char* defaultText;
        bool collected;
    };
    const Case cases[] = {
        {0, "tfa.caption", "Caption A", true},
        {3, "tfa.b.caption", "\xd4\xb1\xb9\xa4", true},  // "员工"
        {1, "tfa.c.caption", " x ", true},
        {0, "tfa.empty", "", false},
        {2, "tfa.blank", " \t\r\n", false},
    };
    for (const auto& c : cases) {
        qx::SetLanguageID(c.language);
        EXPECT_EQ(qx::TranslateByKey(c.key, c.defaultText), c.defaultText) << c.key;
    }
    EXPECT_TRUE(qx::LanguageTableModified());
    qx::ReleaseLanguageTable();
    EXPECT_FALSE(qx::LanguageTableModified());

    const auto rows = loadRows(tableFile());
    for (const auto& c : cases) {
        const Row* row = findRow(rows, c.key);
        ASSERT_EQ(row != nullptr, c.collected) << c.key;
        if (row) {
            EXPECT_EQ(*row, (Row{c.key, c.defaultText, "", "", ""}));
        }
    }
    // The built-in text of an existing row is never updated.
    qx::OpenLanguageTable();
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByKey("tfa.caption", "Changed"), "Changed");
    EXPECT_FALSE(qx::LanguageTableModified());
}

TEST_F(LanguageTable, LookupsBeforeOpenAndAfterReleaseGiveTheDefaultAndCollectNothing) {
    for (int language : {0, 1, 3}) {
        qx::SetLanguageID(language);
        EXPECT_EQ(qx::TranslateByKey("tfx.caption", "X"), "X");
        EXPECT_EQ(qx::TranslateByNumber(0, "E"), "E");
    }
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    qx::ReleaseLanguageTable();
    for (int language : {0, 1, 3}) {
        qx::SetLanguageID(language);
        EXPECT_EQ(qx::TranslateByKey("tfy.caption", "Y"), "Y");
        EXPECT_EQ(qx::TranslateByNumber(0, "E"), "E");
        qx::SeedNumberedStrings(kMessages, 9);
    }
    EXPECT_FALSE(qx::LanguageTableModified());
    const auto rows = loadRows(tableFile());
    EXPECT_EQ(findRow(rows, "tfy.caption"), nullptr);
    EXPECT_EQ(rows.size(), 10u);
}

TEST_F(LanguageTable, FirstRunWritesTheNumberedRowsAndCollectedTexts) {
    qx::OpenLanguageTable();
    EXPECT_FALSE(fs::exists(tableFile())) << "opening writes nothing";
    qx::SeedNumberedStrings(kMessages, 9);
    EXPECT_EQ(qx::TranslateByKey("tfempdutydlg.caption", "Duty"), "Duty");
    qx::ReleaseLanguageTable();

    const auto rows = loadRows(tableFile());
    ASSERT_EQ(rows.size(), 11u);
    for (int i = 0; i <= 9; ++i) {
        const Row expected{std::to_string(i), kMessages[i], "", "", ""};
        EXPECT_EQ(rows[i], expected);  // written in key order: digits first
    }
    EXPECT_EQ(rows[10], (Row{"tfempdutydlg.caption", "Duty", "", "", ""}));
}

TEST_F(LanguageTable, AnUnchangedSecondRunWritesNothing) {
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    qx::TranslateByKey("tfa.caption", "A");
    qx::ReleaseLanguageTable();

    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    qx::SetLanguageID(2);
    qx::TranslateByKey("tfa.caption", "A");
    qx::TranslateByNumber(3, "m3");
    EXPECT_FALSE(qx::LanguageTableModified());
    // Whatever is on disk now must survive the release untouched.
    writeBytes(tableFile(), "marker");
    qx::ReleaseLanguageTable();
    EXPECT_EQ(readBytes(tableFile()), "marker");
}

TEST_F(LanguageTable, SeedingAddsOnlyMissingRowsUpToTheHighestIndex) {
    writeTranslatedFile();
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, -1);
    EXPECT_FALSE(qx::LanguageTableModified());
    // Row 0 is missing and seeded even with an empty built-in text; rows 1
    // and 2 exist and stay as they are.
    const std::vector<std::string> texts = {"", "new one", "new two", "three"};
    qx::SeedNumberedStrings(texts, 3);
    EXPECT_TRUE(qx::LanguageTableModified());
    qx::ReleaseLanguageTable();

    const auto rows = loadRows(tableFile());
    const std::vector<Row> expected = {
        {"0", "", "", "", ""},
        {"1", "m1", "one", "eins", "\xd2\xbb"},
        {"2", "m2", "", "  ", "\t\r\n"},
        {"3", "three", "", "", ""},
        {"tfform.caption", "Form", " padded ", "", "x"},
    };
    EXPECT_EQ(rows, expected);
}

TEST_F(LanguageTable, LongKeysAndTextsAreCutTo250BytesAndFoundAgain) {
    const std::string longKey = "tfform." + std::string(293, 'k');
    const std::string longText(300, 't');
    const std::string otherLongKey = longKey.substr(0, 250) + "different tail";
    qx::OpenLanguageTable();
    EXPECT_EQ(qx::TranslateByKey(longKey, longText), longText);
    EXPECT_TRUE(qx::LanguageTableModified());
    qx::ReleaseLanguageTable();

    const auto rows = loadRows(tableFile());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], longKey.substr(0, 250));
    EXPECT_EQ(rows[0][1], longText.substr(0, 250));

    qx::OpenLanguageTable();
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByKey(longKey, longText), longText);
    // Keys are compared on their first 250 bytes only.
    EXPECT_EQ(qx::TranslateByKey(otherLongKey, "x"), "x");
    EXPECT_FALSE(qx::LanguageTableModified());
}

}  // namespace
