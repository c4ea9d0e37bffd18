// Helpers for tests that drive real windows under Wine: pumping messages
// until a condition holds, finding windows from a second thread, reading
// pixels back from the screen, typing and clicking through the platform's
// input queue, and saving screenshots for a person to look at.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
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
    std::string text(static_cast<size_t>(GetWindowTextLengthA(w)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::string className(HWND w) {
    char buf[256] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

// A visible top-level form of the library ("QxForm") on the given thread
// with that client size, or nullptr; callable from any thread.
inline HWND findShownForm(DWORD threadId, int clientWidth, int clientHeight) {
    struct Search {
        int width, height;
        HWND found = nullptr;
    } search{clientWidth, clientHeight};
    EnumThreadWindows(
        threadId,
        [](HWND w, LPARAM lp) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            RECT client{};
            GetClientRect(w, &client);
            if (IsWindowVisible(w) && className(w) == "QxForm" && client.right == s->width &&
                client.bottom == s->height) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(
        parent, [](HWND w, LPARAM lp) CALLBACK -> BOOL {
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
        [](HWND w, LPARAM lp) CALLBACK -> BOOL {
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
    // Writes the pixels as a 24-bit bitmap file; false on failure.
    bool saveBmp(const std::filesystem::path& file) const {
        if (!dc_ || width_ <= 0 || height_ <= 0) return false;
        const int stride = (width_ * 3 + 3) & ~3;
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width_;
        ih.biHeight = height_;  // bottom-up rows, as the file stores them
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        ih.biCompression = BI_RGB;
        std::vector<unsigned char> bits(static_cast<size_t>(stride) * height_);
        // GetDIBits wants the bitmap out of the DC.
        SelectObject(dc_, old_);
        const int rows = GetDIBits(dc_, bitmap_, 0, height_, bits.data(), reinterpret_cast<BITMAPINFO*>(&ih),
                                   DIB_RGB_COLORS);
        SelectObject(dc_, bitmap_);
        if (rows != height_) return false;
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;  // "BM"
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = static_cast<DWORD>(fh.bfOffBits + bits.size());
        ih.biSizeImage = static_cast<DWORD>(bits.size());
        FILE* f = _wfopen(file.c_str(), L"wb");
        if (!f) return false;
        bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
                  std::fwrite(bits.data(), bits.size(), 1, f) == 1;
        ok = std::fclose(f) == 0 && ok;
        return ok;
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

// Dispatches this thread's messages for ms milliseconds.
inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

// ---------------------------------------------------------------- keyboard
//
// Keys go through SendInput into the platform's input queue and reach the
// focused window of the foreground thread, as a keyboard's or a card
// reader's keys do: key-down, character and key-up messages, shift state
// included.

// How a text is typed: the pause after each character, and whether Enter
// follows the text.
struct Typing {
    int keyDelayMs = 4;
    bool enter = true;
};

// A magnetic card reader: a character every few milliseconds, then Enter;
// a whole card arrives well within a second.
inline constexpr Typing kCardReader{4, true};

// A person typing one character every delayMs.
constexpr Typing slowTyping(int delayMs, bool enter = true) {
    return Typing{delayMs, enter};
}

// The keyboard focus of a thread's input, asked from any thread.
inline HWND focusOf(DWORD threadId) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    return GetGUIThreadInfo(threadId, &gi) ? gi.hwndFocus : nullptr;
}

// Whether keys sent now reach w: it is the focus of the foreground window's
// thread.
inline bool receivesKeys(HWND w) {
    HWND fg = GetForegroundWindow();
    return fg && w && focusOf(GetWindowThreadProcessId(fg, nullptr)) == w;
}

// Modifier bits as VkKeyScan reports them.
enum : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

// One stroke (down and up) of a virtual key with the given modifiers held.
inline bool sendKeyStroke(WORD vk, unsigned modifiers = 0) {
    std::vector<INPUT> in;
    const auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(k, MAPVK_VK_TO_VSC));
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    const WORD mods[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int b = 0; b < 3; ++b)
        if (modifiers & (1u << b)) key(mods[b], false);
    key(vk, false);
    key(vk, true);
    for (int b = 2; b >= 0; --b)
        if (modifiers & (1u << b)) key(mods[b], true);
    return SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

// The key and modifiers that type ch on the current layout; false when the
// layout has none. "\n" is Enter; control characters are Ctrl+letter.
inline bool keyForChar(char ch, WORD& vk, unsigned& modifiers) {
    if (ch == '\n' || ch == '\r') {
        vk = VK_RETURN;
        modifiers = 0;
        return true;
    }
    const SHORT k = VkKeyScanA(ch);
    if (k == -1) return false;
    vk = LOBYTE(k);
    modifiers = HIBYTE(k) & (kShift | kCtrl | kAlt);
    return true;
}

// Types text, waiting how.keyDelayMs after each character through wait
// (pumping messages on the window's own thread, sleeping on a second one),
// then Enter when asked. False when a character has no key or the input
// queue refused a stroke; nothing after it is sent.
inline bool sendText(const std::string& text, Typing how, const std::function<void(int ms)>& wait) {
    std::string all = text;
    if (how.enter) all += '\n';
    for (char ch : all) {
        WORD vk = 0;
        unsigned modifiers = 0;
        if (!keyForChar(ch, vk, modifiers) || !sendKeyStroke(vk, modifiers)) return false;
        if (how.keyDelayMs > 0) wait(how.keyDelayMs);
    }
    return true;
}

// Types on this thread, pumping its messages between the keys.
inline bool typeText(const std::string& text, Typing how = kCardReader) {
    return sendText(text, how, [](int ms) { pumpFor(ms); });
}

// Types from a second thread while this thread runs a modal loop: waits
// until ready() holds (say, receivesKeys(cardBox)), then types. The thread
// is joined by finish() or the destructor; the loop must end on its own
// (close the dialog by another helper, or check finished() in a timer).
class BackgroundTyping {
public:
    enum class Outcome { Running, Typed, NeverReady, Refused };

    BackgroundTyping(std::string text, Typing how, std::function<bool()> ready = {}, int readyTimeoutMs = 10000)
        : thread_([this, text = std::move(text), how, ready = std::move(ready), readyTimeoutMs] {
              Outcome o = Outcome::NeverReady;
              if (!ready || waitUntil(ready, readyTimeoutMs))
                  o = sendText(text, how, [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); })
                          ? Outcome::Typed
                          : Outcome::Refused;
              outcome_ = o;
          }) {}
    BackgroundTyping(const BackgroundTyping&) = delete;
    BackgroundTyping& operator=(const BackgroundTyping&) = delete;
    ~BackgroundTyping() { finish(); }

    bool finished() const { return outcome_ != Outcome::Running; }
    // Waits for the thread and tells how it went.
    Outcome finish() {
        if (thread_.joinable()) thread_.join();
        return outcome_;
    }

private:
    std::atomic<Outcome> outcome_{Outcome::Running};
    std::thread thread_;  // last: starts once the members above exist
};

// ------------------------------------------------------------------- mouse

// One mouse event through SendInput; with a screen point, moved there first.
inline bool sendMouse(DWORD flags, POINT screen = {-1, -1}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (screen.x >= 0) {
        // Absolute coordinates run from 0 to 65535 across the screen; round
        // up so that the pixel comes out exact.
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = (screen.x * 65536 + sw - 1) / sw;
        in.mi.dy = (screen.y * 65536 + sh - 1) / sh;
        in.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    return SendInput(1, &in, sizeof in) == 1;
}

// Moves the pointer to a screen point and waits until it is there.
inline bool moveMouseTo(POINT screen, int timeoutMs = 3000) {
    if (!sendMouse(0, screen)) return false;
    return waitUntil(
        [&] {
            POINT p{};
            GetCursorPos(&p);
            return p.x == screen.x && p.y == screen.y;
        },
        timeoutMs);
}

// A left click (press and release) at a screen point.
inline bool clickAt(POINT screen) {
    return moveMouseTo(screen) && sendMouse(MOUSEEVENTF_LEFTDOWN) && sendMouse(MOUSEEVENTF_LEFTUP);
}

// The centre of a window on the screen.
inline POINT centreOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A left click at the centre of a control, as a user's mouse gives it. Works
// from any thread; the click is handled when the window's thread pumps.
inline bool clickAt(HWND w) {
    return w && clickAt(centreOf(w));
}

// ------------------------------------------------------ proof of delivery

// Records the messages the windows of the creating thread get: posted ones
// (input among them) as the thread takes them off its queue, sent ones once
// their window procedure has returned. A test that some input does nothing
// shows with it first that the input arrived, then that nothing happened.
// Readable from any thread; one at a time.
class MessageWatch {
public:
    MessageWatch()
        : taking_(SetWindowsHookExA(WH_GETMESSAGE, &MessageWatch::onTaken, nullptr, GetCurrentThreadId())),
          handling_(SetWindowsHookExA(WH_CALLWNDPROCRET, &MessageWatch::onHandled, nullptr, GetCurrentThreadId())) {
        active_ = this;
    }
    ~MessageWatch() {
        active_ = nullptr;
        if (taking_) UnhookWindowsHookEx(taking_);
        if (handling_) UnhookWindowsHookEx(handling_);
    }
    MessageWatch(const MessageWatch&) = delete;
    MessageWatch& operator=(const MessageWatch&) = delete;

    bool hooked() const { return taking_ && handling_; }
    // Posted messages taken off the queue for `window` (any window of the
    // thread when nullptr); for key messages `key` restricts the count to
    // one virtual key.
    int taken(UINT message, HWND window = nullptr, WPARAM key = 0) const {
        return count(taken_, message, window, key);
    }
    // Sent messages whose window procedure has returned.
    int handled(UINT message, HWND window = nullptr) const { return count(handled_, message, window, 0); }

private:
    struct Seen {
        UINT message;
        HWND window;
        WPARAM wp;
    };
    int count(const std::vector<Seen>& seen, UINT message, HWND window, WPARAM key) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const Seen& s : seen)
            if (s.message == message && (!window || s.window == window) && (!key || s.wp == key)) ++n;
        return n;
    }
    // Called from the hooks: nothing may be thrown through the platform.
    void record(std::vector<Seen>& seen, const Seen& s) noexcept {
        try {
            std::lock_guard lock(mutex_);
            seen.push_back(s);
        } catch (...) {
            // Out of memory: the count stays short and the test fails.
        }
    }
    static LRESULT CALLBACK onTaken(int code, WPARAM removed, LPARAM lp) {
        MessageWatch* self = active_;
        if (code == HC_ACTION && removed == PM_REMOVE && self) {
            const MSG& m = *reinterpret_cast<const MSG*>(lp);
            self->record(self->taken_, {m.message, m.hwnd, m.wParam});
        }
        return CallNextHookEx(nullptr, code, removed, lp);
    }
    static LRESULT CALLBACK onHandled(int code, WPARAM wp, LPARAM lp) {
        MessageWatch* self = active_;
        if (code == HC_ACTION && self) {
            const CWPRETSTRUCT& m = *reinterpret_cast<const CWPRETSTRUCT*>(lp);
            self->record(self->handled_, {m.message, m.hwnd, m.wParam});
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    static inline std::atomic<MessageWatch*> active_{nullptr};
    HHOOK taking_;
    HHOOK handling_;
    mutable std::mutex mutex_;
    std::vector<Seen> taken_, handled_;
};

// ------------------------------------------------------------- screenshots

// Whether this program runs under Wine.
inline bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Where tests leave files for a person to look at: $QX_ARTIFACTS_DIR, else
// the artifacts folder of the build tree. A Linux path is reached under Wine
// through drive Z:.
inline std::filesystem::path artifactsDir() {
    std::string dir;
    if (const char* env = std::getenv("QX_ARTIFACTS_DIR"); env && *env)
        dir = env;
    else
#ifdef QX_BUILD_TREE
        dir = std::string(QX_BUILD_TREE) + "/artifacts";
#else
        dir = "artifacts";
#endif
    if (!dir.empty() && dir[0] == '/' && underWine()) dir = "Z:" + dir;
    return std::filesystem::path(dir);
}

// Saves what the screen shows of window w (its whole window rectangle), or
// the whole screen when w is nullptr, as name.bmp in artifactsDir(). Returns
// the file's path, or an empty path on failure.
inline std::filesystem::path saveScreenshot(const std::string& name, HWND w = nullptr) {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (w && !GetWindowRect(w, &r)) return {};
    std::string file;
    for (char c : name) file += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') ? c : '_';
    std::error_code ec;
    const std::filesystem::path dir = artifactsDir();
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path path = dir / (file + ".bmp");
    GdiFlush();
    ScreenCapture cap(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (!cap.saveBmp(path)) return {};
    return path;
}

// Saves a screenshot of the screen, named after the running test, when the
// test has failed by the time this goes out of scope.
class ScreenshotOnFailure {
public:
    ~ScreenshotOnFailure() {
        if (!::testing::Test::HasFailure()) return;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "failure";
        const auto path = saveScreenshot(name);
        if (!path.empty()) std::printf("screenshot of the failure: %s\n", path.string().c_str());
    }
};

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
