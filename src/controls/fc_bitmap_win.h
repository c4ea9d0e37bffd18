// The button's off-screen image: a 24-bit picture with its own drawing
// surface and direct access to its pixels.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <optional>

#include "controls/fc_bitmap.h"
#include "toolkit/handles_win.h"

namespace qx {

class TfcBitmap {
public:
    TfcBitmap();
    TfcBitmap(const TfcBitmap&) = delete;
    TfcBitmap& operator=(const TfcBitmap&) = delete;
    ~TfcBitmap();

    // A new size gives white pixels. Width or height 0 or less empties it.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }

    // The drawing surface; valid while the image lives.
    HDC dc() const { return dc_.get(); }

    // Pixel x, y as a colour value 0x00BBGGRR. Flushes pending drawing.
    std::uint32_t pixel(int x, int y) const;
    // The whole picture, rows from the top.
    TfcPixels pixels() const;

    // Copies the image to dc at x, y, pixel for pixel.
    void copyTo(HDC dc, int x, int y) const;

private:
    unique_memory_dc dc_;
    unique_bitmap bitmap_;
    std::optional<SelectGuard> selected_;
    std::uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};

// An image list, destroyed with its owner. Counted with the bitmaps: it is
// one more picture the paint made.
struct ImageListDeleter {
    static constexpr HandleKind kind = HandleKind::Bitmap;
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using unique_image_list = unique_handle<HIMAGELIST, ImageListDeleter>;
unique_image_list createImageList(int width, int height, UINT flags, int initial, int grow);

// A 32-bit top-down DIB section holding the given pixels (0x00BBGGRR).
unique_bitmap createBitmapFromPixels(const TfcPixels& pixels);
// The pixels of a bitmap, rows from the top, as colour values 0x00BBGGRR.
TfcPixels pixelsOfBitmap(HBITMAP bitmap);

}  // namespace qx
