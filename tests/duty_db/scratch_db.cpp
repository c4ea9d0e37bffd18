#include "scratch_db.h"

#include <chrono>
#include <thread>

namespace qx::test {

void run(Query& query, std::initializer_list<std::string> statements) {
    for (const std::string& sql : statements) {
        query.setSql(sql);
        query.execute();
    }
}

std::string scalar(Query& query, const std::string& sql) {
    query.setSql(sql);
    query.open();
    std::string result = query.eof() ? "<eof>" : query.text(0).value_or("<null>");
    query.close();
    return result;
}

void createScratchTables(Query& query) {
    run(query, {
        "create temp table HotelOption (OptionID integer primary key default 1)",
        "insert into HotelOption default values",
        "create temp table HotelUser_V (UserID varchar(4) not null, UserName varchar(10), "
        "PassNo varchar(30), AccessCode varchar(40))",
        "create temp table OnDuty (HotelDate varchar(10), UserID varchar(4), UserName varchar(10), "
        "PassNo varchar(30), OnTime timestamp, OffTime timestamp)",
        "create temp table TestClock (Instant timestamp)",
    });
}

std::string backendPid(Query& query) { return scalar(query, "select pg_backend_pid()"); }

bool sessionGone(Query& observer, const std::string& pid) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        std::string sql = "select count(*) from pg_stat_activity where pid=" + pid;
        if (scalar(observer, sql) == "0") {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace qx::test
