// A stand-in for the front-office application: loads qxempduty.dll from its
// own folder and calls the exports the way the host does.
//
//   demo_host.exe [--lang N] on|off|test [DATASOURCE]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using VoidText = void(__stdcall*)(const char*);
using VoidInt = void(__stdcall*)(int);
using IntVoid = int(__stdcall*)();

int usage() {
    std::fprintf(stderr, "usage: demo_host.exe [--lang N] on|off|test [DATASOURCE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    int language = -1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--lang") == 0) {
        language = std::atoi(argv[arg + 1]);
        arg += 2;
    }
    if (arg >= argc) return usage();
    const char* action = argv[arg++];
    const char* dataSource = arg < argc ? argv[arg] : "dinoraasa";

    HMODULE lib = LoadLibraryA("qxempduty.dll");
    if (!lib) {
        std::fprintf(stderr, "demo_host: cannot load qxempduty.dll (error %lu)\n", GetLastError());
        return 1;
    }
    auto proc = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(lib, name)); };
    if (language >= 0) reinterpret_cast<VoidInt>(proc("SetLanguageID"))(language);

    int result = 0;
    if (std::strcmp(action, "on") == 0) {
        std::printf("demo_host: EmpOnDuty(\"%s\")\n", dataSource);
        std::fflush(stdout);
        reinterpret_cast<VoidText>(proc("EmpOnDuty"))(dataSource);
    } else if (std::strcmp(action, "off") == 0) {
        std::printf("demo_host: EmpOffDuty(\"%s\")\n", dataSource);
        std::fflush(stdout);
        reinterpret_cast<VoidText>(proc("EmpOffDuty"))(dataSource);
    } else if (std::strcmp(action, "test") == 0) {
        result = reinterpret_cast<IntVoid>(proc("EmpTest"))();
        std::printf("demo_host: EmpTest returned %d\n", result);
    } else {
        FreeLibrary(lib);
        return usage();
    }
    std::printf("demo_host: call returned\n");
    FreeLibrary(lib);
    return 0;
}
