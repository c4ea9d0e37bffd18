#include "localisation/language_table.h"

#include "common/error.h"
#include "localisation/datapacket.h"
#include "localisation/file_system.h"
#include "localisation/table_file.h"
#include "packet_builder.h"
#include "table_test_support.h"

#include <array>
#include <chrono>
#include <climits>
#include <functional>
#include <string>
#include <utility>
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

TEST_F(LanguageTable, AnUnreadableFileIsSetAsideAndTheRunGoesOnWithAnEmptyTable) {
    const std::string packet = qx::datapacket::writeBinary({{"1", "m1", "one", "", ""}});
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not a packet", "this is not a table\r\n"},
        {"empty file", ""},
        {"truncated packet", packet.substr(0, packet.size() - 3)},
        {"no ID column", PacketBuilder().stringColumn("Key", 250).stringColumn("OriginString", 250).build()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(tableFile(), c.bytes);
        qx::SetLanguageID(1);
        qx::OpenLanguageTable();
        EXPECT_FALSE(qx::LanguageTableModified());
        EXPECT_EQ(qx::TranslateByNumber(1, "m1"), "m1");
        qx::SeedNumberedStrings(kMessages, 9);
        EXPECT_EQ(qx::TranslateByKey("tfa.caption", "A"), "A");
        EXPECT_EQ(readBytes(tableFile()), c.bytes) << "untouched until the save";
        qx::ReleaseLanguageTable();

        EXPECT_EQ(loadRows(tableFile()).size(), 11u);
        const fs::path aside = folder.path() / "qxempduty_str.cds.bad";
        EXPECT_EQ(readBytes(aside), c.bytes);
        fs::remove(aside);
    }
}

TEST_F(LanguageTable, ASetAsideFileNeverReplacesAnEarlierOne) {
    writeBytes(folder.path() / "qxempduty_str.cds.bad", "first");
    writeBytes(folder.path() / "qxempduty_str.cds.bad1", "second");
    writeBytes(tableFile(), "third");
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    qx::ReleaseLanguageTable();
    EXPECT_EQ(readBytes(folder.path() / "qxempduty_str.cds.bad"), "first");
    EXPECT_EQ(readBytes(folder.path() / "qxempduty_str.cds.bad1"), "second");
    EXPECT_EQ(readBytes(folder.path() / "qxempduty_str.cds.bad2"), "third");
    EXPECT_EQ(loadRows(tableFile()).size(), 10u);
}

TEST_F(LanguageTable, ValuesFromAFileAreCutTo250BytesWhenStored) {
    const std::string long300(300, 'v');
    writeBytes(tableFile(), PacketBuilder()
                                .stringColumn("ID", 300)
                                .stringColumn("OriginString", 300)
                                .stringColumn("NewString", 300)
                                .stringColumn("NewString2", 250)
                                .stringColumn("NewString3", 250)
                                .row(0, {long300, "o", long300, Cell::null(), Cell::null()})
                                .build());
    qx::OpenLanguageTable();
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByKey(long300, "d"), long300.substr(0, 250));
    EXPECT_EQ(qx::TranslateByKey(long300.substr(0, 250), "d"), long300.substr(0, 250));
    qx::TranslateByKey("new", "N");
    qx::ReleaseLanguageTable();
    const auto rows = loadRows(tableFile());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"new", "N", "", "", ""}));
    EXPECT_EQ(rows[1], (Row{long300.substr(0, 250), "o", long300.substr(0, 250), "", ""}));
}

TEST_F(LanguageTable, AFileLackingAColumnFailsOnlyWhereThatColumnIsNeeded) {
    writeBytes(tableFile(), PacketBuilder()
                                .stringColumn("ID", 250)
                                .stringColumn("NewString", 250)
                                .row(0, {"1", "one"})
                                .row(0, {"tfa", "a"})
                                .build());
    qx::OpenLanguageTable();
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByNumber(1, "d"), "one");
    EXPECT_EQ(qx::TranslateByKey("tfa", "d"), "a");
    qx::SetLanguageID(2);
    try {
        qx::TranslateByNumber(1, "d");
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_EQ(e.message(), "Field 'NewString2' not found");
    }
    // Appending needs OriginString.
    try {
        qx::SeedNumberedStrings(kMessages, 9);
        ADD_FAILURE() << "no error";
    } catch (const qx::Error& e) {
        EXPECT_EQ(e.message(), "Field 'OriginString' not found");
    }
    EXPECT_FALSE(qx::LanguageTableModified());
}

