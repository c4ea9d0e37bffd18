// What the library makes of each code an ODBC call can return.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duty/odbc_api.h"
#include "duty/query.h"

namespace {

struct CheckCase {
    SQLRETURN code;
    bool passes;
    std::string message;  // part of the error's text when it does not pass
};

TEST(OdbcCheck, OnlySuccessAndNoDataPassEveryOtherCodeNamesCallAndCode) {
    const std::vector<CheckCase> cases = {
        {SQL_SUCCESS, true, ""},
        {SQL_SUCCESS_WITH_INFO, true, ""},
        {SQL_NO_DATA, true, ""},
        // No handle to read a diagnostic record from.
        {SQL_ERROR, false, "SQLExecDirect failed without a diagnostic record"},
        {SQL_INVALID_HANDLE, false, "SQLExecDirect: invalid handle"},
        {SQL_STILL_EXECUTING, false, "SQLExecDirect returned 2, which this library never asks for"},
        {SQL_NEED_DATA, false, "SQLExecDirect returned 99, which this library never asks for"},
        {101, false, "SQLExecDirect returned 101, which this library never asks for"},
        // Low halves of exception codes (0xC00000FD, 0xC0000005) that a
        // faulting driver manager handed back as results.
        {253, false, "SQLExecDirect returned 253, not an ODBC return code"},
        {5, false, "SQLExecDirect returned 5, not an ODBC return code"},
        {-3, false, "SQLExecDirect returned -3, not an ODBC return code"},
        {3, false, "SQLExecDirect returned 3, not an ODBC return code"},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.code);
        if (c.passes) {
            EXPECT_EQ(qx::odbc::check(c.code, SQL_HANDLE_STMT, SQL_NULL_HANDLE, "SQLExecDirect"), c.code);
            continue;
        }
        try {
            qx::odbc::check(c.code, SQL_HANDLE_STMT, SQL_NULL_HANDLE, "SQLExecDirect");
            ADD_FAILURE() << "passed";
        } catch (const qx::DbError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

}  // namespace
