// The query the card transaction runs its statements on: SQL text with
// `:name` parameters, a select that stands on its first row, and statements
// that return no rows. The database module implements it over ODBC; tests may
// implement it in memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace qx {

// A database error: the driver's diagnostic text is the message.
class DbError : public Error {
public:
    DbError(const std::string& message, std::string sqlState = {}, long nativeCode = 0,
            bool connectionLost = false)
        : Error(message), sqlState_(std::move(sqlState)), nativeCode_(nativeCode),
          connectionLost_(connectionLost) {}
    const std::string& sqlState() const { return sqlState_; }
    long nativeCode() const { return nativeCode_; }
    // The connection is gone or could not be made: SQLSTATE class 08, or the
    // driver said the connection is dead after the failure. psqlODBC reports
    // the first statement after a server restart as HY000 and only then marks
    // the connection dead (SQL_ATTR_CONNECTION_DEAD), so the state alone misses it.
    bool isConnectionError() const { return connectionLost_ || sqlState_.rfind("08", 0) == 0; }

private:
    std::string sqlState_;
    long nativeCode_;
    bool connectionLost_;
};

struct DateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

class Query {
public:
    virtual ~Query() = default;

    virtual void close() = 0;
    // Sets the statement text; `:name` marks a parameter. Closes the query.
    virtual void setSql(const std::string& sql) = 0;
    // Sets an input string parameter, looked up by name without the colon
    // (ASCII letters compared without regard to case), with its declared size.
    virtual void setParam(std::string_view name, const std::string& value, int size) = 0;

    // Runs a select; afterwards the query stands on the first row, or at
    // end-of-data when the result is empty.
    virtual void open() = 0;
    virtual bool eof() const = 0;

    // Values of the current row: by position (0 is the first column) or by
    // name (compared without regard to case). Null gives std::nullopt.
    virtual std::optional<std::string> text(int column) const = 0;
    virtual std::optional<std::string> text(std::string_view column) const = 0;
    virtual std::optional<DateTime> dateTime(int column) const = 0;
    virtual std::optional<DateTime> dateTime(std::string_view column) const = 0;

    // Runs a statement that returns no rows; the number of rows it affected.
    virtual long execute() = 0;
};

}  // namespace qx
