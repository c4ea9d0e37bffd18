#include "localisation/code_page.h"

#include <windows.h>

namespace qx::codepage {

std::string fromCodePoint(std::uint32_t codePoint) {
    if (codePoint < 0x80) return std::string(1, static_cast<char>(codePoint));
    wchar_t wide[2];
    int units = 1;
    if (codePoint >= 0x10000) {
        if (codePoint > 0x10FFFF) return "?";
        codePoint -= 0x10000;
        wide[0] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
        units = 2;
    } else {
        wide[0] = static_cast<wchar_t>(codePoint);
    }
    char out[8];
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, wide, units, out, sizeof out, nullptr, &lossy);
    if (n <= 0 || lossy) return "?";
    return std::string(out, static_cast<std::size_t>(n));
}

}  // namespace qx::codepage
