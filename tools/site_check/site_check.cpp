#include "site_check/site_check.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>

#include "common/ansi_text.h"
#include "duty/card_transaction.h"
#include "duty/duty_module.h"
#include "duty/odbc_api.h"
#include "localisation/datapacket.h"
#include "localisation/file_system.h"
#include "localisation/table_file.h"
#include "site_check/odbc_reading.h"

namespace qx::sitecheck {

namespace {

// The statements of the checks; the second is the card transaction's own.
constexpr const char* kOptionRowsSql = "select count(*) from HotelOption";
constexpr const char* kClockSql = "select GetDate() from HotelOption";
constexpr const char* kCardsSql = "select UserID,UserName,AccessCode from HotelUser_V where AccessCode is not null";

std::string join(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

bool isText(int sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return true;
    default:
        return false;
    }
}

bool isLongText(int sqlType) { return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR; }

bool isDateTime(int sqlType) { return sqlType == SQL_TYPE_TIMESTAMP || sqlType == SQL_TIMESTAMP; }

// A driver's message as a sentence that another may follow.
std::string sentence(const std::string& message) {
    std::string text = trimRight(message);
    if (text.empty() || (text.back() != '.' && text.back() != '?' && text.back() != '!')) text += '.';
    return text;
}

std::string employeeText(const Employee& e) { return e.userName + " (" + e.userId + ")"; }

std::string employeesText(const std::vector<Employee>& employees) {
    std::vector<std::string> names;
    for (const Employee& e : employees) names.push_back(employeeText(e));
    return join(names, ", ");
}

// A check that failed in a way none of its own lines describes (a driver
// that answers a description call with an error, say) is still a problem.
template <typename F>
void guarded(Report& report, Msg what, F&& check) {
    try {
        check();
    } catch (const std::exception& e) {
        report.problem(Msg::CheckFailed, {report.texts()(what), e.what()});
    }
}

}  // namespace

std::string formatLine(Status status, const std::string& text) {
    switch (status) {
    case Status::Ok: return "OK       " + text;
    case Status::Problem: return "PROBLEM  " + text;
    case Status::Info: return "         " + text;
    case Status::Skipped: return "SKIPPED  " + text;
    case Status::Summary: break;
    }
    return text;
}

void StreamSink::line(Status status, const std::string& text) {
    const std::string line = formatLine(status, text) + "\n";
    out_ << (convert_ ? convert_(line) : line);
    out_.flush();
}

// One line per check: the line breaks and tabs of a driver's message become
// spaces.
void Report::add(Status status, Msg msg, const Args& args) {
    if (status == Status::Ok || status == Status::Problem) ++checks_;
    if (status == Status::Problem) ++problems_;
    std::string text;
    for (char c : texts_(msg, args)) {
        const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (!space) text += c;
        else if (!text.empty() && text.back() != ' ') text += ' ';
    }
    sink_.line(status, trimRight(text));
}

Options parseArguments(const std::vector<std::string>& args) {
    Options options;
    bool haveSource = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help" || a == "/?") {
            options.help = true;
        } else if (a == "--table") {
            if (i + 1 >= args.size() || args[i + 1].empty()) throw UsageError{Msg::UsageTableFile, {}};
            if (options.tableFile) throw UsageError{Msg::UsageTableTwice, {}};
            options.tableFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{Msg::UsageUnknownOption, {a}};
        } else if (haveSource) {
            throw UsageError{Msg::UsageTwoSources, {options.dataSource, a}};
        } else {
            options.dataSource = a;
            haveSource = true;
        }
    }
    return options;
}

