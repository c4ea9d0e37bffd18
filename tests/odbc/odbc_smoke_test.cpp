// Plain ODBC calls, one after the other, against the test cluster: the path
// every database call of the library takes through Wine's odbc32 to unixODBC
// and the PostgreSQL driver. In a 32-bit process it shows that handles come
// back usable (a wrong handle or a fault code as a result fails the first
// step), that bound parameters arrive and that values read back whole.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "duty/odbc.h"
#include "duty/odbc_api.h"

namespace {

using qx::odbc::check;
using qx::odbc::UniqueHandle;

TEST(OdbcSmoke, ConnectBindExecuteFetchAndReadTheServersClock) {
    SQLHANDLE raw = SQL_NULL_HANDLE;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &raw), SQL_SUCCESS);
    ASSERT_NE(raw, nullptr);
    UniqueHandle env(SQL_HANDLE_ENV, raw);
    check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, env.get(), "SQLSetEnvAttr");

    raw = SQL_NULL_HANDLE;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env.get(), &raw), SQL_SUCCESS);
    ASSERT_NE(raw, nullptr);
    UniqueHandle dbc(SQL_HANDLE_DBC, raw);
    std::string login = "DSN=qxtest;UID=dba;PWD=KRe7tmqB";
    SQLRETURN rc = SQLDriverConnect(dbc.get(), nullptr, reinterpret_cast<SQLCHAR*>(login.data()),
                                    static_cast<SQLSMALLINT>(login.size()), nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO)
        << "SQLDriverConnect returned " << rc << ": "
        << qx::odbc::diagnostics(SQL_HANDLE_DBC, dbc.get(), "SQLDriverConnect").message();

    {
        raw = SQL_NULL_HANDLE;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc.get(), &raw), SQL_SUCCESS);
        UniqueHandle stmt(SQL_HANDLE_STMT, raw);
        char parameter[] = "0001";
        SQLLEN length = 4;
        check(SQLBindParameter(stmt.get(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4, 0, parameter,
                               length, &length),
              SQL_HANDLE_STMT, stmt.get(), "SQLBindParameter");
        std::string sql = "select 'card ' || ?, GetDate(), repeat('x', 5000)";
        check(SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS), SQL_HANDLE_STMT,
              stmt.get(), "SQLExecDirect");
        ASSERT_EQ(check(SQLFetch(stmt.get()), SQL_HANDLE_STMT, stmt.get(), "SQLFetch"), SQL_SUCCESS);

        char text[64] = {};
        SQLLEN indicator = 0;
        check(SQLGetData(stmt.get(), 1, SQL_C_CHAR, text, sizeof text, &indicator), SQL_HANDLE_STMT,
              stmt.get(), "SQLGetData");
        EXPECT_STREQ(text, "card 0001");
        EXPECT_EQ(indicator, 9);

        char clock[64] = {};
        check(SQLGetData(stmt.get(), 2, SQL_C_CHAR, clock, sizeof clock, &indicator), SQL_HANDLE_STMT,
              stmt.get(), "SQLGetData");
        // "YYYY-MM-DD HH:MM:SS", the server's local time.
        ASSERT_GE(std::strlen(clock), 19u) << clock;
        EXPECT_EQ(clock[4], '-');
        EXPECT_EQ(clock[13], ':');

        // A value longer than the buffer: SQLLEN's width decides whether the
        // total length arrives intact.
        char piece[100] = {};
        rc = check(SQLGetData(stmt.get(), 3, SQL_C_CHAR, piece, sizeof piece, &indicator), SQL_HANDLE_STMT,
                   stmt.get(), "SQLGetData");
        EXPECT_EQ(rc, SQL_SUCCESS_WITH_INFO);
        EXPECT_EQ(indicator, 5000);
        EXPECT_EQ(std::string(piece), std::string(99, 'x'));

        EXPECT_EQ(check(SQLFetch(stmt.get()), SQL_HANDLE_STMT, stmt.get(), "SQLFetch"), SQL_NO_DATA);
    }
    EXPECT_TRUE(SQL_SUCCEEDED(SQLDisconnect(dbc.get())));
}

}  // namespace
