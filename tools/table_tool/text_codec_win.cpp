#include "table_tool/text_codec.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <string>

namespace qx::tabletool {

namespace {

std::optional<std::wstring> toWide(std::string_view text, unsigned codePage) {
    if (text.empty()) return std::wstring();
    const int inLen = static_cast<int>(text.size());
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLen, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLen, wide.data(), n) != n)
        return std::nullopt;
    return wide;
}

std::optional<std::string> fromWide(const std::wstring& wide, unsigned codePage) {
    if (wide.empty()) return std::string();
    const int inLen = static_cast<int>(wide.size());
    // UTF-8 and UTF-7 take neither flags nor the default-character report;
    // every other code page is asked to refuse best-fit substitutes and to
    // tell when a character had no equivalent.
    const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
    const DWORD flags = utf ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf ? nullptr : &usedDefault;
    int n = WideCharToMultiByte(codePage, flags, wide.data(), inLen, nullptr, 0, nullptr, usedDefaultOut);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, flags, wide.data(), inLen, out.data(), n, nullptr, usedDefaultOut) != n ||
        usedDefault)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> ansiToUtf8(std::string_view text, unsigned codePage) {
    auto wide = toWide(text, codePage);
    if (!wide) return std::nullopt;
    return fromWide(*wide, CP_UTF8);
}

std::optional<std::string> utf8ToAnsi(std::string_view text, unsigned codePage) {
    auto wide = toWide(text, CP_UTF8);
    if (!wide) return std::nullopt;
    auto out = fromWide(*wide, codePage);
    // WC_NO_BEST_FIT_CHARS is not honoured by every code page; converting
    // back catches any substitute that slipped through.
    if (out && codePage != CP_UTF8) {
        auto back = toWide(*out, codePage);
        if (!back || *back != *wide) return std::nullopt;
    }
    return out;
}

void prepareConsole() {
    // Messages and exported files are UTF-8 bytes: no newline translation on
    // the standard streams, and a console that shows UTF-8.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace qx::tabletool
