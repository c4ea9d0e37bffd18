// Conversion of Unicode text into the ANSI code page, for XML packets that
// declare UTF-8 or carry character references. One implementation per
// platform; native builds take code page 936 (GBK) as the ANSI code page.
#pragma once

#include <cstdint>
#include <string>

namespace qx::codepage {

// The ANSI bytes of one Unicode code point, or "?" when the code page has no
// such character.
std::string fromCodePoint(std::uint32_t codePoint);

}  // namespace qx::codepage
