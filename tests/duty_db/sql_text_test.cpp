// Statement texts with named parameters, and date-time texts from the server.
#include <gtest/gtest.h>

#include "duty/odbc_query.h"

namespace {

using qx::DateTime;

TEST(SqlParameters, NamedParametersBecomeMarkersInOrderOfOccurrence) {
    struct Case {
        std::string sql;
        std::string text;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=:hoteldate and UserID=:userid",
         "update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=? and UserID=?",
         {"hoteldate", "userid"}},
        {"insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) "
         "values(:hoteldate,:userid,:username,:passno,GetDate())",
         "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) values(?,?,?,?,GetDate())",
         {"hoteldate", "userid", "username", "passno"}},
        {"select :a,:b,:a", "select ?,?,?", {"a", "b", "a"}},
        {"select 1", "select 1", {}},
        // Literals, quoted names and comments keep their colons.
        {"select * from t where a=':x' and b=:y", "select * from t where a=':x' and b=?", {"y"}},
        {"select 'it''s :x', :y", "select 'it''s :x', ?", {"y"}},
        {"select \"a:b\" from t where c=:c", "select \"a:b\" from t where c=?", {"c"}},
        {"select 1 -- :x\n, :y /* :z */", "select 1 -- :x\n, ? /* :z */", {"y"}},
        {"select ';12:34?'", "select ';12:34?'", {}},
        // A cast is no parameter; a parameter may be cast.
        {"select x::text, :p::varchar(10)", "select x::text, ?::varchar(10)", {"p"}},
        // A colon without a name, and one at the end, stay as they are.
        {"select a : b, c:", "select a : b, c:", {}},
        {"select :_a1,:B2x", "select ?,?", {"_a1", "B2x"}},
        // An unterminated literal runs to the end of the text.
        {"select ':x", "select ':x", {}},
        // Double-byte texts pass through byte for byte.
        {"select '\xd5\xc5:' || :n", "select '\xd5\xc5:' || ?", {"n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        qx::ParsedSql parsed = qx::parseSqlParameters(c.sql);
        EXPECT_EQ(parsed.text, c.text);
        EXPECT_EQ(parsed.parameters, c.names);
    }
}

TEST(DateTimeText, ServerTextsParseAndOthersAreRefused) {
    struct Case {
        std::string text;
        std::optional<DateTime> value;
    };
    const std::vector<Case> cases = {
        {"2026-12-10 04:03:02", DateTime{2026, 12, 10, 4, 3, 2}},
        {"2026-12-10 23:59:59.999999", DateTime{2026, 12, 10, 23, 59, 59}},
        {"2026-12-10T07:08", DateTime{2026, 12, 10, 7, 8, 0}},
        {"2026-12-10", DateTime{2026, 12, 10, 0, 0, 0}},
        {"2024-02-29 00:00:00", DateTime{2024, 2, 29, 0, 0, 0}},
        {"2026-12-10 04:03:02+08", DateTime{2026, 12, 10, 4, 3, 2}},
        {"2026-12-10 04:03:02.5-03:30", DateTime{2026, 12, 10, 4, 3, 2}},
        {"", std::nullopt},
        {"2026-2-10", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"2025-02-29", std::nullopt},
        {"2026-12-10 24:00:00", std::nullopt},
        {"2026-12-10 12:60", std::nullopt},
        {"2026-12-10 12", std::nullopt},
        {"2026-12-10 12:00:00.", std::nullopt},
        {"2026-12-10 12:00:00 x", std::nullopt},
        {"10.12.2026", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(qx::parseDateTime(c.text), c.value);
    }
}

}  // namespace
