#include <windows.h>

#include "duty/card_transaction.h"

namespace qx {

// The user's time separator, as the clock of the taskbar shows it; ":" when
// the locale does not answer.
std::string SystemTimeSeparator() {
    char buffer[16] = {};
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, sizeof buffer);
    if (length <= 1) return ":";
    return std::string(buffer, length - 1);
}

}  // namespace qx
