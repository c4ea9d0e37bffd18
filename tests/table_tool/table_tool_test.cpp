#include "table_tool/table_tool.h"

#include "localisation/datapacket.h"
#include "localisation/language_table.h"
#include "localisation/table_file.h"
#include "localisation/table_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using namespace qxtest;
using qx::datapacket::Row;

// GBK bytes and the UTF-8 of the same texts.
const std::string kStaffOnDutyGbk = "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0";            // "员工上班" (staff on duty)
const std::string kStaffOnDutyUtf8 = "\xe5\x91\x98\xe5\xb7\xa5\xe4\xb8\x8a\xe7\x8f\xad";
const std::string kOffDutyGbk = "\xcf\xc2\xb0\xe0";                                // "下班" (off duty)
const std::string kOffDutyUtf8 = "\xe4\xb8\x8b\xe7\x8f\xad";
const std::string kClockCardGbk = "\xb4\xf2\xbf\xa8";                              // "打卡" (clock the card)
const std::string kClockCardUtf8 = "\xe6\x89\x93\xe5\x8d\xa1";
const std::string kMiddleGbk = "\xd6\xd0";                                         // "中"
const std::string kMiddleUtf8 = "\xe4\xb8\xad";

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

RunResult runTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int code = qx::tabletool::run(args, out, err);
    return {code, out.str(), err.str()};
}

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// Texts that test the quoting of both formats and the code page conversion.
std::vector<Row> awkwardRows() {
    return {
        {"0", "Card not found", "", "", ""},
        {"1", kStaffOnDutyGbk, kOffDutyGbk, "", " padded "},
        {"tfdutydlg.caption", "Duty \"desk\", main", "a\\b", "tab\there", ""},
        {"tfdutydlg.lblinfo.caption", "line one\r\nline two\nthree", "", "x\r\ny\r\n", "\n"},
        {"tfdutydlg.btnok.caption", "", "comma, and \"quote\"", "", ""},
        {"tfdutydlg.edit.hint", "trailing newline\n", "", "", kMiddleGbk},
    };
}

TEST(TableToolRoundTrip, UnchangedExportImportsBackByteForByte) {
    struct Case {
        const char* tableName;
        const char* format;
        const char* lang;
    };
    const Case cases[] = {
        {"t_str.cds", "po", "1"},  {"t_str.cds", "po", "2"}, {"t_str.cds", "po", "3"},
        {"t_str.cds", "csv", "1"}, {"t_str.xml", "po", "2"}, {"t_str.xml", "csv", "3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tableName) + " " + c.format + " column " + c.lang);
        TempFolder folder;
        const auto table = folder.path() / c.tableName;
        qx::tablefile::save(table.string(), awkwardRows());
        const std::string before = readBytes(table);
        const auto exported = folder.path() / (std::string("out.") + c.format);

        auto ex = runTool({"export", table.string(), "--lang", c.lang, "--format", c.format, "-o", exported.string()});
        ASSERT_EQ(ex.code, 0) << ex.err;
        const bool csv = std::string(c.format) == "csv";
        auto importInto = [&](const fs::path& into) {
            // A CSV import takes every translation column present.
            std::vector<std::string> args = {"import", into.string(), exported.string()};
            if (!csv) args.insert(args.end(), {"--lang", c.lang});
            return runTool(args);
        };
        auto im = importInto(table);
        EXPECT_EQ(im.code, 0) << im.err;
        EXPECT_NE(im.err.find("table file not written"), std::string::npos) << im.err;
        EXPECT_EQ(readBytes(table), before);


        // The same export into a copy whose translations were cleared writes
        // the table back in its own packet format, giving the same bytes.
        fs::create_directories(folder.path() / "blank");
        const auto blank = folder.path() / "blank" / c.tableName;
        auto rows = awkwardRows();
        for (auto& row : rows)
            for (int col = 2; col < 5; ++col) row[col] = "";
        qx::tablefile::save(blank.string(), rows);
        im = importInto(blank);
        EXPECT_EQ(im.code, 0) << im.err;
        EXPECT_NE(im.err.find("table file written"), std::string::npos) << im.err;
        if (csv) {
            EXPECT_EQ(readBytes(blank), before);
        } else {
            const int col = 1 + std::stoi(c.lang);
            auto expected = rows;
            for (std::size_t i = 0; i < expected.size(); ++i) expected[i][col] = awkwardRows()[i][col];
            EXPECT_EQ(qx::tablefile::load(blank.string())->rows, expected);
        }
    }
}

TEST(TableToolRoundTrip, CsvCarriesAllColumnsWithLineBreaksIntact) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), awkwardRows());
    auto ex = runTool({"export", table.string(), "--format", "csv"});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_EQ(ex.out.substr(0, 49), "ID,OriginString,NewString,NewString2,NewString3\r\n");
    EXPECT_NE(ex.out.find("tfdutydlg.lblinfo.caption,\"line one\r\nline two\nthree\",,\"x\r\ny\r\n\",\"\n\"\r\n"),
              std::string::npos)
        << ex.out;
    EXPECT_NE(ex.out.find("1," + kStaffOnDutyUtf8 + "," + kOffDutyUtf8 + ",,\" padded \"\r\n"), std::string::npos);
    EXPECT_NE(ex.out.find(",\"comma, and \"\"quote\"\"\","), std::string::npos);
}

