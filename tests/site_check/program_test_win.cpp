// qxcheck.exe as a child process, the way an administrator runs it beside
// qxtable.exe, against databases of its own on the test cluster: healthy,
// with faults, behind an unknown data source, one defined for the other
// width only, and with the server stopped. The server's log must show
// nothing but reads from its sessions.
#include <windows.h>

#include <gtest/gtest.h>

#include "read_only_statement.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "card/card_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string kZhangGbk = "\xd5\xc5\xc8\xfd";  // 张三
const int kBits = static_cast<int>(sizeof(void*) * 8);

struct Handle {
    HANDLE h = nullptr;
    Handle() = default;
    explicit Handle(HANDLE handle) : h(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

struct Key {
    HKEY h = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A UTF-8 text in a code page.
std::string inCodePage(const std::string& utf8, UINT codePage) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    std::string out(wide.size() * 4, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr,
                                                            nullptr)));
    return out;
}

struct CheckRun {
    DWORD exitCode = 0;
    std::string out;
    std::vector<std::string> lines;
    std::vector<std::string> problems;
};

// Runs qxcheck.exe, which lies beside this program, with `args`; its output
// and errors through one pipe.
CheckRun runCheck(const std::string& args) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string program = (fs::path(self).parent_path() / "qxcheck.exe").string();
    std::string commandLine = "\"" + program + "\" " + args;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    Handle reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.h, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writer.h;
    startup.hStdError = writer.h;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        throw std::runtime_error("cannot start " + program + ": error " + std::to_string(GetLastError()));
    Handle process(info.hProcess), thread(info.hThread);
    CloseHandle(writer.h);
    writer.h = nullptr;

    CheckRun r;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(reader.h, buffer, sizeof buffer, &n, nullptr) && n > 0) r.out.append(buffer, n);
    WaitForSingleObject(process.h, INFINITE);
    GetExitCodeProcess(process.h, &r.exitCode);
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        r.lines.push_back(line);
        if (line.rfind("PROBLEM", 0) == 0) r.problems.push_back(line);
    }
    return r;
}

bool anyLine(const std::vector<std::string>& lines, const std::string& start, const std::string& part) {
    for (const std::string& l : lines)
        if (l.rfind(start, 0) == 0 && l.find(part) != std::string::npos) return true;
    return false;
}

// The test cluster's folder, seen through drive Z:.
fs::path clusterFolder() {
    const char* dir = std::getenv("QX_TESTDB_DIR");
    if (!dir) throw std::runtime_error("QX_TESTDB_DIR is not set");
    return fs::path(std::string("Z:") + dir);
}

// The server's statements from byte `offset` of its log on, of the sessions
// that described OnDuty as qxcheck does: qxcheck's own, whatever else runs.
std::vector<std::string> statementsOfChecks(std::size_t offset) {
    const std::string log = readFile(clusterFolder() / "server.log");
    std::istringstream lines(log.substr(std::min(offset, log.size())));
    const std::regex entry(R"(\[([0-9]+)\] LOG:  (?:statement|execute [^:]*): (.*))");
    std::vector<std::pair<std::string, std::string>> all;
    std::set<std::string> checks;
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (!std::regex_search(line, m, entry)) continue;
        all.emplace_back(m[1].str(), m[2].str());
        if (m[2].str() == "select * from OnDuty where 1=0") checks.insert(m[1].str());
    }
    std::vector<std::string> statements;
    for (const auto& [pid, text] : all)
        if (checks.count(pid)) statements.push_back(text);
    return statements;
}

using sitecheck::test::onlyReads;

// Halts or resumes the test server through the cluster script's request
// files (a program under Wine cannot run the script itself).
bool testServer(const std::string& command) {
    const fs::path folder = clusterFolder();
    const fs::path done = folder / ("done-" + command);
    fs::remove(done);
    std::ofstream(folder / ("request-" + command)).put('\n');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(done)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream in(done);
    int status = -1;
    return in >> status && status == 0;
}

const char* const kDataSourcesKey = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";

// Adds (or, with an empty driver, removes) a data source name in one
// registry view, where the Wine of the i686 build looks data sources up.
void registerSource(const std::string& name, REGSAM view, bool add) {
    Key key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDataSourcesKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key.h,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the registry's data sources");
    static const char driver[] = "PostgreSQL ANSI";
    if (add) RegSetValueExA(key.h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(driver), sizeof driver);
    else RegDeleteValueA(key.h, name.c_str());
}

class SiteCheckUnderWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // unixODBC reads the settings of every data source from ODBCINI, the
        // test cluster's; the suite's own go at its end for as long as it runs.
        const char* ini = std::getenv("ODBCINI");
        ASSERT_NE(ini, nullptr);
        ini_ = new fs::path(std::string("Z:") + ini);
        original_ = new std::string(readFile(*ini_));
        const std::string port = readFile(clusterFolder() / "port");

        auto make = [](const std::string& db, std::initializer_list<std::string> statements) {
            cardtest::Hotel hotel(db);
            hotel.addUser({"0001", "Alice", "P-1", "1001"});
            hotel.addUser({"0002", "Bob", "P-2", ";1002?"});
            for (const std::string& sql : statements) hotel.exec(sql);
        };
        make("qxcw_healthy", {});
        make("qxcw_noview", {"drop view HotelUser_V",
                             "create view HotelUser_V as select UserID, UserName, AccessCode from HotelUser"});
        make("qxcw_no_option", {"delete from HotelOption"});
        make("qxcw_cards", {"insert into HotelUser values ('0003', '" + kZhangGbk + "', 'P-3', '1001')"});

        std::ofstream out(*ini_, std::ios::binary | std::ios::app);
        for (const char* db : {"qxcw_healthy", "qxcw_noview", "qxcw_no_option", "qxcw_cards", "qxcw_other_width"}) {
            out << "\n[" << db << "]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so\nServername=127.0.0.1\n"
                << "Port=" << port.substr(0, port.find_first_of("\r\n")) << "\nDatabase="
                << (std::string(db) == "qxcw_other_width" ? "qxcw_healthy" : db)
                << "\nConnSettings=set client_encoding to GBK\n";
        }
        for (const char* db : {"qxcw_healthy", "qxcw_noview", "qxcw_no_option", "qxcw_cards"})
            registerSource(db, KEY_WOW64_32KEY, true);
        // Defined for the 64-bit programs only: where the library's 32 bits
        // do not see it.
        registerSource("qxcw_other_width", KEY_WOW64_64KEY, true);
    }

    static void TearDownTestSuite() {
        for (const char* db : {"qxcw_healthy", "qxcw_noview", "qxcw_no_option", "qxcw_cards"})
            registerSource(db, KEY_WOW64_32KEY, false);
        registerSource("qxcw_other_width", KEY_WOW64_64KEY, false);
        std::ofstream(*ini_, std::ios::binary | std::ios::trunc) << *original_;
        delete ini_;
        delete original_;
    }

    // The check's lines are in the console's code page; with no console
    // that is the ANSI one.
    static std::string expected(const std::string& utf8) {
        const UINT console = GetConsoleOutputCP();
        return inCodePage(utf8, console ? console : GetACP());
    }

    // qxcheck's language: the system's user-interface language.
    static bool chinese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE; }
    // A text in the language qxcheck speaks here, in the console's code page.
    static std::string say(const std::string& english, const std::string& chineseUtf8) {
        return chinese() ? expected(chineseUtf8) : english;
    }

    static std::size_t logSize() { return readFile(clusterFolder() / "server.log").size(); }

    static fs::path* ini_;
    static std::string* original_;
};

fs::path* SiteCheckUnderWine::ini_ = nullptr;
std::string* SiteCheckUnderWine::original_ = nullptr;

TEST_F(SiteCheckUnderWine, AHealthySiteIsAllOkAndOnlyRead) {
    const std::size_t offset = logSize();
    const CheckRun r = runCheck("qxcw_healthy");
    EXPECT_EQ(r.exitCode, 0u) << r.out;
    EXPECT_TRUE(r.problems.empty()) << r.out;
    EXPECT_EQ(std::count_if(r.lines.begin(), r.lines.end(), [](const std::string& l) { return l.rfind("OK ", 0) == 0; }),
              7)
        << r.out;
    // The data source's line names this program's width.
    EXPECT_TRUE(anyLine(r.lines, "OK ", "qxcw_healthy") && anyLine(r.lines, "OK ", std::to_string(kBits))) << r.out;

    const std::vector<std::string> statements = statementsOfChecks(offset);
    EXPECT_NE(std::find(statements.begin(), statements.end(), "select GetDate() from HotelOption"), statements.end());
    for (const std::string& s : statements) EXPECT_TRUE(onlyReads(s)) << "written: " << s;
}

