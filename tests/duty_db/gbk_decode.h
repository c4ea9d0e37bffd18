// Code page 936 to UTF-8 with the platform's converter, for checking texts.
#pragma once

#include <optional>
#include <string>

namespace qx::test {

// std::nullopt when the bytes are not valid GBK.
std::optional<std::string> gbkToUtf8(const std::string& gbk);

}  // namespace qx::test