ConnectFault classifyConnectError(const DbError& error) {
    const std::string text = asciiLower(error.message());
    const std::string& state = error.sqlState();
    auto says = [&](const char* words) { return text.find(words) != std::string::npos; };
    // "SQL Server does not exist or access denied" is a server not found.
    if (says("does not exist or access denied")) return ConnectFault::Unreachable;
    if (state == "28000" || state == "28P01" || says("password") || says("authentication failed") ||
        says("login failed") || says("access denied"))
        return ConnectFault::LoginRefused;
    if (state == "IM002" || says("data source name not found") || says("no default driver"))
        return ConnectFault::UnknownSource;
    if (says("without a diagnostic record")) return ConnectFault::NoReason;
    if (state == "08001" || state == "08S01" || state == "HYT00" || says("could not connect") ||
        says("connection refused") || says("timeout") || says("timed out") || says("no route to host") ||
        says("could not translate host name"))
        return ConnectFault::Unreachable;
    return ConnectFault::Other;
}

const std::vector<TableNeed>& tableNeeds() {
    using Kind = ColumnNeed::Kind;
    static const std::vector<TableNeed> needs{
        {"HotelUser_V",
         {{"UserID", Kind::Readable},
          {"UserName", Kind::Readable},
          {"PassNo", Kind::Readable},
          {"AccessCode", Kind::Readable}}},
        {"OnDuty",
         {{"HotelDate", Kind::Text, 10, false, Msg::PurposeDate},
          {"UserID", Kind::Text, 4, false, Msg::PurposeUserId},
          {"UserName", Kind::Text, 10, false, Msg::PurposeUserName},
          {"PassNo", Kind::Text, 30, false, Msg::PurposePassNo},
          {"OnTime", Kind::DateTime},
          {"OffTime", Kind::DateTime, 0, true}}},
    };
    return needs;
}

std::vector<ColumnFinding> judgeColumns(const TableNeed& need, const std::vector<ColumnInfo>& columns) {
    using Kind = ColumnFinding::Kind;
    std::vector<ColumnFinding> findings;
    for (const ColumnNeed& c : need.columns) {
        auto found = std::find_if(columns.begin(), columns.end(),
                                  [&](const ColumnInfo& info) { return equalsIgnoringAsciiCase(info.name, c.name); });
        if (found == columns.end()) {
            findings.push_back({Kind::Missing, &c, nullptr});
            continue;
        }
        const ColumnInfo* info = &*found;
        switch (c.kind) {
        case ColumnNeed::Kind::Readable:
            break;
        case ColumnNeed::Kind::Text:
            if (!isText(info->sqlType)) findings.push_back({Kind::NotText, &c, info});
            else if (!isLongText(info->sqlType) && info->size < c.minSize) findings.push_back({Kind::TooShort, &c, info});
            break;
        case ColumnNeed::Kind::DateTime:
            if (!isDateTime(info->sqlType)) findings.push_back({Kind::NotDateTime, &c, info});
            break;
        }
        if (c.mustTakeNull && info->nullable == SQL_NO_NULLS) findings.push_back({Kind::NoNull, &c, info});
    }
    return findings;
}

std::string describeType(const ColumnInfo& column) {
    std::string name = column.typeName.empty() ? "type " + std::to_string(column.sqlType) : column.typeName;
    if (isText(column.sqlType) && !isLongText(column.sqlType)) name += "(" + std::to_string(column.size) + ")";
    return name;
}

std::vector<CardConflict> findCardConflicts(const std::vector<Employee>& employees) {
    // The employees each code finds, distinct by UserID, in the order read.
    std::map<std::string, std::vector<const Employee*>> byCode;
    for (const Employee& e : employees) {
        auto& found = byCode[e.accessCode];
        if (std::none_of(found.begin(), found.end(), [&](const Employee* f) { return f->userId == e.userId; }))
            found.push_back(&e);
    }
    // A card whose text is code a finds the codes a and AlternateCardText(a),
    // as the card transaction looks them up; every card that finds two
    // employees finds one of the stored codes this way.
    std::vector<CardConflict> conflicts;
    std::set<std::vector<std::string>> reported;
    for (const auto& [code, found] : byCode) {
        std::vector<std::string> codes{code};
        std::vector<const Employee*> together = found;
        auto other = byCode.find(AlternateCardText(code));
        if (other != byCode.end()) {
            codes.push_back(other->first);
            for (const Employee* e : other->second)
                if (std::none_of(together.begin(), together.end(),
                                 [&](const Employee* t) { return t->userId == e->userId; }))
                    together.push_back(e);
        }
        if (together.size() < 2) continue;
        std::sort(codes.begin(), codes.end());
        if (!reported.insert(codes).second) continue;
        std::sort(together.begin(), together.end());  // back into the order read
        CardConflict conflict{codes, {}};
        for (const Employee* e : together) conflict.employees.push_back(*e);
        conflicts.push_back(std::move(conflict));
    }
    return conflicts;
}

