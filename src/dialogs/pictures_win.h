// The dialogs' pictures, bitmap resources of the module that holds this
// code (linked in through the qx_pictures target).
#pragma once

#include "toolkit/handles_win.h"

namespace qx {

inline constexpr const char* kKeysPicture = "QXKEYS";    // 32 x 32, 16 colours, purple surround
inline constexpr const char* kCrossPicture = "QXCROSS";  // 32 x 32, white cross on red
inline constexpr const char* kTickPicture = "QXTICK";    // 32 x 32, white tick on green

// The named bitmap resource of moduleInstance(); throws qx::Error when the
// module has no such picture.
unique_bitmap LoadPicture(const char* name);

}  // namespace qx
