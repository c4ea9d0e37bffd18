#include "dialogs/pictures_win.h"

#include <string>

#include "common/error.h"
#include "toolkit/window_win.h"

namespace qx {

unique_bitmap LoadPicture(const char* name) {
    // A DIB section keeps the picture's own pixels, whatever the display's
    // format.
    HANDLE image = LoadImageA(moduleInstance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!image) throw Error(std::string("Bitmap resource not found: ") + name);
    return unique_bitmap(static_cast<HBITMAP>(image));
}

}  // namespace qx