long long secondsAhead(const DateTime& server, const DateTime& local) {
    namespace c = std::chrono;
    auto at = [](const DateTime& t) {
        const c::sys_days date{c::year{t.year} / c::month{static_cast<unsigned>(t.month)} /
                               c::day{static_cast<unsigned>(t.day)}};
        return date + c::hours{t.hour} + c::minutes{t.minute} + c::seconds{t.second};
    };
    return c::duration_cast<c::seconds>(at(local) - at(server)).count();
}

std::string dateTimeText(const DateTime& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buffer;
}

// ---- the checks ----------------------------------------------------------

void checkDataSourceDefined(Report& report, const std::string& dataSource, int programBits) {
    std::vector<std::string> names;
    try {
        names = dataSourceNames();
    } catch (const DbError& e) {
        report.problem(Msg::DsnListFailed, {e.message()});
        return;
    }
    const bool defined = std::any_of(names.begin(), names.end(),
                                     [&](const std::string& n) { return equalsIgnoringAsciiCase(n, dataSource); });
    const std::string bits = std::to_string(programBits);
    if (defined) {
        if (programBits) report.ok(Msg::DsnDefinedWidth, {dataSource, bits});
        else report.ok(Msg::DsnDefined, {dataSource});
        return;
    }
    const std::string list = names.empty() ? report.texts()(Msg::DsnNone) : join(names, ", ");
    if (programBits) report.problem(Msg::DsnMissingWidth,
                       {dataSource, bits, list, report.texts()(programBits == 32 ? Msg::OdbcAdmin32 : Msg::OdbcAdmin64)});
    else report.problem(Msg::DsnMissing, {dataSource, list});
}

bool checkConnection(Report& report, TdmDuty& module, const std::string& dataSource, int programBits) {
    try {
        module.ConnectDatabase(dataSource);
    } catch (const DbError& e) {
        const std::string bits = std::to_string(programBits ? programBits : static_cast<int>(sizeof(void*) * 8));
        Msg hint = Msg::HintOther;
        switch (classifyConnectError(e)) {
        case ConnectFault::UnknownSource:
            hint = programBits ? Msg::HintUnknownSource : Msg::HintUnknownSourceNoWidth;
            break;
        case ConnectFault::NoReason: hint = Msg::HintNoReason; break;
        case ConnectFault::Unreachable: hint = Msg::HintUnreachable; break;
        case ConnectFault::LoginRefused: hint = Msg::HintLoginRefused; break;
        case ConnectFault::Other: break;
        }
        report.problem(Msg::ConnectFailed, {module.DataSourceName(), sentence(e.message()), report.texts()(hint, {bits})});
        return false;
    }
    report.ok(Msg::ConnectOk, {module.DataSourceName()});
    return true;
}

