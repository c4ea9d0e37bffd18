// The query over ODBC against the test cluster: the statements of a clock-in
// and a clock-out, parameters, nulls, texts in code page 936 and errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string_view>
#include <vector>

#include "scratch_db.h"

namespace {

using qx::DateTime;
using qx::DbError;
using qx::test::run;
using qx::test::scalar;

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        module.ConnectDatabase(qx::test::kTestDataSource);
        qx::test::createScratchTables(module.qSetData);
    }

    qx::TdmDuty module;
    qx::OdbcQuery& q = module.qGetData;
    qx::OdbcQuery& setup = module.qSetData;
};

// 张三 (Zhang San) and 李四 (Li Si) in GBK.
const std::string kZhang = "\xd5\xc5\xc8\xfd";
const std::string kLi = "\xc0\xee\xcb\xc4";

struct SelectCase {
    const char* what;
    std::vector<std::string> setup;
    std::string sql;
    // Expected first row by column name; empty means end-of-data. "<null>"
    // stands for a null value.
    std::map<std::string, std::string> row;
};

TEST_F(QueryTest, SelectsStandOnTheirFirstRowOrAtEndOfData) {
    const std::vector<SelectCase> cases = {
        {"server clock, pinned",
         {"insert into TestClock values ('2026-12-10 01:02:03')"},
         "select GetDate() from HotelOption",
         {{"getdate", "2026-12-10 01:02:03"}}},
        {"server clock without option row",
         {"delete from HotelOption"},
         "select GetDate() from HotelOption",
         {}},
        {"user by bare number, card framed",
         {"insert into HotelUser_V values ('0007','" + kZhang + "','P7','12345')"},
         "select UserID,UserName,PassNo from HotelUser_V where AccessCode=';12345?' or AccessCode='12345'",
         {{"UserID", "0007"}, {"USERNAME", kZhang}, {"passno", "P7"}}},
        {"user by framed track, card bare",
         {"insert into HotelUser_V values ('0008','" + kLi + "',null,';555?')"},
         "select UserID,UserName,PassNo from HotelUser_V where AccessCode='555' or AccessCode=';555?'",
         {{"userid", "0008"}, {"UserName", kLi}, {"PassNo", "<null>"}}},
        {"no such user",
         {"insert into HotelUser_V values ('0007','x','P7','12345')"},
         "select UserID,UserName,PassNo from HotelUser_V where AccessCode='999' or AccessCode=';999?'",
         {}},
        {"duty record of the day, still on duty",
         {"insert into OnDuty values ('2026-12-10','0007','" + kZhang + "','P7','2026-12-10 08:00:00',null)",
          "insert into OnDuty values ('2026-12-09','0007','" + kZhang + "','P7','2026-12-09 08:00:00',"
          "'2026-12-09 17:00:00')"},
         "select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'",
         {{"HotelDate", "2026-12-10"}, {"OnTime", "2026-12-10 08:00:00"}, {"OffTime", "<null>"}}},
        {"previous day's record",
         {"insert into OnDuty values ('2026-12-09','0007','" + kZhang + "','P7','2026-12-09 22:00:00',null)"},
         "select * from OnDuty where HotelDate='2026-12-09' and UserID='0007'",
         {{"UserName", kZhang}, {"OnTime", "2026-12-09 22:00:00"}, {"offtime", "<null>"}}},
        {"no record of the day",
         {"insert into OnDuty values ('2026-12-09','0007','x','P7',null,null)"},
         "select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'",
         {}},
    };
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // a new session: fresh private tables
        for (const std::string& sql : c.setup) {
            run(setup, {sql});
        }
        q.close();
        q.setSql(c.sql);
        q.open();
        ASSERT_EQ(q.eof(), c.row.empty());
        for (const auto& [column, expected] : c.row) {
            EXPECT_EQ(q.text(column).value_or("<null>"), expected) << column;
        }
        q.close();
        EXPECT_TRUE(q.eof());
    }
}

