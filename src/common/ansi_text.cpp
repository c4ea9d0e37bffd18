#include "common/ansi_text.h"

#include <algorithm>

namespace qx {

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isBlankChar);
}

std::string trimRight(std::string_view text) {
    auto end = text.size();
    while (end > 0 && isBlankChar(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string trim(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && isBlankChar(text[begin])) ++begin;
    return trimRight(text.substr(begin));
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

}  // namespace qx