TEST(TableToolPo, OutputPassesMsgfmtCheck) {
#ifdef _WIN32
    GTEST_SKIP() << "msgfmt runs in the native build";
#endif
    if (std::system("msgfmt --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "msgfmt is not installed";
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    auto rows = awkwardRows();
    // msgfmt rightly insists that a translation starts and ends with a line
    // break when its source does; keep the translations of this test in line.
    rows[3][3] = "x\ny";
    rows[3][4] = "";
    rows[5][4] = kMiddleGbk + "\n";
    qx::tablefile::save(table.string(), rows);
    for (const char* lang : {"1", "2", "3"}) {
        SCOPED_TRACE(lang);
        const auto po = folder.path() / "out.po";
        ASSERT_EQ(runTool({"export", table.string(), "--lang", lang, "--format", "po", "-o", po.string()}).code, 0);
        const std::string cmd = "msgfmt --check -o /dev/null '" + po.string() + "' 2>'" +
                                (folder.path() / "msgfmt.err").string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << readBytes(folder.path() / "msgfmt.err") << readBytes(po);
    }
}

TEST(TableToolPo, EntriesCarryKeyOriginAndEscapedMultiLineTexts) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), awkwardRows());
    auto ex = runTool({"export", table.string(), "--lang", "2", "--format", "po"});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_NE(ex.out.find("\"Content-Type: text/plain; charset=UTF-8\\n\"\n"), std::string::npos) << ex.out;
    EXPECT_NE(ex.out.find("msgctxt \"tfdutydlg.caption\"\nmsgid \"Duty \\\"desk\\\", main\"\nmsgstr \"tab\\there\"\n"),
              std::string::npos)
        << ex.out;
    EXPECT_NE(ex.out.find("msgctxt \"tfdutydlg.lblinfo.caption\"\n"
                          "msgid \"\"\n\"line one\\r\\n\"\n\"line two\\n\"\n\"three\"\n"
                          "msgstr \"\"\n\"x\\r\\n\"\n\"y\\r\\n\"\n"),
              std::string::npos)
        << ex.out;
    EXPECT_NE(ex.out.find("msgctxt \"1\"\nmsgid \"" + kStaffOnDutyUtf8 + "\"\nmsgstr \"\"\n"), std::string::npos);
}

