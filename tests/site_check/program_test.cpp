// qxcheck as an administrator runs it, against a PostgreSQL cluster of this
// program's own: a healthy database, and one database per fault, each behind
// a data source of its own. Every run must leave only reads in the server's
// statement log.
#include <gtest/gtest.h>

#include "read_only_statement.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "card/card_fixture.h"
#include "card/private_cluster.h"
#include "localisation/table_file.h"

namespace {

namespace fs = std::filesystem;

// GBK and UTF-8 of 张三, an employee's name.
const std::string kZhangGbk = "\xd5\xc5\xc8\xfd";
const std::string kZhangUtf8 = "\xe5\xbc\xa0\xe4\xb8\x89";

struct CheckRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines;
    std::vector<std::string> problems;  // the PROBLEM lines
    std::vector<std::string> statements;  // what the server logged meanwhile
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The statements in a server log from byte `offset` on: plain ones and the
// executions of prepared ones.
std::vector<std::string> loggedSince(const std::string& log, std::size_t offset) {
    std::vector<std::string> statements;
    std::istringstream lines(log.substr(std::min(offset, log.size())));
    const std::regex entry(R"(\] LOG:  (?:statement|execute [^:]*): (.*))");
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, m, entry)) statements.push_back(m[1].str());
    return statements;
}

using sitecheck::test::onlyReads;

class SiteCheckProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* source = std::getenv("QX_SOURCE_DIR");
        ASSERT_NE(source, nullptr);
        dir_ = new fs::path(fs::temp_directory_path() / ("qxcheck-cluster-" + std::to_string(::getpid())));
        fs::create_directories(*dir_);
        cluster_ = new cardtest::PrivateCluster(dir_->string());
        port_ = new std::string(readFile(*dir_ / "port"));
        while (!port_->empty() && std::isspace(static_cast<unsigned char>(port_->back()))) port_->pop_back();
        makeDatabases();
    }

    static void TearDownTestSuite() {
        delete cluster_;
        std::error_code ec;
        fs::remove_all(*dir_, ec);
        delete dir_;
        delete port_;
    }

    static void exec(const std::string& database, std::initializer_list<std::string> statements) {
        cardtest::Hotel hotel(database);
        hotel.addUser({"0001", "Alice", "P-1", "1001"});
        hotel.addUser({"0002", "Bob", "P-2", ";1002?"});
        for (const std::string& sql : statements) hotel.exec(sql);
        sources_.push_back(database);
    }

    // One database per case, made from the host's schema.
    static void makeDatabases() {
        exec("qxc_healthy", {});
        exec("qxc_noview_column",
             {"drop view HotelUser_V",
              "create view HotelUser_V as select UserID, UserName, AccessCode from HotelUser"});
        exec("qxc_no_option", {"delete from HotelOption"});
        exec("qxc_no_getdate", {"drop function GetDate()"});
        exec("qxc_null_getdate",
             {"create or replace function GetDate() returns timestamp language sql as $$ select null::timestamp $$"});
        exec("qxc_text_getdate",
             {"drop function GetDate()", "create function GetDate() returns text language sql as $$ select 'soon' $$"});
        exec("qxc_short_date", {"alter table OnDuty alter column HotelDate type varchar(8)"});
        exec("qxc_offtime_not_null", {"alter table OnDuty alter column OffTime set not null"});
        {
            cardtest::Hotel hotel("qxc_cards");
            hotel.addUser({"0001", "Alice", "P-1", "1001"});
            hotel.addUser({"0002", "Bob", "P-2", "1001"});
            hotel.addUser({"0003", kZhangGbk, "P-3", "777"});
            hotel.addUser({"0004", "Dan", "P-4", ";777?"});
            hotel.addUser({"0005", "Eve", "P-5", "5005"});
            sources_.push_back("qxc_cards");
        }
        // A site whose dba password is not the library's: this database
        // asks for a password, and the role has another one.
        exec("qxc_login", {"alter role dba password 'not-the-built-in-one'"});
        const std::string data = readFile(*dir_ / "datadir");
        const fs::path hba = fs::path(data.substr(0, data.find_last_not_of(" \n") + 1)) / "pg_hba.conf";
        const std::string rules = readFile(hba);
        std::ofstream(hba, std::ios::trunc) << "host qxc_login all 127.0.0.1/32 scram-sha-256\n" << rules;
        qx::odbc::Connection admin;
        admin.connect(cardtest::connectionString());
        qx::OdbcQuery reload(admin);
        reload.setSql("select pg_reload_conf()");
        reload.open();

        // A data source per database, beside the cluster's own.
        std::ofstream ini(*dir_ / "sites.ini");
        ini << readFile(*dir_ / "odbc.ini");
        for (const std::string& db : sources_) {
            ini << "\n[" << db << "]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so\nServername=127.0.0.1\n"
                << "Port=" << *port_ << "\nDatabase=" << db << "\nConnSettings=set client_encoding to GBK\n";
        }
    }

    // Runs qxcheck with `args` in the language of `lang`.
    static CheckRun run(const std::string& args, const std::string& lang = "C") {
        const char* program = std::getenv("QXCHECK_PROGRAM");
        if (!program) throw std::runtime_error("QXCHECK_PROGRAM is not set");
        const std::string logPath = cluster_->logPath();
        const std::size_t offset = readFile(logPath).size();
        const fs::path errors = *dir_ / "stderr.txt";
        const std::string command = "env -u LC_ALL -u LC_MESSAGES LANG=" + lang +
                                    " ODBCINI=" + quoted((*dir_ / "sites.ini").string()) + " " + quoted(program) +
                                    " " + args + " 2>" + quoted(errors.string());
        CheckRun r;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) throw std::runtime_error("popen failed");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
        const int status = ::pclose(pipe);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = readFile(errors);
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            r.lines.push_back(line);
            if (line.rfind("PROBLEM", 0) == 0) r.problems.push_back(line);
        }
        r.statements = loggedSince(readFile(logPath), offset);
        return r;
    }

    static void expectOnlyReads(const CheckRun& r) {
        for (const std::string& s : r.statements) EXPECT_TRUE(onlyReads(s)) << "written: " << s;
    }

    static fs::path* dir_;
    static cardtest::PrivateCluster* cluster_;
    static std::string* port_;
    static std::vector<std::string> sources_;
};