void checkServerClock(Report& report, TdmDuty& module, const Platform& platform) {
    OdbcQuery& query = module.qGetData;
    std::string rows;
    try {
        query.setSql(kOptionRowsSql);
        query.open();
        rows = query.text(0).value_or("0");
        query.close();
    } catch (const DbError& e) {
        query.close();
        report.problem(Msg::OptionUnreadable, {e.message()});
        report.skipped(Msg::GetDateNotAsked);
        return;
    }
    if (rows == "0") report.problem(Msg::OptionEmpty);
    else report.ok(Msg::OptionRows, {rows});

    // The library's own statement, read as the card transaction reads it. On
    // an empty HotelOption it still tells whether the function exists.
    std::optional<DateTime> serverTime;
    try {
        query.setSql(kClockSql);
        query.open();
        if (query.eof()) {
            query.close();
            report.skipped(Msg::GetDateNotAsked);
            return;
        }
        const std::string answer = query.text(0).value_or("");
        try {
            serverTime = query.dateTime(0);
        } catch (const DbError&) {
            throw;
        } catch (const Error&) {
            query.close();
            report.problem(Msg::GetDateNotDate, {answer});
            return;
        }
        query.close();
    } catch (const DbError& e) {
        query.close();
        report.problem(Msg::GetDateFailed, {sentence(e.message())});
        return;
    }
    if (!serverTime) {
        report.problem(Msg::GetDateNull);
        return;
    }
    report.ok(Msg::GetDateOk);
    if (!platform.localNow) return;
    const long long ahead = secondsAhead(*serverTime, platform.localNow());
    const std::string difference = ahead > 0   ? report.texts()(Msg::ClockAhead, {std::to_string(ahead)})
                                   : ahead < 0 ? report.texts()(Msg::ClockBehind, {std::to_string(-ahead)})
                                               : report.texts()(Msg::ClockSame);
    report.info(Msg::ClockInfo, {dateTimeText(*serverTime), difference});
}

void checkColumns(Report& report, odbc::Connection& connection) {
    for (const TableNeed& need : tableNeeds()) {
        std::vector<ColumnInfo> columns;
        try {
            // No row is read: the result is described, never fetched.
            columns = describeResult(connection, std::string("select * from ") + need.table + " where 1=0");
        } catch (const DbError& e) {
            report.problem(Msg::ColumnsUnreadable, {need.table, e.message()});
            continue;
        }
        const std::vector<ColumnFinding> findings = judgeColumns(need, columns);
        if (findings.empty()) {
            std::vector<std::string> names;
            for (const ColumnNeed& c : need.columns) names.push_back(c.name);
            report.ok(Msg::ColumnsOk, {need.table, join(names, ", ")});
            continue;
        }
        for (const ColumnFinding& f : findings) {
            const std::string table = need.table, column = f.need->name;
            const std::string type = f.column ? describeType(*f.column) : std::string();
            const std::string purpose = report.texts()(f.need->purpose);
            const std::string size = std::to_string(f.need->minSize);
            switch (f.kind) {
            case ColumnFinding::Kind::Missing: report.problem(Msg::ColumnMissing, {table, column}); break;
            case ColumnFinding::Kind::NotText:
                report.problem(Msg::ColumnNotText, {table, column, type, purpose, size});
                break;
            case ColumnFinding::Kind::TooShort:
                report.problem(Msg::ColumnTooShort, {table, column, type, purpose, size});
                break;
            case ColumnFinding::Kind::NotDateTime: report.problem(Msg::ColumnNotDateTime, {table, column, type}); break;
            case ColumnFinding::Kind::NoNull: report.problem(Msg::ColumnNoNull, {table, column}); break;
            }
        }
    }
}

