// What a connect to a data source that nobody defined answers on the
// platform the tests run on.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qx::test {

struct ConnectAnswer {
    std::string sqlState;
    std::string text;  // part of the message
};

// The driver manager's IM002 "Data source name not found" on Windows, under
// unixODBC and under Wine 8, whose odbc32 hands the name to unixODBC. Wine 9
// and later look the name up in the registry first and, not finding it, fail
// without a diagnostic record, which the library reports as such.
inline ConnectAnswer unknownSourceAnswer() {
#ifdef _WIN32
    using Version = const char*(__cdecl*)();
    if (auto version = reinterpret_cast<Version>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")))) {
        if (std::atoi(version()) >= 9) return {"", "SQLDriverConnect failed without a diagnostic record"};
    }
#endif
    return {"IM002", "Data source name not found"};
}

}  // namespace qx::test
