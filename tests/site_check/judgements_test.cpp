// The site check's judgements without a database: which card codes find two
// employees, which columns cannot hold what the library writes, what a failed
// connect means, the command line, the clock difference and the texts.
#include "site_check/site_check.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "duty/odbc_api.h"

namespace {

using namespace qx::sitecheck;

// ---- card numbers ----------------------------------------------------------

struct CardCase {
    const char* what;
    std::vector<Employee> employees;
    // Each conflict as its codes joined by "|" and the UserIDs it names.
    std::vector<std::pair<std::string, std::vector<std::string>>> expected;
};

std::vector<std::pair<std::string, std::vector<std::string>>> summarise(const std::vector<CardConflict>& conflicts) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    for (const CardConflict& c : conflicts) {
        std::string codes;
        for (std::size_t k = 0; k < c.codes.size(); ++k) codes += (k ? "|" : "") + c.codes[k];
        std::vector<std::string> ids;
        for (const Employee& e : c.employees) ids.push_back(e.userId);
        out.emplace_back(codes, ids);
    }
    return out;
}

TEST(CardConflicts, FindsEveryCardThatFindsTwoEmployees) {
    const std::vector<CardCase> cases{
        {"distinct codes", {{"1", "A", "100"}, {"2", "B", "200"}, {"3", "C", ";300?"}}, {}},
        {"one code, two employees", {{"1", "A", "100"}, {"2", "B", "100"}}, {{"100", {"1", "2"}}}},
        {"one code, three employees, in the order read",
         {{"7", "G", "5"}, {"3", "C", "5"}, {"5", "E", "5"}},
         {{"5", {"7", "3", "5"}}}},
        {"one employee listed twice with one code", {{"1", "A", "100"}, {"1", "A", "100"}}, {}},
        {"one employee with both forms of a code", {{"1", "A", "100"}, {"1", "A", ";100?"}}, {}},
        {"bare and framed forms", {{"1", "A", "777"}, {"2", "B", ";777?"}}, {{"777|;777?", {"1", "2"}}}},
        {"a frame inside a frame: two cards, each finding two",
         {{"1", "A", ";;9??"}, {"2", "B", ";9?"}, {"3", "C", "9"}},
         {{"9|;9?", {"2", "3"}}, {";9?|;;9??", {"1", "2"}}}},
        {"the empty code and the empty frame (Enter in an empty box)",
         {{"1", "A", ""}, {"2", "B", ";?"}},
         {{"|;?", {"1", "2"}}}},
        {"a lone ';' is not framed", {{"1", "A", ";"}, {"2", "B", ";;?"}}, {{";|;;?", {"1", "2"}}}},
        {"codes differing in case are different cards", {{"1", "A", "ab"}, {"2", "B", "AB"}}, {}},
    };
    for (const CardCase& c : cases) {
        EXPECT_EQ(summarise(findCardConflicts(c.employees)), c.expected) << c.what;
    }
}

// ---- columns ---------------------------------------------------------------

ColumnInfo text(const char* name, unsigned long size, int type = SQL_VARCHAR) {
    return ColumnInfo{name, "varchar", type, size, SQL_NULLABLE};
}
ColumnInfo stamp(const char* name, int nullable = SQL_NULLABLE) {
    return ColumnInfo{name, "timestamp", SQL_TYPE_TIMESTAMP, 26, nullable};
}

const TableNeed& need(const std::string& table) {
    for (const TableNeed& n : tableNeeds())
        if (n.table == table) return n;
    throw std::logic_error("no need for " + table);
}

// The OnDuty of the host's schema, as PostgreSQL describes it (lower case).
std::vector<ColumnInfo> healthyOnDuty() {
    return {text("hoteldate", 10), text("userid", 4), text("username", 10), text("passno", 30),
            stamp("ontime"), stamp("offtime")};
}

struct ColumnCase {
    const char* what;
    std::function<void(std::vector<ColumnInfo>&)> change;
    // Each finding as "kind column"; empty: the table is fine.
    std::vector<std::string> expected;
};

std::string kindName(ColumnFinding::Kind kind) {
    switch (kind) {
    case ColumnFinding::Kind::Missing: return "missing";
    case ColumnFinding::Kind::NotText: return "not-text";
    case ColumnFinding::Kind::TooShort: return "too-short";
    case ColumnFinding::Kind::NotDateTime: return "not-date-time";
    case ColumnFinding::Kind::NoNull: return "no-null";
    }
    return "?";
}

