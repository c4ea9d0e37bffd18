#include "duty/odbc_query.h"

#include <algorithm>
#include <charconv>

#include "common/ansi_text.h"
#include "duty/odbc_api.h"

namespace qx {

namespace {

using odbc::check;

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Index just past a quoted run that starts at `begin` with `quote`; a doubled
// quote stands for itself. An unterminated run ends with the text.
size_t skipQuoted(std::string_view sql, size_t begin, char quote) {
    size_t i = begin + 1;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

bool sameName(std::string_view a, std::string_view b) { return asciiLower(a) == asciiLower(b); }

SQLHSTMT hstmt(const std::optional<odbc::Statement>& statement) { return statement->handle(); }

}  // namespace

ParsedSql parseSqlParameters(std::string_view sql) {
    ParsedSql parsed;
    parsed.text.reserve(sql.size());
    size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        size_t end = i + 1;
        if (c == '\'' || c == '"') {
            end = skipQuoted(sql, i, c);
        } else if (c == '-' && sql.substr(i, 2) == "--") {
            end = sql.find('\n', i);
            end = end == std::string_view::npos ? sql.size() : end;
        } else if (c == '/' && sql.substr(i, 2) == "/*") {
            end = sql.find("*/", i + 2);
            end = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (c == ':' && sql.substr(i, 2) == "::") {
            end = i + 2;
        } else if (c == ':' && i + 1 < sql.size() && isNameChar(sql[i + 1])) {
            end = i + 1;
            while (end < sql.size() && isNameChar(sql[end])) {
                ++end;
            }
            parsed.parameters.emplace_back(sql.substr(i + 1, end - i - 1));
            parsed.text += '?';
            i = end;
            continue;
        }
        parsed.text.append(sql.substr(i, end - i));
        i = end;
    }
    return parsed;
}

namespace {

// Reads exactly `width` digits at `pos`.
bool digits(std::string_view text, size_t pos, size_t width, int& out) {
    if (pos + width > text.size()) {
        return false;
    }
    for (size_t k = pos; k < pos + width; ++k) {
        if (text[k] < '0' || text[k] > '9') {
            return false;
        }
    }
    std::from_chars(text.data() + pos, text.data() + pos + width, out);
    return true;
}

bool validDate(int y, int m, int d) {
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > days[m - 1]) {
        return false;
    }
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return !(m == 2 && d == 29 && !leap);
}

}  // namespace

std::optional<DateTime> parseDateTime(std::string_view text) {
    DateTime t;
    if (!digits(text, 0, 4, t.year) || text.size() < 10 || text[4] != '-' ||
        !digits(text, 5, 2, t.month) || text[7] != '-' || !digits(text, 8, 2, t.day) ||
        !validDate(t.year, t.month, t.day)) {
        return std::nullopt;
    }
    size_t pos = 10;
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) {
        if (!digits(text, pos + 1, 2, t.hour) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
            !digits(text, pos + 4, 2, t.minute)) {
            return std::nullopt;
        }
        pos += 6;
        if (pos < text.size() && text[pos] == ':') {
            if (!digits(text, pos + 1, 2, t.second)) {
                return std::nullopt;
            }
            pos += 3;
            if (pos < text.size() && text[pos] == '.') {
                ++pos;
                size_t start = pos;
                while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                    ++pos;
                }
                if (pos == start) {
                    return std::nullopt;
                }
            }
        }
        if (t.hour > 23 || t.minute > 59 || t.second > 60) {
            return std::nullopt;
        }
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        // A zone offset: the text already shows the local wall-clock time.
        size_t start = ++pos;
        while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == ':')) {
            ++pos;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return t;
}

OdbcQuery::OdbcQuery(odbc::Connection& connection) : connection_(connection) {
    connection_.attach(*this);
}

OdbcQuery::~OdbcQuery() {
    connection_.detach(*this);
    statement_.reset();
}

void OdbcQuery::releaseStatement() noexcept {
    statement_.reset();
    active_ = false;
    eof_ = true;
    columns_.clear();
    row_.clear();
}