TEST_F(LanguageTable, ASaveFailureReachesTheCallerAndKeepsTheRows) {
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    // A folder where the file should go: the temporary file is written, but
    // cannot take the folder's place.
    fs::create_directories(tableFile() / "inside");
    for (auto step : {qx::SaveLanguageTable, qx::CloseLanguageTable, qx::ReleaseLanguageTable}) {
        try {
            step();
            ADD_FAILURE() << "no error";
        } catch (const qx::Error& e) {
            EXPECT_NE(e.message().find(tableFile().string()), std::string::npos) << e.message();
            EXPECT_GT(e.message().size(), std::string("Cannot replace file \"\". ").size() + tableFile().string().size())
                << "carries the system's message: " << e.message();
        }
        EXPECT_TRUE(qx::LanguageTableModified());
        qx::SetLanguageID(0);
        EXPECT_EQ(qx::TranslateByKey("0", "x"), "x");
        EXPECT_TRUE(fs::is_directory(tableFile()));
        EXPECT_EQ(otherFiles(), std::vector<std::string>{}) << "the temporary file is removed";
    }
    // Still open: the rows are there and the next release saves them.
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByKey("tfa.caption", "A"), "A");
    fs::remove_all(tableFile());
    qx::ReleaseLanguageTable();
    EXPECT_FALSE(qx::LanguageTableModified());
    EXPECT_EQ(loadRows(tableFile()).size(), 11u);
}

TEST_F(LanguageTable, ReopeningAfterAFailedSaveStillReadsTheFile) {
    qx::tablefile::save(tableFile().string(), {{"1", "m1", "one", "", ""}});
    qx::OpenLanguageTable();
    qx::TranslateByKey("tfa.caption", "A");
    qx::files::SetFaultInjectorForTesting([](qx::files::FileOperation op, const std::string& path) {
        if (op == qx::files::FileOperation::Write)
            throw qx::files::FileError(qx::files::FileFault::Other, "Cannot write file \"" + path + "\". Disk full");
    });

    // The pending row is lost, but the translations on disk are not: the
    // table is loaded again rather than started empty.
    qx::OpenLanguageTable();
    EXPECT_FALSE(qx::LanguageTableModified());
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByNumber(1, "m1"), "one");
    qx::files::SetFaultInjectorForTesting({});
    qx::SeedNumberedStrings(kMessages, 9);
    qx::ReleaseLanguageTable();
    const auto rows = loadRows(tableFile());
    EXPECT_EQ(rows.size(), 10u);
    EXPECT_EQ(*findRow(rows, "1"), (Row{"1", "m1", "one", "", ""}));
}

// The table file used by other processes at the same time: their sharing
// violations, locks and refusals stand in at the file-system seam.
using qx::files::FileError;
using qx::files::FileFault;
using qx::files::FileOperation;
using Clock = std::chrono::steady_clock;

const char* faultName(FileFault fault) {
    switch (fault) {
    case FileFault::SharingViolation: return "sharing violation";
    case FileFault::Locked: return "lock";
    case FileFault::AccessDenied: return "access denied";
    case FileFault::Other: return "I/O error";
    }
    return "?";
}

class SharedTableFile : public LanguageTable {
protected:
    // Fails the first `failures` calls of `operation` on paths that start
    // with the table file's path (a negative count: every call), and counts
    // the calls.
    void failFirst(FileOperation operation, FileFault fault, int failures) {
        calls = 0;
        qx::files::SetFaultInjectorForTesting([=, this](FileOperation op, const std::string& path) {
            if (op != operation || path.rfind(tableFile().string(), 0) != 0) return;
            const bool fail = failures < 0 || calls < failures;
            ++calls;
            if (fail) throw FileError(fault, std::string("Cannot use file \"") + path + "\". " + faultName(fault));
        });
    }
    static long long msSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    int calls = 0;
};

