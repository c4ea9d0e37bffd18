// A small host: loads the library by ordinal, as the front-office
// application does, and drives the boxes it shows from a second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "duty/duty_messages.h"
#include "localisation/datapacket.h"
#include "localisation/table_file.h"

namespace {

using VoidText = void(__stdcall*)(const char*);
using VoidInt = void(__stdcall*)(int);
using IntVoid = int(__stdcall*)();

struct Library {
    HMODULE module = LoadLibraryA("qxempduty.dll");
    ~Library() {
        if (module) FreeLibrary(module);
    }
    template <class F>
    F byOrdinal(int ordinal) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
    }
};

struct SeenBox {
    std::string title;
    std::string text;
    HICON icon = nullptr;
    bool hasStopIcon() const { return icon != nullptr && icon == LoadIconA(nullptr, IDI_HAND); }
};

// The icon a message box shows: the shared icon of its visible icon control.
HICON shownIcon(HWND box) {
    HICON icon = nullptr;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            char cls[32] = {};
            GetClassNameA(child, cls, sizeof cls);
            LONG style = GetWindowLongA(child, GWL_STYLE);
            if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
                *reinterpret_cast<HICON*>(found) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&icon));
    return icon;
}

// Waits for a dialog-class window of this process with the given title,
// reads it, and presses its OK button.
std::optional<SeenBox> closeBox(const std::string& title, std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (HWND box = FindWindowA("#32770", title.c_str())) {
            SeenBox seen;
            char buffer[2048] = {};
            GetWindowTextA(box, buffer, sizeof buffer);
            seen.title = buffer;
            GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
            seen.text = buffer;
            seen.icon = shownIcon(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return seen;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

// The duty dialog of this process: the visible 702 x 518 form of the
// library's window class.
HWND findDutyDialog() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND w, LPARAM out) -> BOOL {
            char cls[32] = {};
            GetClassNameA(w, cls, sizeof cls);
            RECT r{};
            GetClientRect(w, &r);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && lstrcmpA(cls, "QxForm") == 0 && IsWindowVisible(w) &&
                r.right == 702 && r.bottom == 518) {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits for the duty dialog and asks the platform to close it; false when it
// never showed.
bool closeDutyDialog(std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (HWND dialog = findDutyDialog()) {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(Host, LoadsAndFindsTheFourExportsByOrdinal) {
    Library lib;
    ASSERT_NE(lib.module, nullptr);
    for (int ordinal = 1; ordinal <= 4; ++ordinal)
        EXPECT_NE(lib.byOrdinal<FARPROC>(ordinal), nullptr) << ordinal;
    EXPECT_EQ(lib.byOrdinal<FARPROC>(5), nullptr);
    EXPECT_EQ(GetProcAddress(lib.module, "EmpTest"), lib.byOrdinal<FARPROC>(4));
    EXPECT_EQ(GetProcAddress(lib.module, "SetLanguageID"), lib.byOrdinal<FARPROC>(1));
}

TEST(Host, EmpTestShowsTheOkBoxAndReturnsOne) {
    Library lib;
    auto empTest = lib.byOrdinal<IntVoid>(4);
    ASSERT_NE(empTest, nullptr);
    auto box = std::async(std::launch::async, closeBox, "ok", std::chrono::seconds(20));
    EXPECT_EQ(empTest(), 1);
    auto seen = box.get();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->text, "ok");
    EXPECT_EQ(seen->icon, nullptr);
}

TEST(Host, SetLanguageIdAcceptsAnyValueWithoutFailing) {
    Library lib;
    auto setLanguage = lib.byOrdinal<VoidInt>(1);
    ASSERT_NE(setLanguage, nullptr);
    for (int id : {-1, 4, 0, 3, 1, 0x7fffffff, 0})
        setLanguage(id);
}

// "错误" (error): the title of the box that reports a failed call.
const std::string kErrorTitle = "\xb4\xed\xce\xf3";

TEST(Host, UnknownDataSourceShowsTheDriverErrorEveryTime) {
    Library lib;
    auto onDuty = lib.byOrdinal<VoidText>(3);
    auto offDuty = lib.byOrdinal<VoidText>(2);
    ASSERT_TRUE(onDuty && offDuty);
    std::string first;
    for (auto call : {onDuty, onDuty, offDuty}) {
        auto box = std::async(std::launch::async, closeBox, kErrorTitle, std::chrono::seconds(30));
        call("no_such_source");
        auto seen = box.get();
        ASSERT_TRUE(seen) << "no error box";
        EXPECT_TRUE(seen->hasStopIcon());
        // The driver manager's own diagnostic, unchanged.
        EXPECT_NE(seen->text.find("Data source name not found"), std::string::npos) << seen->text;
        if (first.empty()) first = seen->text;
        EXPECT_EQ(seen->text, first);
    }
}

TEST(Host, EmptyOrNullNameConnectsToTheDefaultSource) {
    // The test data sources point "dinoraasa" at the test database, so these
    // calls connect and open the duty dialog; an error box instead would mean
    // another source was tried.
    Library lib;
    auto onDuty = lib.byOrdinal<VoidText>(3);
    ASSERT_NE(onDuty, nullptr);
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        auto dialog = std::async(std::launch::async, closeDutyDialog, std::chrono::seconds(30));
        onDuty(name);
        EXPECT_TRUE(dialog.get()) << "no duty dialog";
    }
}

// The table file lies beside the host executable, named after the library.
std::filesystem::path tableFile() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    return std::filesystem::path(exe).parent_path() / "qxempduty_str.cds";
}

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Host, FirstCallFillsTheTableFileAndAnUnchangedCallLeavesItAlone) {
    Library lib;
    auto onDuty = lib.byOrdinal<VoidText>(3);
    ASSERT_NE(onDuty, nullptr);
    std::filesystem::remove(tableFile());

    auto dialog = std::async(std::launch::async, closeDutyDialog, std::chrono::seconds(30));
    onDuty("qxtest");
    ASSERT_TRUE(dialog.get());
    auto table = qx::tablefile::load(tableFile().string());
    ASSERT_TRUE(table) << "no table file written";
    std::vector<qx::datapacket::Row> numbered;
    for (const auto& row : table->rows)
        if (row[0].size() == 1 && row[0][0] >= '0' && row[0][0] <= '9') numbered.push_back(row);
    ASSERT_EQ(numbered.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(numbered[i][0], std::to_string(i));
        EXPECT_EQ(numbered[i][1], qx::DutyMessages[i]) << i;
        EXPECT_EQ(numbered[i][2] + numbered[i][3] + numbered[i][4], "") << i;
    }

    const std::string before = bytesOf(tableFile());
    const auto written = std::filesystem::last_write_time(tableFile());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dialog = std::async(std::launch::async, closeDutyDialog, std::chrono::seconds(30));
    onDuty("qxtest");
    ASSERT_TRUE(dialog.get());
    EXPECT_EQ(bytesOf(tableFile()), before);
    EXPECT_EQ(std::filesystem::last_write_time(tableFile()), written);
}

}  // namespace