void OdbcQuery::close() {
    // The statement handle goes with its result: the next run gets a fresh
    // one. Freeing it sends nothing to the server.
    statement_.reset();
    active_ = false;
    eof_ = true;
    columns_.clear();
    row_.clear();
}

void OdbcQuery::setSql(const std::string& sql) {
    close();
    sql_ = sql;
    parsed_ = parseSqlParameters(sql);
    parameters_.clear();
    markers_.clear();
    for (const std::string& name : parsed_.parameters) {
        size_t k = 0;
        while (k < parameters_.size() && !sameName(parameters_[k].name, name)) {
            ++k;
        }
        if (k == parameters_.size()) {
            parameters_.push_back(Parameter{name, std::nullopt, 0});
        }
        markers_.push_back(k);
    }
}

void OdbcQuery::setParam(std::string_view name, const std::string& value, int size) {
    for (Parameter& p : parameters_) {
        if (sameName(p.name, name)) {
            p.value = value;
            p.size = size;
            return;
        }
    }
    throw Error("Parameter '" + std::string(name) + "' not found");
}

// Binds the parameters, executes the statement text and leaves the statement
// with its result (if any) open.
//
// Every run has a statement handle of its own. A handle whose parameters were
// reset (SQL_RESET_PARAMS) is never fetched from or executed again: some
// driver managers forget the bindings but not their number after a reset and
// then read through a null pointer on the next fetch.
void OdbcQuery::run() {
    close();
    statement_.emplace(connection_);
    SQLHSTMT stmt = hstmt(statement_);

    // Input strings are read by the driver during SQLExecDirect only, so the
    // buffers can live on this frame. The bindings outlive them on the
    // handle, which is never executed again.
    std::vector<SQLLEN> indicators(markers_.size());
    static char emptyBuffer[1] = {0};
    for (size_t n = 0; n < markers_.size(); ++n) {
        Parameter& p = parameters_[markers_[n]];
        SQLPOINTER buffer = emptyBuffer;
        // The declared size is the column size; without one, the value's own.
        SQLULEN columnSize = p.size > 0 ? static_cast<SQLULEN>(p.size)
                                        : std::max<SQLULEN>(p.value ? p.value->size() : 0, 1);
        if (p.value) {
            indicators[n] = static_cast<SQLLEN>(p.value->size());
            if (!p.value->empty()) {
                buffer = p.value->data();
            }
        } else {
            indicators[n] = SQL_NULL_DATA;
        }
        check(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(n + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                               SQL_VARCHAR, columnSize, 0, buffer, std::max<SQLLEN>(indicators[n], 0),
                               &indicators[n]),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }

    std::string text = parsed_.text;
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size()));
    // SQL_NO_DATA: a searched update or delete that touched no row.
    check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    active_ = true;
}

// A failed statement may have been the one that found the connection gone:
// the error says so, whatever SQLSTATE the server gave.
void OdbcQuery::rethrow(const DbError& error) const {
    if (!error.isConnectionError() && connection_.dead()) {
        throw DbError(error.message(), error.sqlState(), error.nativeCode(), true);
    }
    throw error;
}

void OdbcQuery::open() {
    try {
        openResult();
    } catch (const DbError& e) {
        rethrow(e);
    }
}

void OdbcQuery::openResult() {
    run();
    SQLHSTMT stmt = hstmt(statement_);
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    if (count <= 0) {
        close();
        throw DbError("The statement returned no result set");
    }
    columns_.reserve(count);
    // Names come from the result's own description. SQLDescribeCol would do
    // as well, but psqlODBC answers its nullability from the catalogue with
    // one more query per table; the name attribute needs no round trip.
    for (SQLSMALLINT c = 1; c <= count; ++c) {
        std::vector<char> name(256);
        SQLSMALLINT length = 0;
        auto describe = [&] {
            check(SQLColAttribute(stmt, static_cast<SQLUSMALLINT>(c), SQL_DESC_NAME, name.data(),
                                  static_cast<SQLSMALLINT>(name.size()), &length, nullptr),
                  SQL_HANDLE_STMT, stmt, "SQLColAttribute");
        };
        describe();
        if (length >= static_cast<SQLSMALLINT>(name.size())) {
            name.resize(static_cast<size_t>(length) + 1);
            describe();
        }
        columns_.emplace_back(name.data(),
                              std::min<size_t>(std::max<SQLSMALLINT>(length, 0), name.size() - 1));
    }
    fetchRow();
}