TEST_F(SharedTableFile, AFileThatCannotBeReadNowIsLeftAloneAndTheCallShowsTheBuiltInTexts) {
    const struct {
        FileFault fault;
        bool triedAgain;
    } cases[] = {
        {FileFault::SharingViolation, true},
        {FileFault::Locked, true},
        {FileFault::AccessDenied, false},
        {FileFault::Other, false},
    };
    writeTranslatedFile();
    const std::string before = readBytes(tableFile());
    for (const auto& c : cases) {
        SCOPED_TRACE(faultName(c.fault));
        failFirst(FileOperation::Read, c.fault, -1);
        qx::SetLanguageID(1);
        const auto start = Clock::now();
        qx::OpenLanguageTable();
        const auto tookMs = msSince(start);
        // Nothing is shown, and the texts are the built-in ones although the
        // file translates them.
        EXPECT_EQ(qx::TranslateByNumber(1, "m1"), "m1");
        qx::SeedNumberedStrings(kMessages, 9);
        EXPECT_EQ(qx::TranslateByKey("tfform.caption", "Form"), "Form");
        EXPECT_EQ(qx::TranslateByKey("tfnew.caption", "New"), "New");
        EXPECT_FALSE(qx::LanguageTableModified()) << "nothing collected";
        EXPECT_NO_THROW(qx::ReleaseLanguageTable());
        if (c.triedAgain) {
            EXPECT_GT(calls, 5);
            EXPECT_GE(tookMs, 900);
            EXPECT_LT(tookMs, 3000);
        } else {
            EXPECT_EQ(calls, 1);
            EXPECT_LT(tookMs, 500);
        }
        qx::files::SetFaultInjectorForTesting({});
        // Neither set aside nor saved over, and still there for the next call.
        EXPECT_EQ(readBytes(tableFile()), before);
        EXPECT_EQ(otherFiles(), std::vector<std::string>{});
        qx::OpenLanguageTable();
        EXPECT_EQ(qx::TranslateByNumber(1, "m1"), "one");
        qx::ReleaseLanguageTable();
    }
}

TEST_F(SharedTableFile, AFileHeldForAMomentIsReadWhenItIsFree) {
    writeTranslatedFile();
    for (FileFault fault : {FileFault::SharingViolation, FileFault::Locked}) {
        SCOPED_TRACE(faultName(fault));
        failFirst(FileOperation::Read, fault, 4);
        qx::SetLanguageID(1);
        qx::OpenLanguageTable();
        EXPECT_EQ(calls, 5);
        EXPECT_EQ(qx::TranslateByNumber(1, "m1"), "one");
        qx::ReleaseLanguageTable();
    }
}

TEST_F(SharedTableFile, ReplacingTheFileIsTriedAgainWhileAnotherProcessHoldsIt) {
    const struct {
        FileFault fault;
        int failures;  // negative: for good
        bool saved;
        int replaceCalls;  // 0: several, taking about a second
    } cases[] = {
        {FileFault::SharingViolation, 3, true, 4},
        {FileFault::Locked, 3, true, 4},
        // Windows refuses to rename onto a file open without leave to delete.
        {FileFault::AccessDenied, 3, true, 4},
        {FileFault::SharingViolation, -1, false, 0},
        {FileFault::Other, 1, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << faultName(c.fault) << " " << c.failures);
        fs::remove(tableFile());
        qx::OpenLanguageTable();
        qx::SeedNumberedStrings(kMessages, 9);
        failFirst(FileOperation::Replace, c.fault, c.failures);
        const auto start = Clock::now();
        bool failed = false;
        try {
            qx::SaveLanguageTable();
        } catch (const FileError& e) {
            failed = true;
            EXPECT_EQ(e.fault(), c.fault);
        }
        const auto tookMs = msSince(start);
        EXPECT_EQ(failed, !c.saved);
        EXPECT_EQ(fs::exists(tableFile()), c.saved);
        EXPECT_EQ(qx::LanguageTableModified(), !c.saved);
        if (c.replaceCalls) {
            EXPECT_EQ(calls, c.replaceCalls);
        } else {
            EXPECT_GT(calls, 5);
            EXPECT_GE(tookMs, 900);
            EXPECT_LT(tookMs, 3000);
        }
        EXPECT_EQ(otherFiles(), std::vector<std::string>{}) << "no temporary file left";
        qx::files::SetFaultInjectorForTesting({});
        qx::ReleaseLanguageTable();
        EXPECT_EQ(loadRows(tableFile()).size(), 10u);
    }
}

