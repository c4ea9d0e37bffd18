// One of several front-office sessions sharing an installation folder: loads
// qxempduty.dll from its own folder and calls the exports round after round,
// each time with another language, closing the duty dialog as soon as it
// shows. Every box the library shows instead is an error: it is read, closed
// and counted.
//
//   shared_table_host.exe ROUNDS STOP_EVENT [DATASOURCE]
//
// Stops after ROUNDS rounds, or after the first round that began once the
// named event STOP_EVENT was set. Prints one line a round and a summary;
// exits 0 when every round showed the duty dialog and nothing else showed.
#include <windows.h>

#include "common/owned_handle_win.h"
#include "toolkit/gui_helpers_win.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using VoidText = void(__stdcall*)(const char*);
using VoidInt = void(__stdcall*)(int);
namespace test = qx::test;

// Texts with their non-ASCII bytes as \xNN, for the log.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

// The texts of a window's child controls, joined.
std::string textsOf(HWND w) {
    std::string out;
    for (HWND c : test::childWindows(w))
        if (std::string t = test::windowText(c); !t.empty()) out += (out.empty() ? "" : " | ") + t;
    return out;
}

// The title label of the duty dialog, at 11, 10 of its outer panel.
std::string dutyTitle(HWND dialog) {
    for (HWND c : test::childWindows(dialog)) {
        RECT r{};
        GetWindowRect(c, &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(GetParent(c), &topLeft);
        if (test::className(c) == "QxFcLabel" && topLeft.x == 11 && topLeft.y == 10 && GetParent(GetParent(c)) == dialog)
            return test::windowText(c);
    }
    return "?";
}

// What one call showed. Filled by a timer of the calling thread, which the
// dialogs' modal loops deliver.
struct Round {
    bool dutyDialog = false;
    std::string title;
    std::vector<std::string> errors;
};
Round* current = nullptr;

void look(Round& round) {
    const DWORD self = GetCurrentThreadId();
    if (HWND dialog = test::findShownForm(self, 702, 518)) {
        if (!round.dutyDialog) {
            round.dutyDialog = true;
            round.title = dutyTitle(dialog);
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    // The library's message dialog, which shows the errors of a call.
    if (HWND box = test::findShownForm(self, 486, 319)) {
        round.errors.push_back("message dialog: " + textsOf(box));
        PostMessageA(box, WM_CLOSE, 0, 0);
    }
    // The platform's error box, for errors inside the dialog's handlers.
    if (HWND box = test::findThreadWindow(self, "#32770")) {
        round.errors.push_back("error box: " + textsOf(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

void CALLBACK watch(HWND, UINT, UINT_PTR, DWORD) {
    if (!current) return;
    try {
        look(*current);
    } catch (...) {
        // Out of memory for a text: the next tick looks again.
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: shared_table_host.exe ROUNDS STOP_EVENT [DATASOURCE]\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const qx::test::OwnedHandle stop(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    const char* dataSource = argc > 3 ? argv[3] : "qxtest";
    HMODULE lib = LoadLibraryA("qxempduty.dll");
    if (!lib || !stop) {
        std::printf("cannot load the library or open the stop event (error %lu)\n", GetLastError());
        return 1;
    }
    const auto setLanguage = reinterpret_cast<VoidInt>(reinterpret_cast<void*>(GetProcAddress(lib, "SetLanguageID")));
    const VoidText calls[] = {
        reinterpret_cast<VoidText>(reinterpret_cast<void*>(GetProcAddress(lib, "EmpOnDuty"))),
        reinterpret_cast<VoidText>(reinterpret_cast<void*>(GetProcAddress(lib, "EmpOffDuty"))),
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &watch);

    int done = 0, failed = 0;
    for (int r = 0; r < rounds; ++r) {
        // A round that begins after the stop is the last one, so that the
        // file is read once more after everything the others did.
        const bool last = WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0;
        Round round;
        current = &round;
        const int language = r % 4;
        setLanguage(language);
        calls[r % 2](dataSource);
        current = nullptr;
        ++done;
        const bool ok = round.dutyDialog && round.errors.empty();
        if (!ok) ++failed;
        std::printf("round %d language %d %s title \"%s\"%s\n", r, language, ok ? "ok" : "FAILED",
                    printable(round.title).c_str(), round.dutyDialog ? "" : " (no duty dialog)");
        for (const auto& e : round.errors) std::printf("  %s\n", printable(e).c_str());
        std::fflush(stdout);
        if (last) break;
    }
    KillTimer(nullptr, timer);
    FreeLibrary(lib);
    std::printf("rounds %d failed %d\n", done, failed);
    return failed ? 1 : 0;
}
