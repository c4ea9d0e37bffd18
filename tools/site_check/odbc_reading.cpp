#include "site_check/odbc_reading.h"

#include <algorithm>
#include <array>

#include "duty/odbc_api.h"

namespace qx::sitecheck {

namespace {

using odbc::check;

// A text that an ODBC call wrote into `buffer`, `length` long, cut to the
// buffer when the driver reported more than fits.
std::string bufferText(const std::vector<char>& buffer, SQLLEN length) {
    const auto size = static_cast<std::size_t>(std::max<SQLLEN>(length, 0));
    return std::string(buffer.data(), std::min(size, buffer.size() - 1));
}

odbc::UniqueHandle environment() {
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw DbError("SQLAllocHandle(ENV) failed: the ODBC driver manager is not available");
    odbc::UniqueHandle owned(SQL_HANDLE_ENV, env);
    check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)),
                        0),
          SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
    return owned;
}

// A statement with the result of `sql`, which must be a select.
odbc::Statement runSelect(const odbc::Connection& connection, const std::string& sql, SQLSMALLINT& columns) {
    odbc::Statement statement(connection);
    SQLHSTMT stmt = statement.handle();
    std::string text = sql;
    check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())),
          SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    columns = 0;
    check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    if (columns <= 0) throw DbError("The statement returned no result set");
    return statement;
}

std::string textAttribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) {
    std::vector<char> buffer(256);
    SQLSMALLINT length = 0;
    auto ask = [&] {
        check(SQLColAttribute(stmt, column, field, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length,
                              nullptr),
              SQL_HANDLE_STMT, stmt, "SQLColAttribute");
    };
    ask();
    if (length >= static_cast<SQLSMALLINT>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(length) + 1);
        ask();
    }
    return bufferText(buffer, length);
}

SQLLEN numberAttribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLLEN value = 0;
    check(SQLColAttribute(stmt, column, field, nullptr, 0, nullptr, &value), SQL_HANDLE_STMT, stmt,
          "SQLColAttribute");
    return value;
}

}  // namespace

std::vector<std::string> dataSourceNames() {
    odbc::UniqueHandle env = environment();
    std::vector<std::string> names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        std::vector<char> name(SQL_MAX_DSN_LENGTH + 1);
        std::vector<char> description(512);
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        SQLRETURN rc = check(SQLDataSources(env.get(), direction, reinterpret_cast<SQLCHAR*>(name.data()),
                                            static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                            reinterpret_cast<SQLCHAR*>(description.data()),
                                            static_cast<SQLSMALLINT>(description.size()), &descriptionLength),
                             SQL_HANDLE_ENV, env.get(), "SQLDataSources");
        if (rc == SQL_NO_DATA) break;
        names.push_back(bufferText(name, nameLength));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

// The size, type and nullability come from SQLColAttribute: SQL_DESC_LENGTH
// is the column's length in characters for character types, which is what
// the library's declared parameter sizes count.
std::vector<ColumnInfo> describeResult(const odbc::Connection& connection, const std::string& sql) {
    SQLSMALLINT count = 0;
    odbc::Statement statement = runSelect(connection, sql, count);
    SQLHSTMT stmt = statement.handle();
    std::vector<ColumnInfo> columns;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
        ColumnInfo info;
        info.name = textAttribute(stmt, c, SQL_DESC_NAME);
        info.typeName = textAttribute(stmt, c, SQL_DESC_TYPE_NAME);
        info.sqlType = static_cast<int>(numberAttribute(stmt, c, SQL_DESC_CONCISE_TYPE));
        info.size = static_cast<unsigned long>(std::max<SQLLEN>(numberAttribute(stmt, c, SQL_DESC_LENGTH), 0));
        info.nullable = static_cast<int>(numberAttribute(stmt, c, SQL_DESC_NULLABLE));
        columns.push_back(std::move(info));
    }
    return columns;
}

std::vector<Row> readAll(const odbc::Connection& connection, const std::string& sql) {
    SQLSMALLINT count = 0;
    odbc::Statement statement = runSelect(connection, sql, count);
    SQLHSTMT stmt = statement.handle();
    std::vector<Row> rows;
    std::vector<char> buffer(1024);
    while (check(SQLFetch(stmt), SQL_HANDLE_STMT, stmt, "SQLFetch") != SQL_NO_DATA) {
        Row row;
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
            std::string value;
            bool isNull = false;
            // A long value comes in pieces; each but the last fills the buffer
            // less its terminating zero.
            for (;;) {
                SQLLEN indicator = 0;
                SQLRETURN rc = check(SQLGetData(stmt, c, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()),
                                                &indicator),
                                     SQL_HANDLE_STMT, stmt, "SQLGetData");
                if (rc == SQL_NO_DATA) break;
                if (indicator == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                std::size_t piece = buffer.size() - 1;
                if (indicator != SQL_NO_TOTAL && static_cast<std::size_t>(indicator) < piece)
                    piece = static_cast<std::size_t>(indicator);
                value.append(buffer.data(), piece);
                if (rc == SQL_SUCCESS) break;
            }
            row.push_back(isNull ? std::nullopt : std::optional<std::string>(std::move(value)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace qx::sitecheck