// A table the library itself filled: the seeded messages and collected form
// texts, written by the library's own save.
class TranslatorRoundTrip : public TableFolderTest {
protected:
    void fillTableThroughLibrary() {
        qx::OpenLanguageTable();
        const std::vector<std::string> messages = {"Card not found", kStaffOnDutyGbk, "Goodbye", "Clocked in"};
        qx::SeedNumberedStrings(messages, 3);
        qx::TranslateByKey("tfdutydlg.caption", "Duty");
        qx::TranslateByKey("tfdutydlg.btnok.caption", "OK");
        qx::TranslateByKey("tfdutydlg.lblhint.caption", "Swipe your card");
        qx::ReleaseLanguageTable();
    }

    static void translate(std::string& po, const std::string& key, const std::string& msgstrLines) {
        const std::string at = "msgctxt \"" + key + "\"\n";
        auto pos = po.find(at);
        ASSERT_NE(pos, std::string::npos) << key;
        auto str = po.find("msgstr \"\"\n", pos);
        ASSERT_NE(str, std::string::npos);
        po.replace(str, 10, "msgstr " + msgstrLines);
    }
};

TEST_F(TranslatorRoundTrip, EditedPoComesBackIntoItsColumnAndTheLibraryShowsIt) {
    fillTableThroughLibrary();
    const auto po = folder.path() / "zh.po";
    ASSERT_EQ(runTool({"export", tableFile().string(), "--lang", "2", "--format", "po", "-o", po.string()}).code, 0);

    // What a PO editor leaves behind: some entries translated, one over two
    // lines, one marked fuzzy, CR LF line ends.
    std::string text = readBytes(po);
    translate(text, "tfdutydlg.caption", "\"" + kOffDutyUtf8 + "\"\n");
    translate(text, "2", "\"\"\n\"" + kOffDutyUtf8 + "\\n\"\n\"" + kClockCardUtf8 + "\"\n");
    translate(text, "tfdutydlg.lblhint.caption", "\"not sure\"\n");
    text.replace(text.find("msgctxt \"tfdutydlg.lblhint.caption\""), 0, "#, fuzzy\n");
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    writeBytes(po, crlf);

    auto im = runTool({"import", tableFile().string(), po.string()});  // column from the PO header
    ASSERT_EQ(im.code, 0) << im.err;
    EXPECT_NE(im.err.find("untranslated in NewString2: \"tfdutydlg.btnok.caption\""), std::string::npos) << im.err;
    EXPECT_NE(im.err.find("NewString2: 2 of 7 rows translated"), std::string::npos) << im.err;

    qx::OpenLanguageTable();
    qx::SetLanguageID(2);
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.caption", "Duty"), kOffDutyGbk);
    EXPECT_EQ(qx::TranslateByNumber(2, "Goodbye"), kOffDutyGbk + "\n" + kClockCardGbk);
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.lblhint.caption", "Swipe your card"), "Swipe your card");
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.btnok.caption", "OK"), "OK");
    EXPECT_EQ(qx::TranslateByNumber(1, "x"), "x");
    for (int other : {1, 3}) {
        qx::SetLanguageID(other);
        EXPECT_EQ(qx::TranslateByKey("tfdutydlg.caption", "Duty"), "Duty");
        EXPECT_EQ(qx::TranslateByNumber(2, "Goodbye"), "Goodbye");
    }
    EXPECT_FALSE(qx::LanguageTableModified());
    qx::ReleaseLanguageTable();

    // Same rows, same order, keys and built-in texts as the library wrote them.
    const auto rows = qx::tablefile::load(tableFile().string())->rows;
    ASSERT_EQ(rows.size(), 7u);
    for (const auto& row : rows) {
        EXPECT_EQ(row[2], "");
        EXPECT_EQ(row[4], "");
    }
    EXPECT_EQ(rows[1][1], kStaffOnDutyGbk);
}

