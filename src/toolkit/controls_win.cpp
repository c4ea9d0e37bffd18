#include "toolkit/controls_win.h"

#include <cstring>

#include "common/error.h"
#include "toolkit/graphics_win.h"

namespace qx {

namespace {

UINT alignmentFlag(TAlignment a) {
    switch (a) {
    case TAlignment::taCenter:
        return DT_CENTER;
    case TAlignment::taRightJustify:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

unsigned shiftState() {
    unsigned s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    return s;
}

}  // namespace

// ------------------------------------------------------------------ TPanel

TPanel::TPanel(TWindow* parent, int left, int top, int width, int height)
    : TGraphicControl(parent, false) {
    setParentColor(false);
    CreateParams p;
    p.className = "QxPanel";
    p.style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.exStyle = WS_EX_CONTROLPARENT;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    createWindow(p);
}

void TPanel::setBorderSingle(bool single) {
    LONG ex = GetWindowLongA(handle(), GWL_EXSTYLE);
    LONG wanted = single ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE);
    if (wanted == ex) return;
    SetWindowLongA(handle(), GWL_EXSTYLE, wanted);
    SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    invalidate();
}

void TPanel::setBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    invalidate();
}

void TPanel::setBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    invalidate();
}

Property TPanel::property(std::string_view name) {
    if (sameName(name, "caption")) return captionProperty(*this);
    return TControl::property(name);
}

void TPanel::setCaption(const std::string& caption) {
    caption_ = caption;
    setText(caption);
    invalidate();
}

void TPanel::setAlignment(TAlignment alignment) {
    alignment_ = alignment;
    invalidate();
}

void TPanel::paint(HDC dc) {
    TRect r = clientRect();
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        const bool raised = cut == TBevelCut::bvRaised;
        frame3D(dc, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight);
    };
    bevel(bevelOuter_);
    bevel(bevelInner_);
    fillRect(dc, r, color());
    if (caption_.empty()) return;
    SelectGuard font(dc, fontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorToRGB(TControl::font().color));
    RECT rc = toRECT(r);
    std::string text = caption_;
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &rc,
              DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | alignmentFlag(alignment_));
}

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TWindow* parent, int left, int top) : TGraphicControl(parent) {
    CreateParams p;
    p.className = "QxLabel";
    p.style = WS_VISIBLE;
    p.left = left;
    p.top = top;
    p.width = 65;
    p.height = 17;
    createWindow(p);
    adjustBounds();
}

unsigned TLabel::textFlags() const {
    return DT_EXPANDTABS | alignmentFlag(alignment_) | (showAccelChar_ ? 0 : DT_NOPREFIX);
}

Property TLabel::property(std::string_view name) {
    if (sameName(name, "caption")) return captionProperty(*this);
    return TControl::property(name);
}

void TLabel::setCaption(const std::string& caption) {
    caption_ = caption;
    setText(caption);
    adjustBounds();
    invalidate();
}

void TLabel::setAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    adjustBounds();
    invalidate();
}

void TLabel::setAlignment(TAlignment alignment) {
    alignment_ = alignment;
    invalidate();
}

void TLabel::setShowAccelChar(bool show) {
    showAccelChar_ = show;
    adjustBounds();
    invalidate();
}

void TLabel::fontChanged() {
    adjustBounds();
    TControl::fontChanged();
}

// An empty caption is measured as one space, so that the label keeps the
// height of a line.
void TLabel::adjustBounds() {
    if (!autoSize_ || !handle()) return;
    unique_window_dc screen = getWindowDC(nullptr);
    SelectGuard font(screen.get(), fontHandle());
    std::string text = caption_.empty() ? std::string(" ") : caption_;
    RECT r{0, 0, 0, 0};
    DrawTextA(screen.get(), text.data(), static_cast<int>(text.size()), &r, (textFlags() & ~DT_CENTER & ~DT_RIGHT) | DT_CALCRECT);
    TRect b = bounds();
    int left = b.left;
    if (alignment_ == TAlignment::taRightJustify) left += b.width() - r.right;
    setBounds(left, b.top, r.right, r.bottom);
}

void TLabel::paint(HDC dc) {
    TRect r = clientRect();
    fillRect(dc, r, color());
    SelectGuard font(dc, fontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorToRGB(TControl::font().color));
    RECT rc = toRECT(r);
    std::string text = caption_;
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &rc, textFlags());
}

// ------------------------------------------------------------- EditColours

LRESULT EditColours::apply(HDC dc, TColor text, TColor background) {
    SetTextColor(dc, colorToRGB(text));
    SetBkColor(dc, colorToRGB(background));
    if (!brush_ || brushColour_ != background || isSystemColor(background)) {
        brush_ = createSolidBrush(colorToRGB(background));
        brushColour_ = background;
    }
    return reinterpret_cast<LRESULT>(brush_.get());
}

