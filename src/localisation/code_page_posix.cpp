#include "localisation/code_page.h"

#include <iconv.h>

namespace qx::codepage {

std::string fromCodePoint(std::uint32_t codePoint) {
    if (codePoint < 0x80) return std::string(1, static_cast<char>(codePoint));
    static const iconv_t cd = iconv_open("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "?";
    char in[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>((codePoint >> 8) & 0xFF),
                  static_cast<char>((codePoint >> 16) & 0xFF), static_cast<char>((codePoint >> 24) & 0xFF)};
    char out[8];
    char* inp = in;
    char* outp = out;
    std::size_t inLeft = sizeof in, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) return "?";
    return std::string(out, static_cast<std::size_t>(outp - out));
}

}  // namespace qx::codepage
