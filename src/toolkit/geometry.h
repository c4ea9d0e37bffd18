// Plain rectangles and sizes in pixels, shared by the portable layout code and
// the window layer. A rectangle excludes its right and bottom edges.
#pragma once

namespace qx {

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

struct TPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    TRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect boundsRect(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

}  // namespace qx