fs::path* SiteCheckProgram::dir_ = nullptr;
cardtest::PrivateCluster* SiteCheckProgram::cluster_ = nullptr;
std::string* SiteCheckProgram::port_ = nullptr;
std::vector<std::string> SiteCheckProgram::sources_;

bool anyLine(const std::vector<std::string>& lines, const std::string& start, const std::string& part) {
    for (const std::string& l : lines)
        if (l.rfind(start, 0) == 0 && l.find(part) != std::string::npos) return true;
    return false;
}

TEST_F(SiteCheckProgram, AHealthySiteIsAllOk) {
    const fs::path table = *dir_ / "host" / "qxempduty_str.cds";
    fs::create_directories(table.parent_path());
    qx::tablefile::save(table.string(), std::vector<qx::datapacket::Row>{
                                            {"0", "error", "Error", "", " "},
                                            {"1", "on duty", "On duty", "", "Im Dienst"},
                                            {"tfempdutydlg.label1.caption", "card", "", "", ""}});
    const CheckRun r = run("qxc_healthy --table " + quoted(table.string()));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(r.problems.empty()) << r.out;
    for (const char* ok : {"data source \"qxc_healthy\" is defined",
                           "connected to \"qxc_healthy\" as the library does (user dba)",
                           "HotelOption has 1 row(s)", "GetDate() answers",
                           "HotelUser_V has the columns the library uses: UserID, UserName, PassNo, AccessCode",
                           "OnDuty has the columns the library uses: HotelDate, UserID, UserName, PassNo, OnTime, OffTime",
                           "card numbers: 2 employee(s) with an access code",
                           "3 row(s); translated texts: NewString 2, NewString2 0, NewString3 1",
                           "takes new files"})
        EXPECT_TRUE(anyLine(r.lines, "OK ", ok)) << ok << "\n" << r.out;
    EXPECT_TRUE(anyLine(r.lines, " ", "server time ")) << r.out;
    EXPECT_EQ(r.lines.back(), "9 checks, all OK");
    // The folder probe leaves nothing behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(table.parent_path()), fs::directory_iterator()), 1);

    // The library's own statement ran, and nothing but reads did.
    EXPECT_NE(std::find(r.statements.begin(), r.statements.end(), "select GetDate() from HotelOption"),
              r.statements.end());
    expectOnlyReads(r);
}

