// The numbered built-in messages of the duty dialogs, in code page 936.
// Every use looks its text up by number in the translation table, with the
// entry here as the default.
#pragma once

#include <array>
#include <string>

namespace qx {

inline constexpr int kDutyMessageCount = 10;

// Message numbers; also the texts' keys in the translation table.
enum DutyMessage : int {
    msgError = 0,              // title of the error dialog
    msgOnDutyTitle = 1,        // duty dialog title, clock-in
    msgOffDutyTitle = 2,       // duty dialog title, clock-out
    msgNoBusinessDate = 3,     // the business date is not set
    msgInputRejected = 4,      // result label of every rejection
    msgUserNotFound = 5,       // no user matches the card
    msgAlreadyOnDuty = 6,      // %s: already clocked in
    msgNotOnDuty = 7,          // %s: not clocked in
    msgStored = 8,             // result label after a write
    msgAlreadyOffDuty = 9,     // %s: already clocked out
};

extern const std::array<std::string, kDutyMessageCount> DutyMessages;

}  // namespace qx
