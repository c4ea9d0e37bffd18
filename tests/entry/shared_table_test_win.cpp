// Several front-office sessions on one installation folder: host processes
// call the exports again and again while translators' qxtable imports
// replace the table file under them, three at a time. In the end no file is set aside, the
// file holds every row the sessions collect and every translation of the
// last import, and no session saw an error.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "common/owned_handle_win.h"
#include "duty/duty_messages.h"
#include "localisation/datapacket.h"
#include "localisation/table_file.h"

namespace {

namespace fs = std::filesystem;
using qx::datapacket::Row;
using qx::test::OwnedHandle;
using Clock = std::chrono::steady_clock;

constexpr int kHosts = 3;
// Rounds of imports; in each, three translators import the same file at once.
constexpr int kImportRounds = 40;
constexpr int kImportsAtOnce = 3;
constexpr int kImports = kImportRounds * kImportsAtOnce;
constexpr int kMostRounds = 1000;

// The rows a session collects: the ten messages and the duty dialog's texts.
const std::map<std::string, std::string> kFormTexts = {
    {"tfempdutydlg.caption", "Dialog"},
    {"tfempdutydlg.euserid.text", "eUserID\r\n"},
    {"tfempdutydlg.fclabel1.caption", "\xd4\xb1\xb9\xa4\xd7\xca\xc1\xcf\r\n"},        // staff details
    {"tfempdutydlg.fcshapebtn1.caption", "\xb9\xd8\xb1\xd5\r\n"},                    // close
    {"tfempdutydlg.label1.caption", "\xc7\xeb\xc0\xad\xbf\xa8...\r\n"},               // please swipe...
    {"tfempdutydlg.lcaption.caption", "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0\r\n"},        // staff clock in
    {"tfempdutydlg.panel5.caption", " \xd4\xb1\xb9\xa4\xbf\xa8\xba\xc5:\r\n"},        // staff card number:
};
const char* const kNumberedKeys[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

std::set<std::string> expectedKeys() {
    std::set<std::string> keys(std::begin(kNumberedKeys), std::end(kNumberedKeys));
    for (const auto& [key, text] : kFormTexts) keys.insert(key);
    return keys;
}

// The translation of one key in one column in the import of one set.
std::string translation(char set, int column, const std::string& key) {
    return std::string(1, set) + std::to_string(column) + " " + key;
}

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

fs::path ownFolder() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    return fs::path(exe).parent_path();
}

// Starts a program with its output going to a file.
OwnedHandle start(const std::string& commandLine, const fs::path& folder, const fs::path& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    OwnedHandle out(CreateFileA(output.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return {};
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out.get();
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.string().c_str(), &si, &pi))
        return {};
    CloseHandle(pi.hThread);
    return OwnedHandle(pi.hProcess);
}

// The exit code, or -1 when the process did not end in time (it is ended).
int finish(const OwnedHandle& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

std::string quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

class SharedTable : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("qx-shared-table-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const char* file : {"qxempduty.dll", "shared_table_host.exe"})
            fs::copy_file(ownFolder() / file, folder_ / file);
    }
    void TearDown() override {
        if (!HasFailure()) {
            std::error_code ec;
            fs::remove_all(folder_, ec);
        } else {
            std::printf("files left in %s\n", folder_.string().c_str());
        }
    }
    fs::path table() const { return folder_ / "qxempduty_str.cds"; }

    // The translations file of one set, for every row.
    fs::path writeTranslations(char set) const {
        std::string csv = "ID,NewString,NewString2,NewString3\r\n";
        for (const auto& key : expectedKeys())
            csv += key + "," + translation(set, 1, key) + "," + translation(set, 2, key) + "," +
                   translation(set, 3, key) + "\r\n";
        const fs::path path = folder_ / (std::string("translations-") + set + ".csv");
        std::ofstream(path, std::ios::binary) << csv;
        return path;
    }

    bool tableComplete() const {
        try {
            auto t = qx::tablefile::load(table().string());
            if (!t) return false;
            std::set<std::string> keys;
            for (const auto& r : t->rows) keys.insert(r[0]);
            return keys == expectedKeys();
        } catch (const std::exception&) {
            return false;
        }
    }

    fs::path folder_;
};

TEST_F(SharedTable, HostsCallingWhileTheTableIsImportedLoseNothingAndShowNoError) {
    // The file as a first call leaves it before the dialog texts are known:
    // the ten messages; the sessions add the rest at the same time.
    std::vector<Row> initial;
    for (int i = 0; i < qx::kDutyMessageCount; ++i) initial.push_back({std::to_string(i), qx::DutyMessages[i], "", "", ""});
    qx::tablefile::save(table().string(), initial);
    const fs::path translations[] = {writeTranslations('a'), writeTranslations('b')};

    const std::string stopName = "Local\\qx-shared-table-stop-" + std::to_string(GetCurrentProcessId());
    const OwnedHandle stop(CreateEventA(nullptr, TRUE, FALSE, stopName.c_str()));
    ASSERT_TRUE(stop);

    const auto begun = Clock::now();
    std::vector<OwnedHandle> hosts;
    for (int i = 0; i < kHosts; ++i) {
        hosts.push_back(start(quoted(folder_ / "shared_table_host.exe") + " " + std::to_string(kMostRounds) + " " +
                                  stopName + " qxtest",
                              folder_, folder_ / ("host-" + std::to_string(i) + ".log")));
        ASSERT_TRUE(hosts.back()) << "cannot start host " << i << ": error " << GetLastError();
    }

    // The sessions' first calls collect the dialog texts; then the imports
    // find every key.
    const auto until = Clock::now() + std::chrono::seconds(90);
    while (!tableComplete() && Clock::now() < until) Sleep(50);
    const bool complete = tableComplete();
    const auto importsBegun = Clock::now();
    std::vector<int> importCodes;
    char lastSet = 0;
    for (int round = 0; complete && round < kImportRounds; ++round) {
        lastSet = round % 2 ? 'b' : 'a';
        std::vector<OwnedHandle> tools;
        for (int j = 0; j < kImportsAtOnce; ++j) {
            const int i = round * kImportsAtOnce + j;
            tools.push_back(start(quoted(ownFolder() / "qxtable.exe") + " import " + quoted(table()) + " " +
                                      quoted(translations[round % 2]),
                                  folder_, folder_ / ("import-" + std::to_string(i) + ".log")));
        }
        for (const auto& tool : tools) importCodes.push_back(tool ? finish(tool, 60000) : -2);
    }
    const auto importsEnded = Clock::now();
    SetEvent(stop.get());

    std::vector<int> hostCodes;
    for (const auto& host : hosts) hostCodes.push_back(finish(host, 180000));
    const auto ended = Clock::now();

    // Each session's rounds, and the titles they showed.
    const std::regex roundLine(R"(round (\d+) language (\d) (ok|FAILED) title "(.*)\")");
    int rounds = 0, translatedTitles = 0;
    for (int i = 0; i < kHosts; ++i) {
        const std::string log = bytesOf(folder_ / ("host-" + std::to_string(i) + ".log"));
        SCOPED_TRACE("host " + std::to_string(i) + ":\n" + log);
        EXPECT_EQ(hostCodes[i], 0);
        int hostRounds = 0;
        for (std::sregex_iterator m(log.begin(), log.end(), roundLine), end; m != end; ++m) {
            ++hostRounds;
            const int round = std::stoi((*m)[1]), language = std::stoi((*m)[2]);
            // On duty shows message 1 as its title, off duty message 2: the
            // built-in text, or the language's column of either import.
            const std::string key = round % 2 ? "2" : "1";
            std::string builtIn;
            for (unsigned char c : qx::DutyMessages[std::stoi(key)]) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                builtIn += hex;
            }
            const std::string title = (*m)[4];
            const bool imported = language > 0 && (title == translation('a', language, key) ||
                                                   title == translation('b', language, key));
            EXPECT_TRUE(title == builtIn || imported) << "round " << round << " language " << language;
            translatedTitles += imported ? 1 : 0;
        }
        EXPECT_GE(hostRounds, 2);
        rounds += hostRounds;
    }