TEST_F(QueryTest, ReadsValuesByPositionByNameAndAsDateTime) {
    run(setup, {"insert into OnDuty values ('2026-02-28','0007','n','p','2026-02-28 23:59:58.75',null)"});
    q.setSql("select OnTime, OffTime, HotelDate from OnDuty");
    q.open();
    ASSERT_FALSE(q.eof());
    ASSERT_EQ(q.columnCount(), 3);
    EXPECT_EQ(q.columnName(0), "ontime");  // the server folds unquoted names
    EXPECT_EQ(q.text(0), q.text("ONTIME"));
    EXPECT_EQ(q.dateTime(0), (DateTime{2026, 2, 28, 23, 59, 58}));
    EXPECT_EQ(q.dateTime("OnTime"), q.dateTime(0));
    EXPECT_EQ(q.dateTime(1), std::nullopt);
    EXPECT_EQ(q.text("offtime"), std::nullopt);
    // A date-only text is midnight of that day.
    EXPECT_EQ(q.dateTime("hoteldate"), (DateTime{2026, 2, 28, 0, 0, 0}));
    EXPECT_THROW(q.text("NoSuchColumn"), qx::Error);
    EXPECT_THROW(q.text(3), qx::Error);
    EXPECT_THROW(q.dateTime(-1), qx::Error);
}

TEST_F(QueryTest, UnreadableValuesAndClosedQueriesRaise) {
    q.setSql("select 'soon' as t");
    q.open();
    EXPECT_THROW(q.dateTime("t"), qx::Error);
    q.close();
    EXPECT_THROW(q.text(0), qx::Error);
    q.setSql("select 1 from HotelOption where OptionID=-1");
    q.open();
    ASSERT_TRUE(q.eof());
    EXPECT_THROW(q.text(0), qx::Error);
}

struct WriteCase {
    const char* what;
    std::vector<std::string> setup;
    std::string sql;
    std::vector<std::pair<std::string, std::pair<std::string, int>>> params;  // name, value, size
    long affected;
    std::string check;     // a select of one value after the write
    std::string expected;  // its value ("<eof>", "<null>")
};

