// Conversion between the table's 8-bit texts (an ANSI code page) and the UTF-8
// of PO and CSV files. A text that does not convert exactly gives nothing: no
// replacement characters, no best-fit guesses. One implementation per platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx::tabletool {

inline constexpr unsigned kDefaultCodePage = 936;

std::optional<std::string> ansiToUtf8(std::string_view text, unsigned codePage);
std::optional<std::string> utf8ToAnsi(std::string_view text, unsigned codePage);

// Prepares the process's standard streams for UTF-8 bytes written unchanged.
void prepareConsole();

}  // namespace qx::tabletool
