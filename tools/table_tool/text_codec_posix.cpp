#include "table_tool/text_codec.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace qx::tabletool {

namespace {

// iconv's name for a Windows code page. 936 is "GBK", as in the library.
std::string iconvName(unsigned codePage) {
    if (codePage == 936) return "GBK";
    if (codePage == 65001) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

std::optional<std::string> convert(std::string_view text, const std::string& to, const std::string& from) {
    if (text.empty()) return std::string();
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in(text);
    std::string out(in.size() * 4 + 16, '\0');
    char* inp = in.data();
    char* outp = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    // Without //TRANSLIT or //IGNORE iconv stops at the first byte sequence it
    // cannot convert, which is what we want: never a mangled text.
    std::size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (rc != static_cast<std::size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(static_cast<std::size_t>(outp - out.data()));
    return out;
}

}  // namespace

std::optional<std::string> ansiToUtf8(std::string_view text, unsigned codePage) {
    return convert(text, "UTF-8", iconvName(codePage));
}

std::optional<std::string> utf8ToAnsi(std::string_view text, unsigned codePage) {
    return convert(text, iconvName(codePage), "UTF-8");
}

void prepareConsole() {}

}  // namespace qx::tabletool
