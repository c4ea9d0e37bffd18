// qx::Query over an ODBC statement handle.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "duty/odbc.h"
#include "duty/query.h"

namespace qx {

// A statement text with its `:name` parameters replaced by ODBC's `?`
// markers, and the parameter names in the order they occur (a name that
// occurs twice is listed twice). Colons inside quoted literals, quoted names
// and comments, and the `::` cast, are left alone.
struct ParsedSql {
    std::string text;
    std::vector<std::string> parameters;
};
ParsedSql parseSqlParameters(std::string_view sql);

// Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fraction]]" (a "T" may stand
// for the space; a trailing zone offset is ignored). Fractions are dropped.
std::optional<DateTime> parseDateTime(std::string_view text);

class OdbcQuery final : public Query, private odbc::ConnectionUser {
public:
    explicit OdbcQuery(odbc::Connection& connection);
    ~OdbcQuery() override;
    OdbcQuery(const OdbcQuery&) = delete;
    OdbcQuery& operator=(const OdbcQuery&) = delete;

    void close() override;
    void setSql(const std::string& sql) override;
    const std::string& sql() const { return sql_; }
    void setParam(std::string_view name, const std::string& value, int size) override;

    void open() override;
    bool eof() const override { return eof_; }
    bool active() const { return active_; }

    std::optional<std::string> text(int column) const override;
    std::optional<std::string> text(std::string_view column) const override;
    std::optional<DateTime> dateTime(int column) const override;
    std::optional<DateTime> dateTime(std::string_view column) const override;
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const std::string& columnName(int column) const;

    long execute() override;

private:
    struct Parameter {
        std::string name;
        std::optional<std::string> value;  // never set: bound as null
        int size = 0;
    };

    void releaseStatement() noexcept override;
    void run();
    void openResult();
    [[noreturn]] void rethrow(const DbError& error) const;
    void fetchRow();
    int columnIndex(std::string_view name) const;
    const std::optional<std::string>& value(int column) const;

    odbc::Connection& connection_;
    std::optional<odbc::Statement> statement_;
    std::string sql_;
    ParsedSql parsed_;
    std::vector<Parameter> parameters_;     // one per distinct name
    std::vector<size_t> markers_;           // parameter of each `?`, in order
    bool active_ = false;                   // a result set is open
    bool eof_ = true;
    std::vector<std::string> columns_;
    std::vector<std::optional<std::string>> row_;
};

}  // namespace qx
