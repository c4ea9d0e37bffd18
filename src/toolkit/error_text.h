// The text the standard error box shows for an error message.
#pragma once

#include <string>
#include <string_view>

namespace qx {

// Adds a full stop unless the message is empty or its last character already
// sorts at or before "." (so "Done." and "Failed!" stay, "Failed" gains one).
// Bytes compare unsigned, so a double-byte last character gains the stop.
inline std::string errorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

}  // namespace qx
