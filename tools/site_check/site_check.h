// The administrators' site check, qxcheck: before the staff clock in, it asks
// the data source, the login, the database objects, the card numbers and the
// translation table file what the library will ask of them, with the
// library's own connection string, login and statements.
//
//   qxcheck [DATASOURCE] [--table FILE]
//
// One line per check, OK or PROBLEM with what to do, then a summary. Exit
// codes: 0 all well, 1 a problem was found, 2 bad usage. Nothing is written to
// the database.
#pragma once

#include <functional>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "duty/query.h"
#include "site_check/messages.h"

namespace qx::odbc {
class Connection;
}

namespace qx {
class TdmDuty;
}

namespace qx::sitecheck {

// Ok and Problem are checks; Info adds to one, Skipped stands for one that
// could not run, Summary ends the report.
enum class Status { Ok, Problem, Info, Skipped, Summary };

// Where the check lines go. Texts are in the ANSI code page.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void line(Status status, const std::string& text) = 0;
};

// A line as printed: the status word (the same in every language, for
// scripts) and the text.
std::string formatLine(Status status, const std::string& text);

// Prints each line to a stream, converted for the console it shows on.
class StreamSink : public Sink {
public:
    using Convert = std::function<std::string(const std::string& ansi)>;
    explicit StreamSink(std::ostream& out, Convert convert = {}) : out_(out), convert_(std::move(convert)) {}
    void line(Status status, const std::string& text) override;

private:
    std::ostream& out_;
    Convert convert_;
};

// The lines of one run, counted.
class Report {
public:
    Report(Sink& sink, const Texts& texts) : sink_(sink), texts_(texts) {}

    void ok(Msg msg, const Args& args = {}) { add(Status::Ok, msg, args); }
    void problem(Msg msg, const Args& args = {}) { add(Status::Problem, msg, args); }
    void info(Msg msg, const Args& args = {}) { add(Status::Info, msg, args); }
    void skipped(Msg msg, const Args& args = {}) { add(Status::Skipped, msg, args); }
    void summary(Msg msg, const Args& args = {}) { add(Status::Summary, msg, args); }

    const Texts& texts() const { return texts_; }
    int checks() const { return checks_; }
    int problems() const { return problems_; }

private:
    void add(Status status, Msg msg, const Args& args);

    Sink& sink_;
    const Texts& texts_;
    int checks_ = 0;
    int problems_ = 0;
};

// What the checks need of the computer they run on.
struct Platform {
    // The width of this program, 32 or 64, where the ODBC settings depend on
    // it (Windows); 0 where they do not.
    int programBits = 0;
    // This computer's local wall-clock time.
    std::function<DateTime()> localNow;
};

struct Options {
    std::string dataSource;                // empty: the library's default
    std::optional<std::string> tableFile;  // --table
    bool help = false;
};

// Reads the command line (without the program name). Throws UsageError.
struct UsageError {
    Msg reason;
    Args args;
};
Options parseArguments(const std::vector<std::string>& args);

// ---- the checks; each adds its lines to the report ------------------------

// The data source is among those the ODBC driver manager lists for this
// program.
void checkDataSourceDefined(Report& report, const std::string& dataSource, int programBits);
// Connects the module as the library does. True when connected.
bool checkConnection(Report& report, TdmDuty& module, const std::string& dataSource, int programBits);
// HotelOption has a row and GetDate() answers; the server's time against
// this computer's.
void checkServerClock(Report& report, TdmDuty& module, const Platform& platform);
// The columns of HotelUser_V and OnDuty, from the descriptions of results
// that hold no row.
void checkColumns(Report& report, odbc::Connection& connection);
// Access codes that find more than one employee.
void checkCardNumbers(Report& report, odbc::Connection& connection);
// The translation table file opens; its folder takes new files.
void checkTableFile(Report& report, const std::string& path);

// Every check in order, then the summary; the exit code.
int runChecks(const Options& options, Report& report, const Platform& platform);

// ---- the judgements behind the checks, without a database -------------------

enum class ConnectFault { UnknownSource, NoReason, Unreachable, LoginRefused, Other };
// What a failed connect usually means, from the driver's state and text.
ConnectFault classifyConnectError(const DbError& error);

// A column as a result describes it.
struct ColumnInfo {
    std::string name;
    std::string typeName;  // the driver's name of the type
    int sqlType = 0;       // SQL_VARCHAR, SQL_TYPE_TIMESTAMP, ...
    unsigned long size = 0;
    int nullable = 2;      // SQL_NO_NULLS 0, SQL_NULLABLE 1, SQL_NULLABLE_UNKNOWN 2
};

// What the library needs of one column.
struct ColumnNeed {
    enum class Kind { Readable, Text, DateTime };
    const char* name;
    Kind kind;
    unsigned long minSize = 0;    // Text: characters the library writes
    bool mustTakeNull = false;    // the library writes null into it
    Msg purpose = Msg::PurposeNone;
};

// The table or view and its columns as the library uses them.
struct TableNeed {
    const char* table;
    std::vector<ColumnNeed> columns;
};
const std::vector<TableNeed>& tableNeeds();

// One column that does not hold what the library puts into it.
struct ColumnFinding {
    enum class Kind { Missing, NotText, TooShort, NotDateTime, NoNull };
    Kind kind;
    const ColumnNeed* need;
    const ColumnInfo* column;  // null when missing
};
std::vector<ColumnFinding> judgeColumns(const TableNeed& need, const std::vector<ColumnInfo>& columns);
// "varchar(8)", "timestamp", ...
std::string describeType(const ColumnInfo& column);

struct Employee {
    std::string userId, userName, accessCode;
};
// Codes that one card finds together: a code that several employees share,
// or two codes that are one card with and without its ";...?" frame.
struct CardConflict {
    std::vector<std::string> codes;     // one or two, in order
    std::vector<Employee> employees;    // distinct by UserID, in the order read
};
std::vector<CardConflict> findCardConflicts(const std::vector<Employee>& employees);

// Seconds from `server` to `local` (positive: this computer is ahead).
long long secondsAhead(const DateTime& server, const DateTime& local);
std::string dateTimeText(const DateTime& value);

}  // namespace qx::sitecheck