TEST_F(QueryTest, WritesBindNamedStringParametersAndCountAffectedRows) {
    const std::string openRow =
        "insert into OnDuty values ('2026-12-10','0007','" + kZhang + "','P7','2026-12-10 08:00:00',null)";
    const std::string doneRow =
        "insert into OnDuty values ('2026-12-10','0007','" + kZhang + "','P7','2026-12-10 08:00:00',"
        "'2026-12-10 17:00:00')";
    const std::string clock = "insert into TestClock values ('2026-12-10 18:30:15')";
    const std::string onDuty =
        "update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=:hoteldate and UserID=:userid";
    const std::string insert =
        "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) "
        "values(:hoteldate,:userid,:username,:passno,GetDate())";
    const std::string offDuty = "update OnDuty set OffTime=GetDate() where HotelDate=:hoteldate and UserID=:userid";
    const std::pair<std::string, std::pair<std::string, int>> date{"hoteldate", {"2026-12-10", 10}};
    const std::pair<std::string, std::pair<std::string, int>> user{"userid", {"0007", 4}};

    const std::vector<WriteCase> cases = {
        {"clock-in again over a complete record", {doneRow, clock}, onDuty, {date, user}, 1,
         "select OnTime || '|' || coalesce(OffTime::text, 'null') from OnDuty", "2026-12-10 18:30:15|null"},
        {"clock-in without a record touches nothing", {clock}, onDuty, {date, user}, 0,
         "select count(*) from OnDuty", "0"},
        {"clock-in of another user touches nothing", {doneRow, clock}, onDuty, {date, {"userid", {"0008", 4}}}, 0,
         "select OffTime from OnDuty", "2026-12-10 17:00:00"},
        {"clock-in inserts", {clock}, insert,
         {date, user, {"username", {kLi, 10}}, {"passno", {"P-42", 30}}}, 1,
         "select HotelDate||UserID||UserName||PassNo||OnTime||coalesce(OffTime::text,'') from OnDuty",
         "2026-12-100007" + kLi + "P-422026-12-10 18:30:15"},
        {"parameters looked up without regard to case", {clock}, insert,
         {{"HOTELDATE", {"2026-12-10", 10}}, {"UserId", {"0007", 4}}, {"userName", {kZhang, 10}},
          {"PassNo", {"", 30}}},
         1, "select UserName || '|' || PassNo from OnDuty", kZhang + "|"},
        {"clock-out", {openRow, clock}, offDuty, {date, user}, 1, "select OffTime from OnDuty",
         "2026-12-10 18:30:15"},
        {"clock-out changes every row of the day", {openRow, openRow, clock}, offDuty, {date, user}, 2,
         "select count(*) from OnDuty where OffTime is not null", "2"},
        {"clock-out of the previous day", {openRow, clock}, offDuty,
         {{"hoteldate", {"2026-12-09", 10}}, user}, 0, "select coalesce(OffTime::text,'open') from OnDuty", "open"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // a new session: fresh private tables
        for (const std::string& sql : c.setup) {
            run(setup, {sql});
        }
        q.setSql(c.sql);
        for (const auto& [name, value] : c.params) {
            q.setParam(name, value.first, value.second);
        }
        EXPECT_EQ(q.execute(), c.affected);
        EXPECT_EQ(scalar(setup, c.check), c.expected);
    }
}

TEST_F(QueryTest, ParametersRepeatAndKeepTheirValuesUntilTheTextChanges) {
    q.setSql("select :a || '-' || :b || '-' || :A");
    q.setParam("a", "x", 1);
    q.setParam("b", "y", 1);
    q.open();
    EXPECT_EQ(q.text(0), "x-y-x");
    q.open();  // the same statement again with the same values
    EXPECT_EQ(q.text(0), "x-y-x");

    // A new text forgets the values: an unset parameter is null.
    q.setSql("select coalesce(:a, 'unset')");
    q.open();
    EXPECT_EQ(q.text(0), "unset");
    EXPECT_THROW(q.setParam("b", "y", 1), qx::Error);
}

TEST_F(QueryTest, ColonsInLiteralsCastsAndQuotedNamesAreNotParameters) {
    q.setSql("select ':lit' || 'it''s :x' || :p::text || '12'::varchar || \"x:y\" "
             "from (select 'q' as \"x:y\") s");
    q.setParam("p", ":v", 5);
    q.open();
    EXPECT_EQ(q.text(0), ":litit's :x:v12q");
}

TEST_F(QueryTest, NullEmptyLongAndDoubleByteTextsRoundTrip) {
    std::string longGbk;
    for (int i = 0; i < 3000; ++i) {
        longGbk += (i % 2) ? kZhang : "a";  // odd byte offsets, so a piece may end mid-character
    }
    const std::vector<std::pair<const char*, std::optional<std::string>>> values = {
        {"empty", std::string()},
        {"blank", std::string("  ")},
        {"gbk", kZhang + kLi + "!"},
        {"long", std::string(10000, 'x')},
        {"long gbk", longGbk},
        {"null", std::nullopt},
    };
    for (const auto& [what, value] : values) {
        SCOPED_TRACE(what);
        q.setSql("select cast(:v as text) as v, length(cast(:v as text)) as n");
        if (value) {
            q.setParam("v", *value, 10);
        }
        q.open();
        EXPECT_EQ(q.text("v"), value);
        if (value) {
            // The server counted characters, not bytes: the GBK text arrived
            // as GBK.
            size_t chars = 0;
            for (size_t i = 0; i < value->size(); ++i, ++chars) {
                if (static_cast<unsigned char>((*value)[i]) >= 0x81) {
                    ++i;
                }
            }
            EXPECT_EQ(q.text("n"), std::to_string(chars));
        }
    }
}

struct ErrorCase {
    const char* what;
    std::string sql;
    std::string sqlState;
    std::string serverText;  // part of the driver's message
};

TEST_F(QueryTest, FailingStatementsRaiseTheDriversDiagnostic) {
    const std::vector<ErrorCase> cases = {
        {"unknown table", "select * from NoSuchTable", "42P01", "relation \"nosuchtable\" does not exist"},
        {"syntax", "selec 1", "42601", "syntax error"},
        {"value too long", "insert into OnDuty(UserID) values ('12345')", "22001", "value too long"},
        {"division", "update OnDuty set OnTime=null where 1/0=1", "22012", "division by zero"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        q.setSql(c.sql);
        try {
            if (c.sql.rfind("select", 0) == 0) {
                q.open();
            } else {
                q.execute();
            }
            ADD_FAILURE() << "no error";
        } catch (const DbError& e) {
            EXPECT_EQ(e.sqlState(), c.sqlState);
            EXPECT_NE(e.message().find(c.serverText), std::string::npos) << e.message();
            EXPECT_FALSE(e.isConnectionError());
        }
        // The query is usable again after the error.
        EXPECT_EQ(scalar(q, "select count(*) from HotelOption"), "1");
    }
}

TEST_F(QueryTest, OpenOfAStatementWithoutRowsRaises) {
    run(setup, {"insert into TestClock values ('2026-12-10 00:00:00')"});
    q.setSql("delete from TestClock");
    EXPECT_THROW(q.open(), DbError);
    EXPECT_TRUE(q.eof());
    // ... after running it: the row is gone.
    EXPECT_EQ(scalar(setup, "select count(*) from TestClock"), "0");
}

}  // namespace

namespace {

TEST_F(QueryTest, SendsNothingButTheStatementsThemselves) {
    run(setup, {"insert into HotelUser_V values ('0007','" + kZhang + "','P7','12345')"});
    const std::string marker = "select 'statements follow'";
    qx::test::scalar(q, marker);
    const std::string pid = qx::test::backendPid(setup);

    // One clock-in and one clock-out, as the card transaction runs them, and
    // each as the server logs it: named parameters become positional ones
    // (shown here as "?").
    const struct {
        const char* sql;
        bool select;
        const char* logged;
    } statements[] = {
        {"select GetDate() from HotelOption", true, "select GetDate() from HotelOption"},
        {"select UserID,UserName,PassNo from HotelUser_V where AccessCode='12345' or AccessCode=';12345?'", true,
         "select UserID,UserName,PassNo from HotelUser_V where AccessCode='12345' or AccessCode=';12345?'"},
        {"select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'", true,
         "select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'"},
        {"update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=:hoteldate and UserID=:userid", false,
         "update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=? and UserID=?"},
        {"insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) "
         "values(:hoteldate,:userid,:username,:passno,GetDate())",
         false, "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) values(?,?,?,?,GetDate())"},
        {"select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'", true,
         "select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'"},
        {"update OnDuty set OffTime=GetDate() where HotelDate=:hoteldate and UserID=:userid", false,
         "update OnDuty set OffTime=GetDate() where HotelDate=? and UserID=?"},
        {"select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'", true,
         "select * from OnDuty where HotelDate='2026-12-10' and UserID='0007'"},
    };
    const std::map<std::string, std::pair<std::string, int>> parameters = {
        {"hoteldate", {"2026-12-10", 10}}, {"userid", {"0007", 4}}, {"username", {kZhang, 10}}, {"passno", {"P7", 30}}};
    std::vector<std::string> expected = {marker, "select pg_backend_pid()"};
    for (const auto& [sql, select, loggedText] : statements) {
        q.close();
        q.setSql(sql);
        for (const auto& [name, value] : parameters) {
            if (std::string_view(sql).find(":" + name) != std::string_view::npos) {
                q.setParam(name, value.first, value.second);
            }
        }
        if (select) {
            q.open();
            for (int c = 0; !q.eof() && c < q.columnCount(); ++c) {
                (void)q.text(c);
            }
        } else {
            q.execute();
        }
        expected.push_back(loggedText);
    }
    q.close();

    std::vector<std::string> logged = qx::test::loggedStatements(pid);
    // The session's statements from the marker on.
    auto first = std::find(logged.begin(), logged.end(), marker);
    ASSERT_NE(first, logged.end()) << "statement log not found or empty";
    EXPECT_EQ(std::vector<std::string>(first, logged.end()), expected);
}

}  // namespace
