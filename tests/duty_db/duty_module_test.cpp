// The database module: connecting by data source name, the module's life
// over a run, and a connection that the server drops.
#include <gtest/gtest.h>

#include <vector>

#include "duty/odbc_api.h"
#include "scratch_db.h"
#include "unknown_source.h"

namespace {

using qx::DbError;
using qx::TdmDuty;
using qx::test::backendPid;
using qx::test::scalar;

TEST(DutyModule, ConnectsToTheNamedDataSourceOrTheDefault) {
    struct Case {
        std::string name;
        std::string dataSource;
    };
    for (const Case& c : std::vector<Case>{{"", "dinoraasa"}, {"qxtest", "qxtest"}, {"dinoraasa", "dinoraasa"}}) {
        SCOPED_TRACE(c.name);
        TdmDuty module;
        module.ConnectDatabase(c.name);
        EXPECT_EQ(module.DataSourceName(), c.dataSource);
        EXPECT_EQ(module.connectionString(),
                  "Provider=MSDASQL.1;Password=KRe7tmqB;Persist Security Info=True;User ID=dba;Data Source=" +
                      c.dataSource);
        EXPECT_TRUE(module.ac1.connected());
        // Logged in as the library's user, on the test database.
        EXPECT_EQ(scalar(module.qGetData, "select current_user || '@' || current_database()"), "dba@hotel");
    }
}

TEST(DutyModule, UnknownDataSourceRaisesTheDriverManagersText) {
    TdmDuty module;
    // The same failure twice in a row on one module.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            module.ConnectDatabase("NoSuchSource");
            ADD_FAILURE() << "connected";
        } catch (const DbError& e) {
            const qx::test::ConnectAnswer expected = qx::test::unknownSourceAnswer();
            EXPECT_EQ(e.sqlState(), expected.sqlState) << e.message();
            EXPECT_NE(e.message().find(expected.text), std::string::npos) << e.message();
        }
        EXPECT_EQ(module.DataSourceName(), "NoSuchSource");
        EXPECT_FALSE(module.ac1.connected());
    }
    // The module still connects afterwards.
    module.ConnectDatabase("qxtest");
    EXPECT_EQ(scalar(module.qGetData, "select 1"), "1");
}

TEST(DutyModule, QueriesNeedAConnection) {
    TdmDuty module;
    module.qGetData.setSql("select 1");
    try {
        module.qGetData.open();
        ADD_FAILURE() << "opened";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isConnectionError());
    }
}

struct ComCounter {
    static inline int initialized = 0;
    static inline int uninitialized = 0;
    qx::ComCalls saved = qx::comCalls();
    ComCounter() {
        initialized = uninitialized = 0;
        qx::comCalls() = {[] { ++initialized; }, [] { ++uninitialized; }};
    }
    ~ComCounter() { qx::comCalls() = saved; }
};

TEST(DutyModule, OpenAndCloseAreIdempotentAndPairTheComCalls) {
    ComCounter com;
    qx::CloseDutyModule();  // no module: nothing, in particular no COM call
    EXPECT_EQ(qx::dmDuty, nullptr);
    EXPECT_EQ(com.uninitialized, 0);

    qx::OpenDutyModule();
    TdmDuty* first = qx::dmDuty.get();
    ASSERT_NE(first, nullptr);
    qx::OpenDutyModule();
    EXPECT_EQ(qx::dmDuty.get(), first);
    EXPECT_EQ(com.initialized, 1);
    EXPECT_FALSE(first->ac1.connected());
    EXPECT_EQ(first->DataSourceName(), "");
    EXPECT_EQ(first->connectionString(),
              "Provider=MSDASQL.1;Password=KRe7tmqB;Persist Security Info=True;User ID=dba;Data Source=dinoraasa");

    qx::CloseDutyModule();
    EXPECT_EQ(qx::dmDuty, nullptr);
    EXPECT_EQ(com.uninitialized, 1);
    qx::CloseDutyModule();
    EXPECT_EQ(com.uninitialized, 1);
}

TEST(DutyModule, FreeingTheModuleClosesItsSession) {
    TdmDuty observer;
    observer.ConnectDatabase("qxtest");

    qx::OpenDutyModule();
    qx::dmDuty->ConnectDatabase("qxtest");
    // Leave a result open on the query, as an interrupted swipe would.
    qx::dmDuty->qGetData.setSql("select * from generate_series(1, 10)");
    qx::dmDuty->qGetData.open();
    std::string pid = backendPid(qx::dmDuty->qSetData);
    qx::CloseDutyModule();
    EXPECT_TRUE(qx::test::sessionGone(observer.qGetData, pid));
}

