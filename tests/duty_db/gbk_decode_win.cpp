#include <windows.h>

#include "gbk_decode.h"

namespace qx::test {

std::optional<std::string> gbkToUtf8(const std::string& gbk) {
    if (gbk.empty()) {
        return std::string();
    }
    int wide = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (wide <= 0) {
        return std::nullopt;
    }
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), w.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace qx::test