// Fetches the next row and reads all of its values as text.
void OdbcQuery::fetchRow() {
    SQLHSTMT stmt = hstmt(statement_);
    row_.clear();
    SQLRETURN rc = check(SQLFetch(stmt), SQL_HANDLE_STMT, stmt, "SQLFetch");
    if (rc == SQL_NO_DATA) {
        eof_ = true;
        return;
    }
    eof_ = false;
    row_.reserve(columns_.size());
    std::vector<char> buffer(4096);
    for (size_t c = 1; c <= columns_.size(); ++c) {
        std::string value;
        bool isNull = false;
        // A long value arrives in pieces: every call but the last fills the
        // buffer (less its terminating zero) and reports truncation.
        for (;;) {
            SQLLEN indicator = 0;
            rc = check(SQLGetData(stmt, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, buffer.data(),
                                  static_cast<SQLLEN>(buffer.size()), &indicator),
                       SQL_HANDLE_STMT, stmt, "SQLGetData");
            if (rc == SQL_NO_DATA) {
                break;
            }
            if (indicator == SQL_NULL_DATA) {
                isNull = true;
                break;
            }
            size_t piece = buffer.size() - 1;
            if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) < piece) {
                piece = static_cast<size_t>(indicator);
            }
            value.append(buffer.data(), piece);
            if (rc == SQL_SUCCESS) {
                break;
            }
        }
        row_.push_back(isNull ? std::nullopt : std::optional<std::string>(std::move(value)));
    }
}

long OdbcQuery::execute() {
    try {
        run();
        SQLHSTMT stmt = hstmt(statement_);
        SQLLEN rows = 0;
        check(SQLRowCount(stmt, &rows), SQL_HANDLE_STMT, stmt, "SQLRowCount");
        close();
        return static_cast<long>(rows);
    } catch (const DbError& e) {
        rethrow(e);
    }
}

const std::string& OdbcQuery::columnName(int column) const {
    if (column < 0 || column >= columnCount()) {
        throw Error("Column index " + std::to_string(column) + " out of range");
    }
    return columns_[static_cast<size_t>(column)];
}

int OdbcQuery::columnIndex(std::string_view name) const {
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (sameName(columns_[c], name)) {
            return static_cast<int>(c);
        }
    }
    throw Error("Field '" + std::string(name) + "' not found");
}

const std::optional<std::string>& OdbcQuery::value(int column) const {
    if (!active_) {
        throw Error("The query is not open");
    }
    if (eof_) {
        throw Error("The query has no current row");
    }
    if (column < 0 || static_cast<size_t>(column) >= row_.size()) {
        throw Error("Column index " + std::to_string(column) + " out of range");
    }
    return row_[static_cast<size_t>(column)];
}

std::optional<std::string> OdbcQuery::text(int column) const { return value(column); }

std::optional<std::string> OdbcQuery::text(std::string_view column) const {
    return value(columnIndex(column));
}

std::optional<DateTime> OdbcQuery::dateTime(int column) const {
    const std::optional<std::string>& v = value(column);
    if (!v) {
        return std::nullopt;
    }
    std::optional<DateTime> t = parseDateTime(*v);
    if (!t) {
        throw Error("'" + *v + "' is not a valid date and time");
    }
    return t;
}

std::optional<DateTime> OdbcQuery::dateTime(std::string_view column) const {
    return dateTime(columnIndex(column));
}

}  // namespace qx
