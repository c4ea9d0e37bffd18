#include "toolkit/handles_win.h"

#include "common/error.h"

namespace qx {

namespace detail {
std::atomic<long> liveHandleCounts[static_cast<int>(HandleKind::Count)];
}

long liveHandles(HandleKind kind) { return detail::liveHandleCounts[static_cast<int>(kind)].load(); }

long liveHandlesTotal() {
    long total = 0;
    for (auto& c : detail::liveHandleCounts) total += c.load();
    return total;
}

unique_window_dc getWindowDC(HWND window) {
    HDC dc = GetDC(window);
    if (!dc) throw Error("Cannot get a device context");
    return unique_window_dc(dc, WindowDCDeleter{window});
}

unique_paint_dc beginPaint(HWND window) {
    PaintDCDeleter d{window, {}};
    HDC dc = BeginPaint(window, &d.ps);
    // EndPaint must run even when BeginPaint hands back no DC.
    if (!dc) {
        EndPaint(window, &d.ps);
        throw Error("Cannot begin painting");
    }
    return unique_paint_dc(dc, d);
}

unique_memory_dc createMemoryDC(HDC dc) {
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) throw Error("Cannot create a memory device context");
    return unique_memory_dc(mem);
}

unique_font createFont(const LOGFONTA& lf) {
    HFONT f = CreateFontIndirectA(&lf);
    if (!f) throw Error("Cannot create font");
    return unique_font(f);
}

unique_brush createSolidBrush(COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    if (!b) throw Error("Cannot create brush");
    return unique_brush(b);
}

unique_pen createPen(int style, int width, COLORREF colour) {
    HPEN p = CreatePen(style, width, colour);
    if (!p) throw Error("Cannot create pen");
    return unique_pen(p);
}

unique_bitmap createCompatibleBitmap(HDC dc, int width, int height) {
    HBITMAP b = CreateCompatibleBitmap(dc, width, height);
    if (!b) throw Error("Cannot create bitmap");
    return unique_bitmap(b);
}

}  // namespace qx
