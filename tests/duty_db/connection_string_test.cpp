// The library's login text and its ODBC form.
#include <gtest/gtest.h>

#include "duty/duty_module.h"

namespace {

TEST(ConnectionString, TheDataSourceNameIsInsertedUnchanged) {
    for (const std::string name : {"dinoraasa", "qxtest", "My Hotel", "x;y", "%s", "\xbe\xc6\xb5\xea"}) {
        SCOPED_TRACE(name);
        std::string text = qx::buildConnectionString(name);
        EXPECT_EQ(text.rfind("Provider=MSDASQL.1;Password=KRe7tmqB;Persist Security Info=True;User ID=dba;", 0), 0u);
        const std::string tail = "Data Source=" + name;
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST(ConnectionString, BecomesAnOdbcLoginWithTheSameSourceUserAndPassword) {
    struct Case {
        std::string connectionString;
        std::string odbc;
    };
    const std::vector<Case> cases = {
        {qx::buildConnectionString("dinoraasa"), "DSN=dinoraasa;UID=dba;PWD=KRe7tmqB"},
        {qx::buildConnectionString("My Hotel"), "DSN=My Hotel;UID=dba;PWD=KRe7tmqB"},
        // Keys in any case and order; unknown ones are dropped.
        {"data source=a;USER ID=u;Extended Properties=x;password=p", "DSN=a;UID=u;PWD=p"},
        {"Data Source=a;Password=", "DSN=a;UID=;PWD="},
        // A name that cannot stand bare in an ODBC string is braced, so it
        // cannot add keys of its own.
        {"Data Source={x}=y;User ID=dba", "DSN={{x}}=y};UID=dba;PWD="},
        {"Data Source= padded ;User ID=dba", "DSN={ padded };UID=dba;PWD="},
        // A ";" in the name ends the value, as it does in the template.
        {qx::buildConnectionString("x;PWD=other"), "DSN=x;UID=dba;PWD=KRe7tmqB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connectionString);
        EXPECT_EQ(qx::odbcConnectionString(c.connectionString), c.odbc);
    }
}

}  // namespace
