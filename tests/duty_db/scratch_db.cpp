#include "scratch_db.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
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

std::vector<std::string> loggedStatements(const std::string& pid) {
    const char* dir = std::getenv("QX_TESTDB_DIR");
    std::string path = std::string(dir ? dir : ".") + "/server.log";
#ifdef _WIN32
    path = "Z:" + path;  // the host's file system under Wine
#endif
    std::ifstream log(path);
    const std::regex entry("\\[" + pid + "\\] LOG:  (?:statement|execute [^:]*): (.*)");
    const std::regex marker("\\$[0-9]+");
    std::vector<std::string> statements;
    std::string line;
    std::smatch m;
    while (std::getline(log, line)) {
        if (std::regex_search(line, m, entry)) {
            statements.push_back(std::regex_replace(m[1].str(), marker, "?"));
        }
    }
    return statements;
}

}  // namespace qx::test
