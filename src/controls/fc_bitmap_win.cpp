#include "controls/fc_bitmap_win.h"

#include <cstring>

#include "common/error.h"

namespace qx {

namespace {

BITMAPINFO topDownInfo(int width, int height, int bits)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // rows from the top
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// DIB pixels are stored blue, green, red; colour values are red in the low byte.
std::uint32_t fromBgr(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[0]) << 16);
}

}  // namespace

TfcBitmap::TfcBitmap() : dc_(createMemoryDC(nullptr))
{
    if (!dc_)
        throw Error("Cannot create the button's drawing surface");
}

TfcBitmap::~TfcBitmap()
{
    selected_.reset();  // put the surface's own bitmap back before ours goes
}

void TfcBitmap::setSize(int width, int height)
{
    selected_.reset();
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = stride_ = 0;
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO bi = topDownInfo(width, height, 24);
    void* bits = nullptr;
    bitmap_ = unique_bitmap(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits)
        throw Error("Cannot create the button's off-screen image");
    width_ = width;
    height_ = height;
    stride_ = ((width * 3) + 3) & ~3;
    bits_ = static_cast<std::uint8_t*>(bits);
    std::memset(bits_, 0xFF, static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height));
    selected_.emplace(dc_.get(), bitmap_.get());
}

std::uint32_t TfcBitmap::pixel(int x, int y) const
{
    GdiFlush();
    return fromBgr(bits_ + y * stride_ + x * 3);
}

TfcPixels TfcBitmap::pixels() const
{
    TfcPixels out(width_, height_);
    if (empty())
        return out;
    GdiFlush();
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* row = bits_ + y * stride_;
        for (int x = 0; x < width_; ++x)
            out.at(x, y) = fromBgr(row + x * 3);
    }
    return out;
}

void TfcBitmap::copyTo(HDC dc, int x, int y) const
{
    if (!empty())
        BitBlt(dc, x, y, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

unique_image_list createImageList(int width, int height, UINT flags, int initial, int grow)
{
    return unique_image_list(ImageList_Create(width, height, flags, initial, grow));
}

unique_bitmap createBitmapFromPixels(const TfcPixels& pixels)
{
    if (pixels.empty())
        return {};
    BITMAPINFO bi = topDownInfo(pixels.width, pixels.height, 32);
    void* bits = nullptr;
    unique_bitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp || !bits)
        throw Error("Cannot create a glyph image");
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.px.size(); ++i) {
        const std::uint32_t c = pixels.px[i];
        // 0x00BBGGRR to the DIB's 0x00RRGGBB.
        out[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    return bmp;
}

TfcPixels pixelsOfBitmap(HBITMAP bitmap)
{
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return {};
    TfcPixels out(bm.bmWidth, bm.bmHeight);
    BITMAPINFO bi = topDownInfo(bm.bmWidth, bm.bmHeight, 32);
    unique_window_dc screen = getWindowDC(nullptr);
    if (!GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), out.px.data(), &bi, DIB_RGB_COLORS))
        throw Error("Cannot read a glyph image");
    for (auto& c : out.px)
        c = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    return out;
}

}  // namespace qx