// ------------------------------------------------------------------- TEdit

TEdit::TEdit(TWindow* parent, int left, int top, int width, int height) : TControl(parent) {
    setParentColor(false);
    setColor(clWindow);
    CreateParams p;
    p.className = "EDIT";
    p.style = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    p.exStyle = WS_EX_CLIENTEDGE;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    createSubclassedWindow(p);
    perform(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle()), FALSE);
}

Property TEdit::property(std::string_view name) {
    if (sameName(name, "text"))
        return Property::text([this] { return text(); }, [this](const std::string& s) { setText(s); });
    return TControl::property(name);
}

void TEdit::setPasswordChar(char ch) {
    perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch));
    invalidate();
}

char TEdit::passwordChar() const {
    return static_cast<char>(SendMessageA(handle(), EM_GETPASSWORDCHAR, 0, 0));
}

void TEdit::fontChanged() {
    if (handle()) perform(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle()), TRUE);
    TControl::fontChanged();
}

LRESULT TEdit::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN:
        if (onKeyDown) {
            WORD key = static_cast<WORD>(wp);
            onKeyDown(key, shiftState());
            if (key == 0) return 0;
            wp = key;
        }
        break;
    case WM_CHAR:
        if (onKeyPress) {
            char ch = static_cast<char>(wp);
            onKeyPress(ch);
            if (ch == 0) return 0;
            wp = static_cast<unsigned char>(ch);
        }
        break;
    case WM_CONTEXTMENU:
        if (onContextPopup) {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (pt.x != -1 || pt.y != -1) ScreenToClient(handle(), &pt);
            bool handled = false;
            onContextPopup({pt.x, pt.y}, handled);
            if (handled) return 0;
        }
        break;
    default:
        break;
    }
    return TControl::handleMessage(msg, wp, lp);
}

std::optional<LRESULT> TEdit::handleParentNotification(UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC)
        return colours_.apply(reinterpret_cast<HDC>(wp), font().color, color());
    return std::nullopt;
}

// ------------------------------------------------------------------- TMemo

TMemo::TMemo(TWindow* parent, int left, int top, int width, int height, TAlignment alignment, bool readOnly)
    : TControl(parent) {
    setParentColor(false);
    setColor(clWindow);
    CreateParams p;
    p.className = "EDIT";
    p.style = WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | (readOnly ? ES_READONLY : 0);
    if (alignment == TAlignment::taCenter) p.style |= ES_CENTER;
    if (alignment == TAlignment::taRightJustify) p.style |= ES_RIGHT;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    createSubclassedWindow(p);
    perform(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle()), FALSE);
}

Property TMemo::property(std::string_view name) {
    if (sameName(name, "lines")) return Property::object(&lines_);
    return TControl::property(name);
}

std::vector<std::string> TMemo::lines() const {
    std::vector<std::string> out;
    const std::string all = text();
    if (all.empty()) return out;
    size_t start = 0;
    for (;;) {
        size_t pos = all.find("\r\n", start);
        if (pos == std::string::npos) {
            out.push_back(all.substr(start));
            return out;
        }
        out.push_back(all.substr(start, pos - start));
        start = pos + 2;
    }
}

void TMemo::setLines(const std::vector<std::string>& lines) {
    std::string all;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) all += "\r\n";
        all += lines[i];
    }
    setText(all);
}

void TMemo::addLine(const std::string& line) {
    auto all = lines();
    all.push_back(line);
    setLines(all);
}

void TMemo::clear() { setText(""); }

void TMemo::fontChanged() {
    if (handle()) perform(WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle()), TRUE);
    TControl::fontChanged();
}

// A read-only edit asks with WM_CTLCOLORSTATIC, an editable one with
// WM_CTLCOLOREDIT; both get the memo's colours.
std::optional<LRESULT> TMemo::handleParentNotification(UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC)
        return colours_.apply(reinterpret_cast<HDC>(wp), font().color, color());
    return std::nullopt;
}

// ------------------------------------------------------------------ TTimer

namespace {
TTimer::SetTimerFunction& setTimerFunction() {
    static TTimer::SetTimerFunction f = &SetTimer;
    return f;
}
constexpr UINT_PTR kTimerId = 1;
}  // namespace

void TTimer::setSetTimerFunction(SetTimerFunction f) { setTimerFunction() = f ? f : &SetTimer; }

TTimer::TTimer(TComponent* owner) : TWindow(nullptr, owner) {
    CreateParams p;
    p.className = "QxTimer";
    p.parentWindow = HWND_MESSAGE;
    createWindow(p);
}

TTimer::~TTimer() {
    if (running_ && handle()) KillTimer(handle(), kTimerId);
}

void TTimer::setEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    update();
}

void TTimer::setInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    update();
}