void checkCardNumbers(Report& report, odbc::Connection& connection) {
    std::vector<Employee> employees;
    try {
        for (const Row& row : readAll(connection, kCardsSql)) {
            if (row.size() < 3 || !row[2]) continue;
            employees.push_back({row[0].value_or(""), row[1].value_or(""), *row[2]});
        }
    } catch (const DbError& e) {
        report.problem(Msg::CardsUnreadable, {e.message()});
        return;
    }
    const std::vector<CardConflict> conflicts = findCardConflicts(employees);
    for (const CardConflict& c : conflicts) {
        if (c.codes.size() == 1) report.problem(Msg::CardShared, {c.codes[0], employeesText(c.employees)});
        else report.problem(Msg::CardFramed, {c.codes[0], c.codes[1], employeesText(c.employees)});
    }
    if (conflicts.empty()) {
        std::set<std::string> ids;
        for (const Employee& e : employees) ids.insert(e.userId);
        report.ok(Msg::CardsOk, {std::to_string(ids.size())});
    }
}

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\:");
    if (cut == std::string::npos) return ".";
    if (path[cut] == ':') return path.substr(0, cut + 1);
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// The library saves through a new file beside the table, so that is what the
// folder has to take: one is made and removed again.
void probeFolder(Report& report, const std::string& path) {
    const std::string folder = folderOf(path);
    const char separator = path.find('\\') != std::string::npos ? '\\' : '/';
    std::string probe;
    for (int n = 0; n < 100; ++n) {
        std::string candidate = folder + separator + "qxcheck-probe" + std::to_string(n) + ".tmp";
        if (!files::readFile(candidate)) {
            probe = candidate;
            break;
        }
    }
    try {
        if (probe.empty()) throw Error("no free name for a test file");
        files::writeFileDurably(probe, "");
    } catch (const Error& e) {
        report.problem(Msg::FolderNotWritable, {folder, e.what()});
        return;
    }
    files::removeFile(probe);
    report.ok(Msg::FolderWritable, {folder});
}

}  // namespace

void checkTableFile(Report& report, const std::string& path) {
    try {
        std::optional<datapacket::Table> table = tablefile::load(path);
        if (!table) {
            report.problem(Msg::TableMissing, {path});
        } else {
            bool complete = true;
            for (std::size_t c = 0; c < datapacket::kColumnCount; ++c) {
                if (!table->hasColumn[c]) {
                    report.problem(Msg::TableColumnMissing, {path, datapacket::kColumnNames[c]});
                    complete = false;
                }
            }
            if (complete) {
                std::array<std::size_t, 3> translated{};
                for (const datapacket::Row& row : table->rows)
                    for (std::size_t k = 0; k < translated.size(); ++k)
                        if (!isBlank(row[2 + k])) ++translated[k];
                report.ok(Msg::TableOk, {path, std::to_string(table->rows.size()), std::to_string(translated[0]),
                                         std::to_string(translated[1]), std::to_string(translated[2])});
            }
        }
    } catch (const Error& e) {
        report.problem(Msg::TableUnreadable, {path, e.what()});
    }
    probeFolder(report, path);
}

int runChecks(const Options& options, Report& report, const Platform& platform) {
    const std::string dataSource = options.dataSource.empty() ? std::string(kDefaultDataSource) : options.dataSource;
    checkDataSourceDefined(report, dataSource, platform.programBits);

    std::optional<TdmDuty> module;
    try {
        module.emplace();
    } catch (const DbError& e) {
        report.problem(Msg::OdbcMissing, {e.message()});
    }
    if (module && checkConnection(report, *module, dataSource, platform.programBits)) {
        guarded(report, Msg::WhatClock, [&] { checkServerClock(report, *module, platform); });
        guarded(report, Msg::WhatColumns, [&] { checkColumns(report, module->ac1); });
        guarded(report, Msg::WhatCards, [&] { checkCardNumbers(report, module->ac1); });
    } else {
        for (Msg what : {Msg::WhatClock, Msg::WhatColumns, Msg::WhatCards})
            report.skipped(Msg::NotCheckedNoConnection, {report.texts()(what)});
    }
    module.reset();

    if (options.tableFile) checkTableFile(report, *options.tableFile);

    const std::string checks = std::to_string(report.checks());
    const bool allWell = report.problems() == 0;
    if (allWell) report.summary(Msg::SummaryOk, {checks});
    else report.summary(Msg::SummaryProblems, {checks, std::to_string(report.problems())});
    return allWell ? 0 : 1;
}

}  // namespace qx::sitecheck