TEST_F(TranslatorRoundTrip, CsvWithSomeColumnsFillsOnlyThose) {
    fillTableThroughLibrary();
    const std::string before = qx::tablefile::load(tableFile().string())->rows.size() == 7 ? "ok" : "";
    ASSERT_EQ(before, "ok");
    // A spreadsheet's save: a byte order mark, LF line ends, columns reordered.
    const auto csv = folder.path() / "t.csv";
    writeBytes(csv, "\xEF\xBB\xBFNewString3,ID\n\"" + kClockCardUtf8 + "\r\n" + kMiddleUtf8 +
                        "\",0\n,tfdutydlg.btnok.caption\nOK!,tfdutydlg.caption\n");
    auto im = runTool({"import", tableFile().string(), csv.string()});
    ASSERT_EQ(im.code, 0) << im.err;
    qx::OpenLanguageTable();
    qx::SetLanguageID(3);
    EXPECT_EQ(qx::TranslateByNumber(0, "Card not found"), kClockCardGbk + "\r\n" + kMiddleGbk);
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.caption", "Duty"), "OK!");
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.btnok.caption", "OK"), "OK");
    qx::SetLanguageID(1);
    EXPECT_EQ(qx::TranslateByKey("tfdutydlg.caption", "Duty"), "Duty");
    qx::ReleaseLanguageTable();
}

TEST(TableToolImport, UnknownKeysAreReportedAndTheRestIsWritten) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), std::vector<Row>{{"0", "A", "", "", ""}, {"1", "B", "", "", ""}});
    const auto po = folder.path() / "t.po";
    writeBytes(po, "msgctxt \"1\"\nmsgid \"B\"\nmsgstr \"b\"\n\nmsgctxt \"gone.caption\"\nmsgid \"C\"\nmsgstr \"c\"\n");
    auto im = runTool({"import", table.string(), po.string(), "--lang", "1"});
    EXPECT_EQ(im.code, 1);
    EXPECT_NE(im.err.find("key \"gone.caption\" not found"), std::string::npos) << im.err;
    EXPECT_NE(im.err.find("untranslated in NewString: \"0\""), std::string::npos) << im.err;
    const std::vector<Row> expected = {{"0", "A", "", "", ""}, {"1", "B", "b", "", ""}};
    EXPECT_EQ(qx::tablefile::load(table.string())->rows, expected);
}

TEST(TableToolImport, LengthLimitCountsTheConvertedBytes) {
    // 125 Chinese characters are 250 GBK bytes (375 in UTF-8): accepted;
    // one more is refused with the key named.
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), std::vector<Row>{{"k.caption", "A", "", "", ""}});
    const auto po = folder.path() / "t.po";
    writeBytes(po, "msgctxt \"k.caption\"\nmsgid \"A\"\nmsgstr \"" + repeat(kMiddleUtf8, 125) + "\"\n");
    ASSERT_EQ(runTool({"import", table.string(), po.string(), "--lang", "1"}).code, 0);
    EXPECT_EQ(qx::tablefile::load(table.string())->rows[0][2], repeat(kMiddleGbk, 125));

    const std::string before = readBytes(table);
    writeBytes(po, "msgctxt \"k.caption\"\nmsgid \"A\"\nmsgstr \"" + repeat(kMiddleUtf8, 126) + "\"\n");
    auto im = runTool({"import", table.string(), po.string(), "--lang", "1"});
    EXPECT_EQ(im.code, 1);
    EXPECT_NE(im.err.find("\"k.caption\" is 252 bytes long"), std::string::npos) << im.err;
    EXPECT_EQ(readBytes(table), before);
}

