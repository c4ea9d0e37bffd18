#include "toolkit/window_win.h"

#include <set>
#include <vector>

#include "common/error.h"
#include "toolkit/error_box_win.h"
#include "toolkit/form_win.h"
#include "toolkit/graphics_win.h"

namespace qx {

namespace {

// The window property that holds a window's object (for own classes and
// subclassed system classes alike, so GWLP_USERDATA stays free).
constexpr const char* kObjectProperty = "qx.window";

std::set<std::string>& registeredClasses() {
    static std::set<std::string> names;
    return names;
}

HWND notifyingChild(HWND parent, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM:
        return reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
    case WM_MEASUREITEM:
        return GetDlgItem(parent, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlID));
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        (void)wp;
        return reinterpret_cast<HWND>(lp);
    default:
        return nullptr;
    }
}

}  // namespace

HINSTANCE moduleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleInstance), &module);
    return module;
}

void unregisterWindowClasses() {
    for (const auto& name : registeredClasses()) UnregisterClassA(name.c_str(), moduleInstance());
    registeredClasses().clear();
}

TWindow::TWindow(TWindow* parent) : TWindow(parent, parent ? parent->form() : nullptr) {}

TWindow::TWindow(TWindow* parent, TComponent* owner) : TComponent(owner), parent_(parent) {}

// Teardown order: first stop dispatching to this object (its derived parts
// are already gone), then destroy the window. A subclassed window gets its
// class's own procedure back so that its last messages still have a home.
TWindow::~TWindow() {
    HWND hwnd = hwnd_.get();
    if (!hwnd) return;
    if (classProc_) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
    RemovePropA(hwnd, kObjectProperty);
    hwnd_.reset();
}

TWindow* TWindow::fromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<TWindow*>(GetPropA(hwnd, kObjectProperty));
}

TForm* TWindow::form() {
    for (TWindow* w = this; w; w = w->parent_)
        if (auto* f = dynamic_cast<TForm*>(w)) return f;
    return nullptr;
}

void TWindow::createWindow(const CreateParams& p) {
    HINSTANCE instance = moduleInstance();
    std::string name = p.className;
    if (!registeredClasses().count(name)) {
        WNDCLASSEXA existing{};
        existing.cbSize = sizeof existing;
        // A class left behind by an earlier load of this module points at a
        // procedure that is gone: register it afresh.
        if (GetClassInfoExA(instance, p.className, &existing)) UnregisterClassA(p.className, instance);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = p.classStyle;
        wc.lpfnWndProc = &TWindow::windowProc;
        wc.hInstance = instance;
        wc.hCursor = p.cursor ? p.cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = p.className;
        if (!RegisterClassExA(&wc)) throw Error("Cannot register window class " + name);
        registeredClasses().insert(name);
    }
    DWORD style = p.style | (parent_ ? WS_CHILD : 0);
    HWND hwnd = CreateWindowExA(p.exStyle, p.className, p.text.c_str(), style, p.left, p.top, p.width, p.height,
                                parent_ ? parentHandle() : p.parentWindow, nullptr, instance, this);
    if (!hwnd) throw Error("Cannot create window " + name);
}

void TWindow::createSubclassedWindow(const CreateParams& p) {
    DWORD style = p.style | (parent_ ? WS_CHILD : 0);
    HWND hwnd = CreateWindowExA(p.exStyle, p.className, p.text.c_str(), style, p.left, p.top, p.width, p.height,
                                parentHandle(), nullptr, moduleInstance(), nullptr);
    if (!hwnd) throw Error(std::string("Cannot create window ") + p.className);
    hwnd_.reset(hwnd);
    SetPropA(hwnd, kObjectProperty, this);
    classProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::windowProc)));
}

void TWindow::attach(HWND hwnd) {
    hwnd_.reset(hwnd);
    SetPropA(hwnd, kObjectProperty, this);
}

// The platform destroyed the window (its parent went, or DestroyWindow was
// called elsewhere): forget the handle without destroying it again.
void TWindow::detach() {
    HWND hwnd = hwnd_.get();
    if (classProc_) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
    RemovePropA(hwnd, kObjectProperty);
    (void)hwnd_.release();
}

LRESULT CALLBACK TWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) self->attach(hwnd);
    } else {
        self = fromHandle(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->dispatch(msg, wp, lp);
}

// No exception leaves this function: a handler's error is shown in the error
// box and the message gets the answer 0, and the window carries on.
LRESULT TWindow::dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    if (HWND childHandle = notifyingChild(hwnd_.get(), msg, wp, lp)) {
        TWindow* child = fromHandle(childHandle);
        if (child && child != this) {
            std::optional<LRESULT> answer;
            runGuarded([&] { answer = child->handleParentNotification(msg, wp, lp); });
            if (answer) return *answer;
        }
    }
    LRESULT result = 0;
    HWND hwnd = hwnd_.get();
    runGuarded([&] { result = handleMessage(msg, wp, lp); });
    if (msg == WM_NCDESTROY && hwnd_.get() == hwnd) {
        detach();
        runGuarded([&] { windowDestroyed(); });
    }
    return result;
}

