#include "site_check/console.h"

#include <windows.h>

#include "table_tool/text_codec.h"

namespace qx::sitecheck {

Language systemLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? Language::Chinese : Language::English;
}

std::optional<std::string> ansiFromUtf8(std::string_view utf8) { return tabletool::utf8ToAnsi(utf8, GetACP()); }

// The console may show another code page than the ANSI one (the OEM code
// page, or 65001 after chcp); without a console (output to a file or a pipe
// of a program that has none) the ANSI text goes out unchanged.
std::string forConsole(const std::string& ansi) {
    const UINT console = GetConsoleOutputCP();
    const UINT acp = GetACP();
    if (console == 0 || console == acp) return ansi;
    std::optional<std::string> utf8 = tabletool::ansiToUtf8(ansi, acp);
    if (!utf8) return ansi;
    if (console == CP_UTF8) return *utf8;
    return tabletool::utf8ToAnsi(*utf8, console).value_or(ansi);
}

int programBits() { return static_cast<int>(sizeof(void*) * 8); }

DateTime localNow() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace qx::sitecheck