TEST(Columns, OnDutyMustHoldWhatTheLibraryWrites) {
    auto at = [](std::vector<ColumnInfo>& c, const char* name) -> ColumnInfo& {
        for (ColumnInfo& info : c)
            if (info.name == name) return info;
        throw std::logic_error(name);
    };
    const std::vector<ColumnCase> cases{
        {"the host's schema", [](auto&) {}, {}},
        {"names in any case", [](auto& c) { for (auto& i : c) for (auto& ch : i.name) ch = static_cast<char>(std::toupper(ch)); }, {}},
        {"wider columns and fixed-width or wide types",
         [&](auto& c) { at(c, "hoteldate") = text("hoteldate", 10, SQL_CHAR); at(c, "username") = text("username", 40, SQL_WVARCHAR); }, {}},
        {"an unbounded text", [&](auto& c) { at(c, "passno") = text("passno", 0, SQL_LONGVARCHAR); }, {}},
        {"a business date of 8 characters", [&](auto& c) { at(c, "hoteldate").size = 8; }, {"too-short HotelDate"}},
        {"a user number of 3 characters", [&](auto& c) { at(c, "userid").size = 3; }, {"too-short UserID"}},
        {"a pass number of 29 characters", [&](auto& c) { at(c, "passno").size = 29; }, {"too-short PassNo"}},
        {"a business date held as a number",
         [&](auto& c) { at(c, "hoteldate") = ColumnInfo{"hoteldate", "int4", SQL_INTEGER, 10, SQL_NULLABLE}; },
         {"not-text HotelDate"}},
        {"a clock-in time held as text", [&](auto& c) { at(c, "ontime") = text("ontime", 30); }, {"not-date-time OnTime"}},
        {"a clock-in time holding no time of day",
         [&](auto& c) { at(c, "ontime") = ColumnInfo{"ontime", "date", SQL_TYPE_DATE, 10, SQL_NULLABLE}; },
         {"not-date-time OnTime"}},
        {"a clock-out time that refuses null", [&](auto& c) { at(c, "offtime").nullable = SQL_NO_NULLS; }, {"no-null OffTime"}},
        {"a clock-in time that refuses null (always written)", [&](auto& c) { at(c, "ontime").nullable = SQL_NO_NULLS; }, {}},
        {"nullability the driver does not know", [&](auto& c) { at(c, "offtime").nullable = SQL_NULLABLE_UNKNOWN; }, {}},
        {"two columns gone",
         [](auto& c) { c.erase(c.begin() + 3); c.erase(c.begin()); },
         {"missing HotelDate", "missing PassNo"}},
    };
    for (const ColumnCase& c : cases) {
        std::vector<ColumnInfo> columns = healthyOnDuty();
        c.change(columns);
        std::vector<std::string> found;
        for (const ColumnFinding& f : judgeColumns(need("OnDuty"), columns))
            found.push_back(kindName(f.kind) + " " + f.need->name);
        EXPECT_EQ(found, c.expected) << c.what;
    }
}

TEST(Columns, TheViewNeedsItsFourColumnsOfAnyType) {
    std::vector<ColumnInfo> view{ColumnInfo{"userid", "int4", SQL_INTEGER, 10, SQL_NO_NULLS}, text("username", 1),
                                 text("accesscode", 40)};
    std::vector<std::string> found;
    for (const ColumnFinding& f : judgeColumns(need("HotelUser_V"), view)) found.push_back(kindName(f.kind) + " " + f.need->name);
    EXPECT_EQ(found, std::vector<std::string>{"missing PassNo"});
}

// ---- connect errors --------------------------------------------------------

TEST(ConnectErrors, TheDriversMessagesSayWhatUsuallyWentWrong) {
    struct Case {
        const char* state;
        const char* text;
        ConnectFault expected;
    };
    const std::vector<Case> cases{
        {"IM002", "[unixODBC][Driver Manager]Data source name not found and no default driver specified",
         ConnectFault::UnknownSource},
        {"IM002", "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified",
         ConnectFault::UnknownSource},
        {"", "SQLDriverConnect failed without a diagnostic record", ConnectFault::NoReason},
        {"08001",
         "connection to server at \"127.0.0.1\", port 5 failed: Connection refused\n\tIs the server running on that "
         "host and accepting TCP/IP connections?",
         ConnectFault::Unreachable},
        {"08001", "could not connect to server: No route to host", ConnectFault::Unreachable},
        {"08001", "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.",
         ConnectFault::Unreachable},
        {"HYT00", "Login timeout expired", ConnectFault::Unreachable},
        {"08001", "FATAL:  password authentication failed for user \"dba\"", ConnectFault::LoginRefused},
        {"28000", "[Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user 'dba'.",
         ConnectFault::LoginRefused},
        {"HY000", "out of memory", ConnectFault::Other},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classifyConnectError(qx::DbError(c.text, c.state)), c.expected) << c.text;
    }
}

// ---- command line ----------------------------------------------------------

TEST(CommandLine, DataSourceAndTableFile) {
    struct Case {
        std::vector<std::string> args;
        std::string dataSource;
        std::optional<std::string> table;
        bool help;
    };
    const std::vector<Case> cases{
        {{}, "", std::nullopt, false},
        {{"hotel2"}, "hotel2", std::nullopt, false},
        {{"hotel2", "--table", "x_str.cds"}, "hotel2", "x_str.cds", false},
        {{"--table", "C:\\host\\x_str.cds", "hotel2"}, "hotel2", "C:\\host\\x_str.cds", false},
        {{"--help"}, "", std::nullopt, true},
        {{"-"}, "-", std::nullopt, false},
    };
    for (const Case& c : cases) {
        const Options o = parseArguments(c.args);
        EXPECT_EQ(o.dataSource, c.dataSource);
        EXPECT_EQ(o.tableFile, c.table);
        EXPECT_EQ(o.help, c.help);
    }
}