void TTimer::update() {
    if (running_) {
        KillTimer(handle(), kTimerId);
        running_ = false;
    }
    if (enabled_ && interval_ > 0) {
        if (setTimerFunction()(handle(), kTimerId, interval_, nullptr) == 0) {
            enabled_ = false;
            throw Error("Not enough timers available");
        }
        running_ = true;
    }
}

LRESULT TTimer::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kTimerId) {
        if (enabled_ && onTimer) onTimer();
        return 0;
    }
    return TWindow::handleMessage(msg, wp, lp);
}

// ------------------------------------------------------------------ TImage

TImage::TImage(TWindow* parent, int left, int top, int width, int height) : TGraphicControl(parent) {
    CreateParams p;
    p.className = "QxImage";
    p.style = WS_VISIBLE;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    createWindow(p);
}

namespace {

// Bytes of the colour table and pixel rows a DIB header announces.
bool dibSizes(const BITMAPINFOHEADER& h, size_t& colourBytes, size_t& pixelBytes) {
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return false;
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
    const unsigned bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    size_t colours = bpp <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << bpp)) : h.biClrUsed;
    if (colours > 256) return false;
    colourBytes = colours * sizeof(RGBQUAD);
    if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER)) colourBytes += 12;
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    const long long stride = ((static_cast<long long>(h.biWidth) * bpp + 31) / 32) * 4;
    if (height > 32768 || h.biWidth > 32768) return false;
    pixelBytes = static_cast<size_t>(stride * height);
    return true;
}

}  // namespace

void TImage::loadFromBmpFile(std::span<const unsigned char> bytes) {
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    if (bytes.size() < sizeof fh + sizeof ih) throw Error("Bitmap image is not valid");
    std::memcpy(&fh, bytes.data(), sizeof fh);
    std::memcpy(&ih, bytes.data() + sizeof fh, sizeof ih);
    size_t colourBytes = 0, pixelBytes = 0;
    if (fh.bfType != 0x4D42 || !dibSizes(ih, colourBytes, pixelBytes) ||
        sizeof fh + ih.biSize + colourBytes > bytes.size() || fh.bfOffBits > bytes.size() ||
        bytes.size() - fh.bfOffBits < pixelBytes)
        throw Error("Bitmap image is not valid");
    // The header and colour table are copied so that they are aligned.
    std::vector<unsigned char> info(bytes.begin() + sizeof fh, bytes.begin() + sizeof fh + ih.biSize + colourBytes);
    loadFromDib(reinterpret_cast<const BITMAPINFO*>(info.data()), bytes.data() + fh.bfOffBits);
}

void TImage::loadFromResource(HINSTANCE module, const char* name) {
    HRSRC res = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const auto* p = data ? static_cast<const unsigned char*>(LockResource(data)) : nullptr;
    const size_t size = res ? SizeofResource(module, res) : 0;
    BITMAPINFOHEADER ih{};
    size_t colourBytes = 0, pixelBytes = 0;
    if (!p || size < sizeof ih) throw Error(std::string("Bitmap resource not found: ") + name);
    std::memcpy(&ih, p, sizeof ih);
    if (!dibSizes(ih, colourBytes, pixelBytes) || ih.biSize + colourBytes + pixelBytes > size)
        throw Error("Bitmap image is not valid");
    loadFromDib(reinterpret_cast<const BITMAPINFO*>(p), p + ih.biSize + colourBytes);
}

// The picture is kept as a 32-bit top-down DIB, whatever the source format.
void TImage::loadFromDib(const BITMAPINFO* info, const void* bits) {
    const int w = info->bmiHeader.biWidth;
    const int h = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    unique_bitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap) throw Error("Cannot create bitmap");
    unique_memory_dc mem = createMemoryDC(nullptr);
    {
        SelectGuard sel(mem.get(), bitmap.get());
        SetDIBitsToDevice(mem.get(), 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                          static_cast<UINT>(h), bits, info, DIB_RGB_COLORS);
    }
    bitmap_ = std::move(bitmap);
    size_ = {w, h};
    TRect b = bounds();
    setBounds(b.left, b.top, w, h);
    invalidate();
}

void TImage::setTransparent(bool transparent) {
    transparent_ = transparent;
    invalidate();
}

void TImage::paint(HDC dc) {
    fillRect(dc, clientRect(), color());
    if (!bitmap_) return;
    unique_memory_dc mem = createMemoryDC(dc);
    SelectGuard sel(mem.get(), bitmap_.get());
    if (transparent_) {
        const COLORREF key = GetPixel(mem.get(), 0, size_.cy - 1);
        TransparentBlt(dc, 0, 0, size_.cx, size_.cy, mem.get(), 0, 0, size_.cx, size_.cy, key);
    } else {
        BitBlt(dc, 0, 0, size_.cx, size_.cy, mem.get(), 0, 0, SRCCOPY);
    }
}

}  // namespace qx