TEST(DutyModule, ReconnectsAfterTheServerDroppedTheSession) {
    TdmDuty observer;
    observer.ConnectDatabase("qxtest");
    TdmDuty module;
    module.ConnectDatabase("qxtest");
    std::string pid = backendPid(module.qGetData);

    EXPECT_EQ(scalar(observer.qGetData, "select pg_terminate_backend(" + pid + ")"), "1");
    ASSERT_TRUE(qx::test::sessionGone(observer.qGetData, pid));
    module.qGetData.setSql("select 1");
    try {
        module.qGetData.open();
        ADD_FAILURE() << "the dropped session still answered";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isConnectionError()) << e.sqlState() << " " << e.message();
    }

    module.reconnect();
    EXPECT_NE(backendPid(module.qGetData), pid);
    EXPECT_EQ(module.DataSourceName(), "qxtest");
}

}  // namespace

namespace {

TEST(OdbcConnection, FailedLoginsRaiseTheDriversDiagnostic) {
    struct Case {
        const char* what;
        std::string odbc;
        std::string sqlState;
        std::string text;  // part of the message
    };
    const std::vector<Case> cases = {
        {"unknown data source", "DSN=NoSuchSource;UID=dba;PWD=KRe7tmqB", qx::test::unknownSourceAnswer().sqlState,
         qx::test::unknownSourceAnswer().text},
        {"unknown user", "DSN=qxtest;UID=nobody;PWD=x", "08001", "role \"nobody\" does not exist"},
    };
    qx::odbc::Connection connection;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            connection.connect(c.odbc);
            ADD_FAILURE() << "connected";
        } catch (const DbError& e) {
            EXPECT_EQ(e.sqlState(), c.sqlState) << e.message();
            EXPECT_NE(e.message().find(c.text), std::string::npos) << e.message();
            EXPECT_TRUE(e.isConnectionError() || c.odbc.find("NoSuchSource") != std::string::npos);
        }
        EXPECT_FALSE(connection.connected());
    }
    // The same handle connects once given a usable login.
    connection.connect("DSN=qxtest;UID=dba;PWD=KRe7tmqB");
    EXPECT_TRUE(connection.connected());
}

// The texts staff see in the red box come from these paths: a server error
// longer than the first buffer, and a disconnect the driver refuses.
TEST(OdbcConnection, ALongServerErrorArrivesWhole) {
    qx::odbc::Connection connection;
    connection.connect("DSN=qxtest;UID=dba;PWD=KRe7tmqB");
    qx::OdbcQuery query(connection);
    const std::string text = "raised by the server: " + std::string(1500, 'x') + " end";
    query.setSql("do $$ begin raise exception '" + text + "'; end $$");
    try {
        query.execute();
        ADD_FAILURE() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlState(), "P0001");
        EXPECT_NE(e.message().find(text), std::string::npos) << e.message().size() << " bytes";
        EXPECT_GE(e.message().size(), text.size());
    }
}

TEST(OdbcConnection, AFailedDisconnectLeavesAFreshHandleThatConnectsAgain) {
    qx::odbc::Connection connection;
    connection.connect("DSN=qxtest;UID=dba;PWD=KRe7tmqB");
    // A statement of someone else's on the connection, left waiting for
    // data at execution: the driver manager refuses to disconnect.
    SQLHANDLE waiting = SQL_NULL_HANDLE;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &waiting)));
    SQLLEN atExecution = SQL_DATA_AT_EXEC;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLBindParameter(waiting, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 10, 0,
                                               reinterpret_cast<SQLPOINTER>(1), 0, &atExecution)));
    std::string sql = "select ?";
    ASSERT_EQ(SQLExecDirect(waiting, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS), SQL_NEED_DATA);
    ASSERT_FALSE(SQL_SUCCEEDED(SQLDisconnect(connection.handle()))) << "disconnected with a statement waiting";

    const qx::odbc::RawHandle before = connection.handle();
    connection.disconnect();
    EXPECT_FALSE(connection.connected());
    EXPECT_NE(connection.handle(), nullptr);
    EXPECT_NE(connection.handle(), before);
    // The handle that failed is not used again; the fresh one connects and
    // runs statements.
    connection.connect("DSN=qxtest;UID=dba;PWD=KRe7tmqB");
    EXPECT_TRUE(connection.connected());
    qx::OdbcQuery again(connection);
    EXPECT_EQ(scalar(again, "select 40 + 2"), "42");
}

}  // namespace
