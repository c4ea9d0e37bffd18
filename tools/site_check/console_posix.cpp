#include "site_check/console.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>

#include "common/ansi_text.h"
#include "table_tool/text_codec.h"

namespace qx::sitecheck {

namespace {

// The native build's ANSI code page, as the library's: GBK.
constexpr unsigned kAnsiCodePage = 936;

// The locale the messages follow: LC_ALL, then LC_MESSAGES, then LANG.
std::string messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

// A terminal in a GBK locale takes the ANSI texts as they are; any other
// gets UTF-8.
bool consoleIsGbk() {
    static const bool gbk = [] {
        if (!std::setlocale(LC_CTYPE, "")) return false;
        const std::string codeset = asciiLower(nl_langinfo(CODESET));
        return codeset == "gbk" || codeset == "gb18030" || codeset == "gb2312";
    }();
    return gbk;
}

}  // namespace

Language systemLanguage() {
    return asciiLower(messagesLocale()).rfind("zh", 0) == 0 ? Language::Chinese : Language::English;
}

std::optional<std::string> ansiFromUtf8(std::string_view utf8) { return tabletool::utf8ToAnsi(utf8, kAnsiCodePage); }

std::string forConsole(const std::string& ansi) {
    if (consoleIsGbk()) return ansi;
    return tabletool::ansiToUtf8(ansi, kAnsiCodePage).value_or(ansi);
}

int programBits() { return 0; }

DateTime localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace qx::sitecheck