    ASSERT_TRUE(complete) << "the sessions never collected every row";
    ASSERT_EQ(importCodes.size(), static_cast<std::size_t>(kImports));
    for (int i = 0; i < kImports; ++i)
        EXPECT_EQ(importCodes[i], 0) << "import " << i << ":\n"
                                     << bytesOf(folder_ / ("import-" + std::to_string(i) + ".log"));

    // Nothing set aside and nothing left over: only the programs, the logs,
    // the translations and the table.
    for (const auto& entry : fs::directory_iterator(folder_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".bad"), std::string::npos) << name;
        EXPECT_NE(entry.path().extension(), ".tmp") << name;
    }
    // Every row, with its built-in text and the last import's translations.
    auto saved = qx::tablefile::load(table().string());
    ASSERT_TRUE(saved);
    std::map<std::string, Row> rows;
    for (const auto& r : saved->rows) EXPECT_TRUE(rows.emplace(r[0], r).second) << "twice: " << r[0];
    std::map<std::string, Row> expected;
    for (int i = 0; i < qx::kDutyMessageCount; ++i) expected[kNumberedKeys[i]] = {kNumberedKeys[i], qx::DutyMessages[i]};
    for (const auto& [key, text] : kFormTexts) expected[key] = {key, text};
    for (auto& [key, row] : expected)
        for (int column = 1; column <= 3; ++column) row[1 + column] = translation(lastSet, column, key);
    EXPECT_EQ(rows, expected);
    EXPECT_GT(translatedTitles, 0) << "no session showed an imported translation";

    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    std::printf("%d host processes, %d rounds in all (%d titles from an import), %d imports in %lld ms; "
                "%lld ms in all\n",
                kHosts, rounds, translatedTitles, kImports, static_cast<long long>(ms(importsEnded - importsBegun)),
                static_cast<long long>(ms(ended - begun)));
}

}  // namespace