TEST_F(SiteCheckProgram, EachFaultGivesItsProblemAndExitCodeOne) {
    struct Case {
        const char* what;
        std::string args;
        std::size_t problemLines;
        std::vector<std::string> parts;  // each in one of the PROBLEM lines
    };
    const fs::path garbage = *dir_ / "garbage_str.cds";
    std::ofstream(garbage, std::ios::binary) << "this is not a data packet";
    const std::string missingFolder = (*dir_ / "none").string();
    const std::vector<Case> cases{
        {"unknown data source", "nosuchsource", 2,
         {"data source \"nosuchsource\" is not defined; defined: ", "qxc_healthy",
          "cannot connect to \"nosuchsource\": [unixODBC][Driver Manager]Data source name not found",
          "The driver manager does not know the data source"}},
        {"wrong password", "qxc_login", 1,
         {"cannot connect to \"qxc_login\": ", "password authentication failed", "The server refused the login"}},
        {"view without a column", "qxc_noview_column", 1,
         {"HotelUser_V has no column PassNo, which the library reads"}},
        {"empty HotelOption", "qxc_no_option", 1, {"HotelOption has no row: the library finds no business date"}},
        {"no GetDate()", "qxc_no_getdate", 1, {"GetDate() does not answer: ", "getdate() does not exist"}},
        {"GetDate() answering null", "qxc_null_getdate", 1, {"GetDate() answers null: the library finds no business date"}},
        {"GetDate() answering a text", "qxc_text_getdate", 1,
         {"GetDate() answers \"soon\", which the library cannot read as a date and time"}},
        {"too short HotelDate", "qxc_short_date", 1,
         {"OnDuty.HotelDate is varchar(8), too short for the business date (YYYY-MM-DD, 10 characters): make it at "
          "least 10 characters"}},
        {"clock-out time that refuses null", "qxc_offtime_not_null", 1, {"OnDuty.OffTime does not accept null"}},
        {"shared card numbers", "qxc_cards", 2,
         {"access code \"1001\" is shared by Alice (0001), Bob (0002)",
          "access codes \"777\" and \";777?\" are one card with and without its ;...? frame: " + kZhangUtf8 +
              " (0003), Dan (0004)"}},
        {"unreadable table file", "qxc_healthy --table " + quoted(garbage.string()), 1,
         {"table file " + garbage.string() + " cannot be read: "}},
        {"table file in a folder that is not there", "qxc_healthy --table " + quoted(missingFolder + "/t.cds"), 2,
         {"there is no table file", "cannot write in folder " + missingFolder}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CheckRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_EQ(r.problems.size(), c.problemLines) << r.out;
        for (const std::string& part : c.parts) EXPECT_TRUE(anyLine(r.problems, "PROBLEM", part)) << part << "\n" << r.out;
        EXPECT_NE(r.lines.back().find("with a problem"), std::string::npos) << r.out;
        expectOnlyReads(r);
    }
}

TEST_F(SiteCheckProgram, AStoppedServerIsReportedAsUnreachable) {
    cluster_->halt();
    const CheckRun r = run("qxc_healthy");
    cluster_->resume();
    EXPECT_EQ(r.exitCode, 1) << r.out;
    ASSERT_EQ(r.problems.size(), 1u) << r.out;
    EXPECT_NE(r.problems[0].find("The database server cannot be reached"), std::string::npos) << r.out;
    EXPECT_TRUE(anyLine(r.lines, "SKIPPED", "card numbers: not checked")) << r.out;
}

TEST_F(SiteCheckProgram, ChineseInAChineseLocale) {
    const CheckRun r = run("qxc_cards", "zh_CN.UTF-8");
    EXPECT_EQ(r.exitCode, 1);
    // The texts and the name read from the database, both in UTF-8.
    EXPECT_TRUE(anyLine(r.lines, "OK ", "\xe5\xb7\xb2\xe6\x8c\x89\xe6\x9c\xac\xe5\xba\x93")) << r.out;  // 已按本库
    EXPECT_TRUE(anyLine(r.problems, "PROBLEM", kZhangUtf8 + " (0003)")) << r.out;
    EXPECT_NE(r.lines.back().find("\xe9\xa1\xb9\xe6\x9c\x89\xe9\x97\xae\xe9\xa2\x98"), std::string::npos)  // 项有问题
        << r.out;
}

TEST_F(SiteCheckProgram, UsageErrorsExitWithTwo) {
    for (const char* args : {"a b", "--table", "--verbose"}) {
        const CheckRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.out;
        EXPECT_NE(r.err.find("usage: qxcheck [DATASOURCE] [--table FILE]"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.statements.empty());
    }
    const CheckRun help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: qxcheck [DATASOURCE] [--table FILE]", 0), 0u) << help.out;
}

}  // namespace
