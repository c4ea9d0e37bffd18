// Helpers for 8-bit texts in the ANSI code page. A character counts as blank
// when its code is at most 32; lower-casing touches only the ASCII letters.
#pragma once

#include <string>
#include <string_view>

namespace qx {

inline bool isBlankChar(char c) { return static_cast<unsigned char>(c) <= 32; }

// True for the empty text and for a text made only of blank characters.
bool isBlank(std::string_view text);

std::string trimRight(std::string_view text);
std::string trim(std::string_view text);

// Converts A..Z to a..z and leaves every other byte (lead and trail bytes of
// double-byte characters included) as it is.
std::string asciiLower(std::string_view text);

// Equal when compared with the ASCII letters folded to lower case.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace qx