TEST(TableToolImport, BadInputsAreReportedAndLeaveTheTableUntouched) {
    const std::string poHead = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
    struct Case {
        const char* what;
        const char* inputName;
        std::string input;
        std::vector<std::string> extraArgs;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"unterminated PO string", "t.po", poHead + "msgctxt \"0\"\nmsgid \"A\nmsgstr \"\"\n", {"--lang", "1"}, 1,
         "t.po:5: expected a quoted string"},
        {"msgstr before msgid", "t.po", poHead + "msgctxt \"0\"\nmsgstr \"x\"\n", {"--lang", "1"}, 1,
         "t.po:5: msgstr without a msgid"},
        {"entry without a key", "t.po", poHead + "msgid \"A\"\nmsgstr \"x\"\n", {"--lang", "1"}, 1,
         "t.po:4: entry without msgctxt"},
        {"entry cut short", "t.po", poHead + "msgctxt \"0\"\nmsgid \"A\"\n", {"--lang", "1"}, 1, "has no msgstr"},
        {"unknown escape", "t.po", poHead + "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"\\q\"\n", {"--lang", "1"}, 1,
         "t.po:6: unknown escape sequence"},
        {"stray text", "t.po", poHead + "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"a\"\nhello\n", {"--lang", "1"}, 1,
         "t.po:7: unexpected text"},
        {"translation outside the code page", "t.po",
         poHead + "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"\xf0\x9f\x98\x80\"\n", {"--lang", "1"}, 1,
         "t.po:4: the translation of \"0\" has characters"},
        {"translation that is not UTF-8", "t.po", poHead + "msgctxt \"1\"\nmsgid \"B\"\nmsgstr \"\xd6\xd0\"\n",
         {"--lang", "1"}, 1, "the translation of \"1\" has characters"},
        {"NUL in a translation", "t.po", poHead + "msgctxt \"1\"\nmsgid \"B\"\nmsgstr \"a\\0b\"\n", {"--lang", "1"}, 1,
         "\"1\" holds a NUL"},
        {"one key translated twice", "t.po",
         poHead + "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"a\"\n\nmsgctxt \"0\"\nmsgid \"A\"\nmsgstr \"b\"\n",
         {"--lang", "1"}, 1, "t.po:8: \"0\" is translated again, differently (first at line 4)"},
        {"unknown column in the PO header", "t.po",
         "msgid \"\"\nmsgstr \"X-Translation-Column: NewString7\\n\"\n\nmsgctxt \"0\"\nmsgid \"A\"\nmsgstr \"a\"\n", {}, 1,
         "unknown language column \"NewString7\""},
        {"PO without a column", "t.po", poHead + "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"a\"\n", {}, 2, "give --lang"},
        {"language column 4", "t.po", poHead, {"--lang", "4"}, 2, "unknown language column 4"},
        {"language column 0", "t.csv", "ID,NewString\r\n0,a\r\n", {"--lang", "0"}, 2, "unknown language column 0"},
        {"language column not a number", "t.po", poHead, {"--lang", "two"}, 2, "--lang takes a number"},
        {"CSV quote never closed", "t.csv", "ID,NewString\r\n0,a\r\n1,\"b\r\nc\r\n", {}, 1,
         "t.csv:3: quoted field is never closed"},
        {"CSV short record", "t.csv", "ID,NewString\r\n0,a\r\n1\r\n", {}, 1, "t.csv:3: 1 fields where the header has 2"},
        {"CSV quote in a bare field", "t.csv", "ID,NewString\r\n0,a\"b\r\n", {}, 1,
         "t.csv:2: quote inside an unquoted field"},
        {"CSV text after a closing quote", "t.csv", "ID,NewString\r\n0,\"a\r\nb\"c\r\n", {}, 1,
         "t.csv:3: text after the closing quote"},
        {"CSV unknown column", "t.csv", "ID,NewString4\r\n0,a\r\n", {}, 1, "t.csv:1: unknown column \"NewString4\""},
        {"CSV without ID", "t.csv", "OriginString,NewString\r\nA,a\r\n", {}, 1, "t.csv:1: no ID column"},
        {"CSV lacks the asked column", "t.csv", "ID,NewString\r\n0,a\r\n", {"--lang", "2"}, 1,
         "has no column NewString2"},
        {"CSV translation too long", "t.csv", "ID,NewString\r\n0,a\r\n1," + std::string(251, 'x') + "\r\n", {}, 1,
         "t.csv:3: the translation of \"1\" is 251 bytes long"},
        {"unknown format", "t.txt", "whatever", {}, 2, "cannot tell the format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const auto table = folder.path() / "t_str.cds";
        qx::tablefile::save(table.string(), std::vector<Row>{{"0", "A", "", "", ""}, {"1", "B", "", "", ""}});
        const std::string before = readBytes(table);
        const auto input = folder.path() / c.inputName;
        writeBytes(input, c.input);
        std::vector<std::string> args = {"import", table.string(), input.string()};
        args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
        auto r = runTool(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(table), before);
        EXPECT_FALSE(fs::exists(table.string() + ".tmp"));
    }
}