TEST(CommandLine, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        Msg reason;
    };
    const std::vector<Case> cases{
        {{"--table"}, Msg::UsageTableFile},
        {{"a", "--table", ""}, Msg::UsageTableFile},
        {{"--table", "a", "--table", "b"}, Msg::UsageTableTwice},
        {{"-v"}, Msg::UsageUnknownOption},
        {{"a", "b"}, Msg::UsageTwoSources},
    };
    for (const Case& c : cases) {
        try {
            parseArguments(c.args);
            ADD_FAILURE() << "accepted " << c.args.size() << " arguments";
        } catch (const UsageError& e) {
            EXPECT_EQ(e.reason, c.reason);
        }
    }
}

// ---- clock -----------------------------------------------------------------

TEST(Clock, DifferenceAcrossDaysMonthsAndLeapDays) {
    struct Case {
        qx::DateTime server, local;
        long long ahead;
    };
    const std::vector<Case> cases{
        {{2024, 5, 1, 12, 0, 0}, {2024, 5, 1, 12, 0, 0}, 0},
        {{2024, 5, 1, 12, 0, 0}, {2024, 5, 1, 12, 1, 3}, 63},
        {{2024, 5, 1, 12, 0, 0}, {2024, 5, 1, 11, 0, 0}, -3600},
        {{2024, 2, 28, 23, 59, 50}, {2024, 2, 29, 0, 0, 5}, 15},
        {{2023, 2, 28, 23, 59, 50}, {2023, 3, 1, 0, 0, 5}, 15},
        {{2024, 12, 31, 23, 0, 0}, {2025, 1, 1, 1, 0, 0}, 7200},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(secondsAhead(c.server, c.local), c.ahead) << dateTimeText(c.local);
    }
    EXPECT_EQ(dateTimeText({2024, 2, 9, 7, 5, 3}), "2024-02-09 07:05:03");
}

// ---- texts -----------------------------------------------------------------

TEST(Texts, PlaceholdersAreFilledOnceAndOnlyWithValues) {
    EXPECT_EQ(fill("{0} and {1}", {"a", "b"}), "a and b");
    EXPECT_EQ(fill("{1}{0}{1}", {"a", "b"}), "bab");
    // A value is never read as a pattern: a driver message may hold braces.
    EXPECT_EQ(fill("{0}: {1}", {"{1}", "x"}), "{1}: x");
    EXPECT_EQ(fill("{{0}} {2}", {"a"}), "{0}} {2}");
    EXPECT_EQ(fill("{x} {", {"a"}), "{x} {");
}

// Every message of both languages, filled with markers for its values.
std::vector<std::string> allTexts(const Texts& texts) {
    Args markers;
    for (int i = 0; i < 6; ++i) markers.push_back("<" + std::to_string(i) + ">");
    std::vector<std::string> out;
    for (int m = 0; m < static_cast<int>(Msg::Count_); ++m) out.push_back(texts(static_cast<Msg>(m), markers));
    return out;
}

std::set<std::string> markersIn(const std::string& text) {
    std::set<std::string> found;
    const std::regex marker("<[0-9]>");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), marker); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

TEST(Texts, ChineseTextsCarryTheSameValuesAsTheEnglishOnes) {
    const Texts english;
    const Texts chinese(Language::Chinese, [](std::string_view utf8) { return std::optional<std::string>(utf8); });
    ASSERT_EQ(chinese.language(), Language::Chinese);
    const std::vector<std::string> e = allTexts(english), z = allTexts(chinese);
    for (std::size_t m = 0; m < e.size(); ++m) {
        EXPECT_EQ(markersIn(z[m]), markersIn(e[m])) << e[m];
        // Only the program's name before a reason is the same in both.
        if (static_cast<Msg>(m) != Msg::UsageError) {
            EXPECT_NE(z[m], e[m]) << "not translated: " << e[m];
        }
    }
}

TEST(Texts, ChineseFallsBackToEnglishWhenTheCodePageCannotHoldIt) {
    // A code page without Chinese characters converts only ASCII.
    const ToAnsi asciiOnly = [](std::string_view utf8) -> std::optional<std::string> {
        for (char c : utf8)
            if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
        return std::string(utf8);
    };
    const Texts texts(Language::Chinese, asciiOnly);
    EXPECT_EQ(texts.language(), Language::English);
    EXPECT_EQ(texts(Msg::SummaryOk, {"7"}), "7 checks, all OK");
    EXPECT_EQ(Texts(Language::Chinese).language(), Language::English);
}

}  // namespace
