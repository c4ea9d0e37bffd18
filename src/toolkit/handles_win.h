// Owned Win32 handles. Every window, device context and GDI object the
// library makes is held by one of these types; nothing else releases them.
// Each kind keeps a count of the handles alive, which tests use to show that
// a run leaks nothing (GetGuiResources cannot tell under Wine).
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

namespace qx {

enum class HandleKind { Window, WindowDC, PaintDC, MemoryDC, Font, Brush, Pen, Region, Bitmap, Count };

namespace detail {
extern std::atomic<long> liveHandleCounts[static_cast<int>(HandleKind::Count)];
inline void countAcquired(HandleKind k) { ++liveHandleCounts[static_cast<int>(k)]; }
inline void countReleased(HandleKind k) { --liveHandleCounts[static_cast<int>(k)]; }
}  // namespace detail

// Number of handles of that kind currently owned by a unique_handle.
long liveHandles(HandleKind kind);
// Sum over all kinds.
long liveHandlesTotal();

// A move-only owner of one handle. The deleter has a static `kind` and a
// call operator that frees the handle; it may carry state (the window of a
// window DC, the PAINTSTRUCT of a paint DC).
template <class Handle, class Deleter>
class unique_handle {
public:
    unique_handle() = default;
    explicit unique_handle(Handle h, Deleter d = Deleter{}) : h_(h), d_(std::move(d)) {
        if (h_) detail::countAcquired(Deleter::kind);
    }
    unique_handle(unique_handle&& o) noexcept : h_(std::exchange(o.h_, Handle{})), d_(std::move(o.d_)) {}
    unique_handle& operator=(unique_handle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Handle{});
            d_ = std::move(o.d_);
        }
        return *this;
    }
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    ~unique_handle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    const Deleter& get_deleter() const { return d_; }
    Deleter& get_deleter() { return d_; }

    // Frees the handle held so far and takes h.
    void reset(Handle h = Handle{}, Deleter d = Deleter{}) {
        if (h_) {
            d_(h_);
            detail::countReleased(Deleter::kind);
        }
        h_ = h;
        d_ = std::move(d);
        if (h_) detail::countAcquired(Deleter::kind);
    }
    // Gives up ownership without freeing (for a handle the platform now owns,
    // such as a region passed to SetWindowRgn).
    [[nodiscard]] Handle release() {
        if (h_) detail::countReleased(Deleter::kind);
        return std::exchange(h_, Handle{});
    }

private:
    Handle h_{};
    Deleter d_{};
};

struct WindowDeleter {
    static constexpr HandleKind kind = HandleKind::Window;
    void operator()(HWND h) const { DestroyWindow(h); }
};
struct WindowDCDeleter {
    static constexpr HandleKind kind = HandleKind::WindowDC;
    HWND window = nullptr;  // nullptr: the screen
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct PaintDCDeleter {
    static constexpr HandleKind kind = HandleKind::PaintDC;
    HWND window = nullptr;
    PAINTSTRUCT ps{};
    void operator()(HDC) const { EndPaint(window, &ps); }
};
struct MemoryDCDeleter {
    static constexpr HandleKind kind = HandleKind::MemoryDC;
    void operator()(HDC dc) const { DeleteDC(dc); }
};
template <class H, HandleKind K>
struct GdiObjectDeleter {
    static constexpr HandleKind kind = K;
    void operator()(H h) const { DeleteObject(h); }
};

using unique_window = unique_handle<HWND, WindowDeleter>;
using unique_window_dc = unique_handle<HDC, WindowDCDeleter>;
using unique_paint_dc = unique_handle<HDC, PaintDCDeleter>;
using unique_memory_dc = unique_handle<HDC, MemoryDCDeleter>;
using unique_font = unique_handle<HFONT, GdiObjectDeleter<HFONT, HandleKind::Font>>;
using unique_brush = unique_handle<HBRUSH, GdiObjectDeleter<HBRUSH, HandleKind::Brush>>;
using unique_pen = unique_handle<HPEN, GdiObjectDeleter<HPEN, HandleKind::Pen>>;
using unique_region = unique_handle<HRGN, GdiObjectDeleter<HRGN, HandleKind::Region>>;
using unique_bitmap = unique_handle<HBITMAP, GdiObjectDeleter<HBITMAP, HandleKind::Bitmap>>;

// The device context of a window's client area (nullptr: the screen).
unique_window_dc getWindowDC(HWND window);
// BeginPaint / EndPaint; the PAINTSTRUCT stays reachable through paintStruct().
unique_paint_dc beginPaint(HWND window);
inline const PAINTSTRUCT& paintStruct(const unique_paint_dc& dc) { return dc.get_deleter().ps; }
// A memory DC compatible with dc (nullptr: the screen).
unique_memory_dc createMemoryDC(HDC dc);
unique_font createFont(const LOGFONTA& lf);
unique_brush createSolidBrush(COLORREF colour);
unique_pen createPen(int style, int width, COLORREF colour);
unique_bitmap createCompatibleBitmap(HDC dc, int width, int height);

// Selects an object into a DC and puts the previous one back when it goes.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    SelectGuard(SelectGuard&& o) noexcept
        : dc_(std::exchange(o.dc_, nullptr)), previous_(std::exchange(o.previous_, nullptr)) {}
    ~SelectGuard() {
        if (dc_ && previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace qx