TEST(TableTool, BadTableFilesAndCommandLines) {
    struct Case {
        const char* what;
        std::vector<std::string> args;  // TABLE and TR stand for the paths
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"export of a missing table", {"export", "MISSING", "--lang", "1", "--format", "po"}, 1, "not found"},
        {"import into a missing table", {"import", "MISSING", "TR", "--lang", "1"}, 1, "not found"},
        {"stats of a missing table", {"stats", "MISSING"}, 1, "not found"},
        {"export of a table that is no packet", {"export", "GARBAGE", "--format", "csv"}, 1, "cannot read table file"},
        {"import into a table that is no packet", {"import", "GARBAGE", "TR", "--lang", "1"}, 1,
         "cannot read table file"},
        {"missing translations file", {"import", "TABLE", "NOFILE.po", "--lang", "1"}, 1, "cannot open"},
        {"no command", {}, 2, "no command given"},
        {"unknown command", {"merge", "TABLE"}, 2, "unknown command \"merge\""},
        {"PO export without a column", {"export", "TABLE", "--format", "po"}, 2, "needs --lang"},
        {"export without a format", {"export", "TABLE", "--lang", "1"}, 2, "needs --format"},
        {"unknown format", {"export", "TABLE", "--lang", "1", "--format", "xlsx"}, 2, "unknown format"},
        {"unknown option", {"stats", "TABLE", "--verbose"}, 2, "unknown option --verbose"},
        {"option without its value", {"export", "TABLE", "--format", "po", "--lang"}, 2, "--lang needs a value"},
        {"import without a translations file", {"import", "TABLE", "--lang", "1"}, 2, "import takes"},
        {"unknown code page", {"stats", "TABLE", "--codepage", "99999"}, 2, "unknown code page"},
        {"export onto the table file", {"export", "TABLE", "--format", "csv", "-o", "TABLE"}, 2,
         "would overwrite the table file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const auto table = folder.path() / "t_str.cds";
        qx::tablefile::save(table.string(), std::vector<Row>{{"0", "A", "", "", ""}});
        writeBytes(folder.path() / "garbage_str.cds", "this is not a data packet");
        writeBytes(folder.path() / "tr.po", "msgctxt \"0\"\nmsgid \"A\"\nmsgstr \"a\"\n");
        const std::string tableBefore = readBytes(table);
        const std::string garbageBefore = readBytes(folder.path() / "garbage_str.cds");
        std::vector<std::string> args;
        for (const auto& a : c.args) {
            if (a == "TABLE") args.push_back(table.string());
            else if (a == "MISSING") args.push_back((folder.path() / "none_str.cds").string());
            else if (a == "GARBAGE") args.push_back((folder.path() / "garbage_str.cds").string());
            else if (a == "TR") args.push_back((folder.path() / "tr.po").string());
            else if (a == "NOFILE.po") args.push_back((folder.path() / "nofile.po").string());
            else args.push_back(a);
        }
        auto r = runTool(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(table), tableBefore);
        EXPECT_EQ(readBytes(folder.path() / "garbage_str.cds"), garbageBefore);
        EXPECT_FALSE(fs::exists(folder.path() / "none_str.cds"));
    }
}