TEST_F(SharedTableFile, AnotherProcessSavingAtTheSameMomentDoesNotBreakTheSave) {
    // Just before this save puts its file in place, another process saves
    // the same table file from start to end.
    const std::vector<Row> theirs = {{"tfother.caption", "Other", "", "", ""}};
    bool theySaved = false;
    qx::OpenLanguageTable();
    qx::SeedNumberedStrings(kMessages, 9);
    qx::files::SetFaultInjectorForTesting([&](FileOperation op, const std::string&) {
        if (op != FileOperation::Replace || std::exchange(theySaved, true)) return;
        qx::tablefile::save(tableFile().string(), theirs);
    });
    EXPECT_NO_THROW(qx::ReleaseLanguageTable());
    EXPECT_TRUE(theySaved);
    qx::files::SetFaultInjectorForTesting({});
    // The last one to finish wins, with its whole file.
    const auto rows = loadRows(tableFile());
    EXPECT_EQ(rows.size(), 10u);
    const Row* first = findRow(rows, "0");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, (Row{"0", kMessages[0], "", "", ""}));
    EXPECT_EQ(otherFiles(), std::vector<std::string>{});
}

TEST_F(SharedTableFile, AnUnreadableFileIsNotSetAsideOnceAnotherProcessReplacedIt) {
    const std::vector<Row> goodTable = {{"1", "m1", "one", "", ""}};
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
    };
    const Case cases[] = {
        {"replaced by a table", [&] { qx::tablefile::save(tableFile().string(), goodTable); }},
        {"unreadable again, with other bytes", [&] { writeBytes(tableFile(), "half-written by someone else"); }},
        {"held by another process at the save",
         [&] { failFirst(FileOperation::Read, FileFault::SharingViolation, -1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(tableFile(), "not a table");
        qx::OpenLanguageTable();
        qx::SeedNumberedStrings(kMessages, 9);
        EXPECT_TRUE(qx::LanguageTableModified());
        c.meanwhile();
        const std::string before = readBytes(tableFile());
        EXPECT_NO_THROW(qx::ReleaseLanguageTable());
        qx::files::SetFaultInjectorForTesting({});
        // Neither set aside nor written over: what is there now may be
        // another process's table.
        EXPECT_EQ(readBytes(tableFile()), before);
        EXPECT_EQ(otherFiles(), std::vector<std::string>{});
        EXPECT_FALSE(qx::LanguageTableModified());
    }
}

TEST(TableFile, ANameEndingInXmlHoldsTheXmlPacket) {
    TempFolder folder;
    const std::vector<Row> rows = {{"1", "\xb4\xed\xce\xf3", "Error", "", ""}};
    for (const char* name : {"t.xml", "T.XML", "t.Xml"}) {
        const std::string path = (folder.path() / name).string();
        qx::tablefile::save(path, rows);
        EXPECT_TRUE(readBytes(path).starts_with("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET")) << name;
        EXPECT_EQ(qx::tablefile::load(path)->rows, rows) << name;
    }
    const std::string binary = (folder.path() / "t.xml.cds").string();
    qx::tablefile::save(binary, rows);
    EXPECT_TRUE(readBytes(binary).starts_with("\x96\x19\xe0\xbd"));
    EXPECT_FALSE(qx::tablefile::load((folder.path() / "none.cds").string()).has_value());
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << "no temporary file left";
}

}  // namespace