TEST_F(SiteCheckUnderWine, FaultsGiveTheirProblemsAndExitCodeOne) {
    struct Case {
        const char* what;
        std::string args;
        std::size_t problemLines;
        std::vector<std::string> parts;  // each in one of the PROBLEM lines
    };
    const std::vector<Case> cases{
        {"unknown data source", "nosuchsource", 2,
         {say("data source \"nosuchsource\" is not defined for " + std::to_string(kBits) + "-bit programs",
              "数据源 \"nosuchsource\" 没有为 " + std::to_string(kBits) + " 位程序定义"),
          "qxcw_healthy, ", say("cannot connect to \"nosuchsource\"", "无法连接到 \"nosuchsource\"")}},
        {"view without a column", "qxcw_noview", 1,
         {say("HotelUser_V has no column PassNo", "HotelUser_V 没有本库读取的列 PassNo")}},
        {"empty HotelOption", "qxcw_no_option", 1, {say("HotelOption has no row", "HotelOption 没有行")}},
        {"shared card numbers", "qxcw_cards", 1,
         {say("access code \"1001\" is shared by", "门禁码 \"1001\" 由"), "Alice (0001), " + kZhangGbk + " (0003)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t offset = logSize();
        const CheckRun r = runCheck(c.args);
        EXPECT_EQ(r.exitCode, 1u) << r.out;
        EXPECT_EQ(r.problems.size(), c.problemLines) << r.out;
        for (const std::string& part : c.parts) EXPECT_TRUE(anyLine(r.problems, "PROBLEM", part)) << part << "\n" << r.out;
        for (const std::string& s : statementsOfChecks(offset)) EXPECT_TRUE(onlyReads(s)) << "written: " << s;
    }
}

// The case the check exists for: defined in the registry, but for programs of
// the other width. The connect fails without a reason under this Wine; the
// data source's line says what is wrong.
TEST_F(SiteCheckUnderWine, ADataSourceOfTheOtherWidthIsNamedAsSuch) {
    if (kBits != 32) GTEST_SKIP() << "the x86_64 build's Wine keeps one list of data sources for both widths";
    const CheckRun r = runCheck("qxcw_other_width");
    EXPECT_EQ(r.exitCode, 1u) << r.out;
    ASSERT_EQ(r.problems.size(), 2u) << r.out;
    EXPECT_NE(r.problems[0].find("\"qxcw_other_width\""), std::string::npos) << r.out;
    EXPECT_NE(r.problems[0].find(say("is not defined for 32-bit programs", "没有为 32 位程序定义")), std::string::npos)
        << r.out;
    EXPECT_NE(r.problems[0].find("qxcw_healthy"), std::string::npos) << "the defined ones are listed\n" << r.out;
    EXPECT_NE(r.problems[1].find("\"qxcw_other_width\""), std::string::npos) << r.out;
}

TEST_F(SiteCheckUnderWine, AStoppedServerIsUnreachable) {
    ASSERT_TRUE(testServer("halt"));
    const CheckRun r = runCheck("qxcw_healthy");
    ASSERT_TRUE(testServer("resume"));
    EXPECT_EQ(r.exitCode, 1u) << r.out;
    ASSERT_EQ(r.problems.size(), 1u) << r.out;
    EXPECT_NE(r.problems[0].find(say("The database server cannot be reached", "无法到达数据库服务器")), std::string::npos)
        << r.out;
}

// A console that shows another code page than the ANSI one gets the texts
// converted, the names read from the database included.
TEST_F(SiteCheckUnderWine, OutputFollowsTheConsolesCodePage) {
    // A test program run from a terminal-less shell has no console of its
    // own (code page 0): it makes one for the child to inherit.
    const bool ownConsole = GetConsoleOutputCP() == 0;
    if (ownConsole) {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
    }
    const UINT before = GetConsoleOutputCP();
    ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));
    const CheckRun r = runCheck("qxcw_cards");
    SetConsoleOutputCP(before);
    if (ownConsole) FreeConsole();
    EXPECT_EQ(r.exitCode, 1u) << r.out;
    EXPECT_TRUE(anyLine(r.problems, "PROBLEM", inCodePage("张三 (0003)", CP_UTF8))) << r.out;
    EXPECT_FALSE(anyLine(r.problems, "PROBLEM", kZhangGbk)) << r.out;
    if (chinese()) {
        EXPECT_TRUE(anyLine(r.lines, "OK ", inCodePage("已按本库的方式连接到", CP_UTF8))) << r.out;
    }
}

}  // namespace