TEST(TableToolExport, TextOutsideTheCodePageIsReportedAndItsRowLeftOut) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    // "\x81\x20" is no GBK character: a lead byte without a valid trail byte.
    const std::vector<Row> rows = {{"0", "A", "a", "", ""}, {"bad.caption", "B\x81\x20", "b", "", ""}};
    qx::tablefile::save(table.string(), rows);
    const std::string before = readBytes(table);
    const auto po = folder.path() / "t.po";
    auto ex = runTool({"export", table.string(), "--lang", "1", "--format", "po", "-o", po.string()});
    EXPECT_EQ(ex.code, 1);
    EXPECT_NE(ex.err.find("row \"bad.caption\": OriginString is not valid text of code page 936"), std::string::npos)
        << ex.err;
    EXPECT_EQ(readBytes(po).find("bad.caption"), std::string::npos);
    // The rest of the export is usable and brings nothing back into that row.
    auto im = runTool({"import", table.string(), po.string()});
    EXPECT_EQ(im.code, 0) << im.err;
    EXPECT_EQ(readBytes(table), before);
}

TEST(TableToolExport, CodePageOption) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), std::vector<Row>{{"0", "Caf\xe9", "", "", ""}});  // "Café" in code page 1252
    auto ex = runTool({"export", table.string(), "--lang", "1", "--format", "po", "--codepage", "1252"});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_NE(ex.out.find("msgid \"Caf\xc3\xa9\"\n"), std::string::npos) << ex.out;
    // The same byte is no character in code page 936.
    EXPECT_EQ(runTool({"export", table.string(), "--lang", "1", "--format", "po"}).code, 1);
}

TEST(TableTool, StatsCountsTranslatedRowsPerColumn) {
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), awkwardRows());
    auto r = runTool({"stats", table.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    // Blank texts (only spaces or line breaks) count as untranslated, as the
    // library shows its built-in text for them.
    EXPECT_EQ(r.out,
              "rows: 6\n"
              "NewString: 3 translated, 3 untranslated\n"
              "NewString2: 2 translated, 4 untranslated\n"
              "NewString3: 2 translated, 4 untranslated\n");
}

// The built program through a POSIX shell; the Windows build runs the same
// logic in process above.
#ifndef _WIN32
int exitCodeOf(const std::string& cmd) {
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TableToolProgram, RunsAsACommand) {
    const char* program = std::getenv("QXTABLE_PROGRAM");
    if (!program) GTEST_SKIP() << "QXTABLE_PROGRAM is not set";
    TempFolder folder;
    const auto table = folder.path() / "t_str.cds";
    qx::tablefile::save(table.string(), awkwardRows());
    const std::string before = readBytes(table);
    const std::string q = "'" + std::string(program) + "' ";
    const std::string t = "'" + table.string() + "' ";
    const std::string po = "'" + (folder.path() / "x.po").string() + "' ";
    const std::string quiet = " 2>/dev/null";

    EXPECT_EQ(exitCodeOf(q + "export " + t + "--lang 3 --format po > " + po + quiet), 0);
    EXPECT_EQ(exitCodeOf(q + "import " + t + po + quiet), 0);
    EXPECT_EQ(readBytes(table), before);
    EXPECT_EQ(exitCodeOf(q + "stats " + t + "> /dev/null"), 0);
    EXPECT_EQ(exitCodeOf(q + "export " + t + "--lang 9 --format po" + quiet), 2);
    EXPECT_EQ(exitCodeOf(q + "import " + t + "'" + (folder.path() / "none.po").string() + "' --lang 1" + quiet), 1);
    EXPECT_EQ(exitCodeOf(q + quiet), 2);
}

#endif

}  // namespace