LRESULT TWindow::handleMessage(UINT msg, WPARAM wp, LPARAM lp) { return defaultHandler(msg, wp, lp); }

LRESULT TWindow::defaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
    if (classProc_) return CallWindowProcA(classProc_, hwnd_.get(), msg, wp, lp);
    return DefWindowProcA(hwnd_.get(), msg, wp, lp);
}

std::optional<LRESULT> TWindow::handleParentNotification(UINT, WPARAM, LPARAM) { return std::nullopt; }

LRESULT TWindow::perform(UINT msg, WPARAM wp, LPARAM lp) { return SendMessageA(hwnd_.get(), msg, wp, lp); }

TRect TWindow::bounds() const {
    RECT r{};
    GetWindowRect(hwnd_.get(), &r);
    if (HWND p = GetParent(hwnd_.get()); p && (GetWindowLongA(hwnd_.get(), GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, p, reinterpret_cast<POINT*>(&r), 2);
    return fromRECT(r);
}

void TWindow::setBounds(int left, int top, int width, int height) {
    SetWindowPos(hwnd_.get(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect TWindow::clientRect() const {
    RECT r{};
    GetClientRect(hwnd_.get(), &r);
    return fromRECT(r);
}

bool TWindow::visible() const { return (GetWindowLongA(hwnd_.get(), GWL_STYLE) & WS_VISIBLE) != 0; }

void TWindow::setVisible(bool value) {
    if (value == visible()) return;
    ShowWindow(hwnd_.get(), value ? SW_SHOWNA : SW_HIDE);
}

bool TWindow::enabled() const { return IsWindowEnabled(hwnd_.get()) != FALSE; }

void TWindow::setEnabled(bool value) { EnableWindow(hwnd_.get(), value); }

bool TWindow::canFocus() const {
    for (const TWindow* w = this; w; w = w->parent_)
        if (!w->visible() || !w->enabled()) return false;
    return true;
}

bool TWindow::focused() const { return hwnd_.get() && GetFocus() == hwnd_.get(); }

void TWindow::setFocus() {
    TForm* f = form();
    if (f && f != this && !f->visible()) {
        f->setActiveControl(this);
        return;
    }
    SetFocus(hwnd_.get());
}

std::string TWindow::text() const {
    int n = GetWindowTextLengthA(hwnd_.get());
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(hwnd_.get(), s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void TWindow::setText(const std::string& value) { SetWindowTextA(hwnd_.get(), value.c_str()); }

void TWindow::invalidate(bool erase) { InvalidateRect(hwnd_.get(), nullptr, erase); }

void TWindow::update() { UpdateWindow(hwnd_.get()); }

// ---------------------------------------------------------------- TControl

TControl::TControl(TWindow* parent) : TWindow(parent) {}

TControl* TControl::parentControl() const { return dynamic_cast<TControl*>(parent()); }

TColor TControl::color() const {
    if (parentColor_)
        if (TControl* p = parentControl()) return p->color();
    return color_;
}

void TControl::setColor(TColor colour) {
    if (!parentColor_ && colour == color_) return;
    color_ = colour;
    parentColor_ = false;
    colorChanged();
}

void TControl::setParentColor(bool value) {
    if (value == parentColor_) return;
    if (!value) color_ = color();
    parentColor_ = value;
    colorChanged();
}

const TFont& TControl::font() const {
    if (parentFont_)
        if (TControl* p = parentControl()) return p->font();
    return font_;
}

void TControl::setFont(const TFont& value) {
    if (!parentFont_ && value == font_) return;
    font_ = value;
    parentFont_ = false;
    fontChanged();
}

void TControl::setParentFont(bool value) {
    if (value == parentFont_) return;
    if (!value) font_ = font();
    parentFont_ = value;
    fontChanged();
}

HFONT TControl::fontHandle() {
    if (!fontHandle_ || !(fontHandleFor_ == font())) {
        fontHandle_ = createFont(font());
        fontHandleFor_ = font();
    }
    return fontHandle_.get();
}

LRESULT TControl::handleMessage(UINT msg, WPARAM wp, LPARAM lp) { return TWindow::handleMessage(msg, wp, lp); }

void TControl::colorChanged() {
    if (handle()) invalidate(true);
    notifyChildren(true);
}

void TControl::fontChanged() {
    if (handle()) invalidate(true);
    notifyChildren(false);
}

void TControl::notifyChildren(bool colour) {
    if (!handle()) return;
    std::vector<TControl*> children;
    for (HWND c = GetWindow(handle(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (auto* control = dynamic_cast<TControl*>(fromHandle(c))) children.push_back(control);
    for (TControl* c : children) {
        if (colour && c->parentColor_) c->colorChanged();
        if (!colour && c->parentFont_) c->fontChanged();
    }
}

// ---------------------------------------------------------- TGraphicControl

LRESULT TGraphicControl::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCHITTEST:
        if (mouseTransparent_) return HTTRANSPARENT;
        break;
    case WM_ERASEBKGND:
        return 1;  // paint() covers every pixel
    case WM_PAINT: {
        unique_paint_dc dc = beginPaint(handle());
        paint(dc.get());
        return 0;
    }
    }
    return TControl::handleMessage(msg, wp, lp);
}

}  // namespace qx
