// Helpers for tests that drive real windows under Wine: pumping messages
// until a condition holds, finding windows from a second thread, and reading
// pixels back from the screen.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qx::test {

// Dispatches this thread's messages until cond() holds; false on timeout.
inline bool pumpUntil(const std::function<bool()>& cond, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (cond()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Polls (from any thread) until cond() holds; false on timeout.
inline bool waitUntil(const std::function<bool()>& cond, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline std::string windowText(HWND w) {
    char buf[1024] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

inline std::string className(HWND w) {
    char buf[256] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

inline std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(
        parent, [](HWND w, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

// A visible top-level window of the given thread and class, or nullptr.
inline HWND findThreadWindow(DWORD threadId, const std::string& cls) {
    struct Search {
        std::string cls;
        HWND found = nullptr;
    } s{cls};
    EnumThreadWindows(
        threadId,
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (IsWindowVisible(w) && className(w) == s->cls) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The pixels of a screen rectangle, copied with BitBlt from the screen.
class ScreenCapture {
public:
    // A rectangle of the screen; with source, a rectangle of that window's
    // own pixels as its window DC holds them (left, top relative to the
    // window), whether or not the screen shows them yet.
    ScreenCapture(int left, int top, int width, int height, HWND source = nullptr)
        : left_(left), top_(top), width_(width), height_(height) {
        HDC from = source ? GetWindowDC(source) : GetDC(nullptr);
        dc_ = CreateCompatibleDC(from);
        bitmap_ = CreateCompatibleBitmap(from, width, height);
        old_ = SelectObject(dc_, bitmap_);
        BitBlt(dc_, 0, 0, width, height, from, left, top, SRCCOPY);
        ReleaseDC(source, from);
    }
    // The client area of a window.
    static ScreenCapture ofClient(HWND w) {
        RECT r;
        GetClientRect(w, &r);
        POINT p{0, 0};
        ClientToScreen(w, &p);
        return ScreenCapture(p.x, p.y, r.right, r.bottom);
    }
    // The whole window rectangle as the screen shows it.
    static ScreenCapture ofWindow(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return ScreenCapture(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    // The whole window as it has painted itself.
    static ScreenCapture ofWindowPixels(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return ScreenCapture(0, 0, r.right - r.left, r.bottom - r.top, w);
    }
    // Every pixel, 32 bits each, top row first.
    std::vector<DWORD> pixels() const {
        std::vector<DWORD> out(static_cast<size_t>(width_ > 0 ? width_ : 0) * (height_ > 0 ? height_ : 0));
        if (out.empty() || !dc_) return out;
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width_;
        ih.biHeight = -height_;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        ih.biCompression = BI_RGB;
        SelectObject(dc_, old_);  // GetDIBits wants the bitmap out of the DC
        if (GetDIBits(dc_, bitmap_, 0, height_, out.data(), reinterpret_cast<BITMAPINFO*>(&ih), DIB_RGB_COLORS) !=
            height_)
            out.clear();
        SelectObject(dc_, bitmap_);
        for (DWORD& p : out) p &= 0xFFFFFF;
        return out;
    }
    ScreenCapture(ScreenCapture&& o) noexcept
        : left_(o.left_), top_(o.top_), width_(o.width_), height_(o.height_), dc_(o.dc_), bitmap_(o.bitmap_),
          old_(o.old_) {
        o.dc_ = nullptr;
        o.bitmap_ = nullptr;
    }
    ScreenCapture(const ScreenCapture&) = delete;
    ~ScreenCapture() {
        if (!dc_) return;
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    // x, y relative to the captured rectangle.
    COLORREF pixel(int x, int y) const { return GetPixel(dc_, x, y) & 0xFFFFFF; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(COLORREF c) const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (pixel(x, y) == c) return true;
        return false;
    }

private:
    int left_, top_, width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Reads the error box that a failing handler shows, from a second thread,
// and closes it with its OK button.
struct ErrorBoxSeen {
    std::string caption, text;
    int buttons = 0;
    bool okButton = false, stopIcon = false;
};

inline ErrorBoxSeen closeErrorBox(DWORD threadId) {
    ErrorBoxSeen seen;
    HWND box = nullptr;
    waitUntil([&] { return (box = findThreadWindow(threadId, "#32770")) != nullptr; });
    if (!box) return seen;
    seen.caption = windowText(box);
    HICON stop = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
    for (HWND c : childWindows(box)) {
        std::string cls = className(c);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if (cls == "Button") {
            ++seen.buttons;
            seen.okButton = GetDlgCtrlID(c) == IDOK;
        } else if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
            seen.stopIcon = reinterpret_cast<HICON>(SendMessageA(c, STM_GETICON, 0, 0)) == stop;
        } else if (cls == "Static") {
            std::string t = windowText(c);
            if (!t.empty()) seen.text = t;
        }
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return seen;
}

// Whether the screen shows, everywhere in the top-level window w's
// rectangle, the pixels that w has painted.
inline bool screenShows(HWND w) {
    const std::vector<DWORD> painted = ScreenCapture::ofWindowPixels(w).pixels();
    return !painted.empty() && ScreenCapture::ofWindow(w).pixels() == painted;
}

// Pumps this thread's messages until the screen shows what the top-level
// window w has painted. Under Wine a window paints into memory, and the X
// display gets those pixels only when Wine pushes them there from the
// message loop: a screen read straight after painting may still see what
// was there before (on Xvfb, black).
inline bool waitUntilOnScreen(HWND w, int timeoutMs = 3000) {
    return pumpUntil([&] { return screenShows(w); }, timeoutMs);
}

// Makes the top-level window visible, paints it and its children now, and
// waits until the screen shows it; false if it never does.
inline bool showAndPaint(HWND w) {
    ShowWindow(w, SW_SHOWNA);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    return waitUntilOnScreen(w);
}

}  // namespace qx::test
