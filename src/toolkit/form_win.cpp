#include "toolkit/form_win.h"

#include <vector>

#include "common/error.h"
#include "toolkit/graphics_win.h"

namespace qx {

namespace {

// The top-level windows of this thread that a modal form disables, and
// enables again when it goes (also when the loop ends by an error).
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) : except_(except) {
        EnumThreadWindows(GetCurrentThreadId(), &DisabledWindows::collect, reinterpret_cast<LPARAM>(this));
        for (HWND w : windows_) EnableWindow(w, FALSE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;
    ~DisabledWindows() { enable(); }
    void enable() {
        for (HWND w : windows_)
            if (IsWindow(w)) EnableWindow(w, TRUE);
        windows_.clear();
    }

private:
    static BOOL CALLBACK collect(HWND w, LPARAM lp) {
        auto* self = reinterpret_cast<DisabledWindows*>(lp);
        if (w != self->except_ && IsWindowVisible(w) && IsWindowEnabled(w)) self->windows_.push_back(w);
        return TRUE;
    }
    HWND except_;
    std::vector<HWND> windows_;
};

BOOL CALLBACK collectObject(HWND w, LPARAM lp) {
    if (TWindow* obj = TWindow::fromHandle(w)) reinterpret_cast<std::vector<TWindow*>*>(lp)->push_back(obj);
    return TRUE;
}

std::vector<TWindow*> descendants(HWND root) {
    std::vector<TWindow*> out;
    EnumChildWindows(root, &collectObject, reinterpret_cast<LPARAM>(&out));
    return out;
}

}  // namespace

TForm::TForm(const std::string& caption) : TControl(nullptr) {
    setParentColor(false);
    setParentFont(false);
    CreateParams p;
    p.className = "QxForm";
    p.text = caption;
    p.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.exStyle = WS_EX_CONTROLPARENT;
    createWindow(p);
}

TForm::~TForm() = default;

Property TForm::property(std::string_view name) {
    if (sameName(name, "caption"))
        return Property::text([this] { return text(); }, [this](const std::string& s) { setText(s); });
    return TControl::property(name);
}

void TForm::afterConstruction() {
    if (created_) return;
    created_ = true;
    DoCreate();
}

void TForm::DoCreate() {
    if (onCreate) onCreate();
}

void TForm::setClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(handle(), GWL_EXSTYLE)));
    SetWindowPos(handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::setModalResult(int result) {
    modalResult_ = result;
    // Wakes the loop when the result was set from outside a message.
    if (result != mrNone && modal_) PostMessageA(handle(), WM_NULL, 0, 0);
}

void TForm::setActiveControl(TWindow* control) {
    activeControl_ = control ? control->handle() : nullptr;
    if (control && visible() && GetActiveWindow() == handle()) SetFocus(activeControl_);
}

int TForm::showModal() {
    if (visible() || modal_) throw Error("Cannot make a visible window modal");
    TRect b = bounds();
    setBounds((GetSystemMetrics(SM_CXSCREEN) - b.width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - b.height()) / 2,
              b.width(), b.height());

    HWND previousActive = GetActiveWindow();
    DisabledWindows disabled(handle());
    modalResult_ = mrNone;
    modal_ = true;
    struct ModalFlag {
        bool& flag;
        ~ModalFlag() { flag = false; }
    } modalFlag{modal_};

    if (onShow) onShow();
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
    SetActiveWindow(handle());
    if (activeControl_ && IsWindow(activeControl_) && IsChild(handle(), activeControl_)) SetFocus(activeControl_);

    while (modalResult_ == mrNone) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) throw Error("Cannot read the message queue");
        if (got == 0) {
            // WM_QUIT belongs to the outer loop: leave and pass it on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            modalResult_ = mrCancel;
            break;
        }
        if (!preTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    int result = modalResult_;
    // Enabled again before the form hides, so that the activation goes back
    // to the window that had it.
    disabled.enable();
    SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
    return result;
}

bool TForm::preTranslate(const MSG& msg) {
    if (msg.hwnd != handle() && !IsChild(handle(), msg.hwnd)) return false;
    auto dlgCode = [&] { return SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)); };
    if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
        case VK_TAB:
            if (dlgCode() & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
            if (HWND next = GetNextDlgTabItem(handle(), GetFocus(), GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
            return true;
        case VK_RETURN:
        case VK_ESCAPE:
            if (dlgCode() & DLGC_WANTALLKEYS) return false;
            return offerDialogKey(static_cast<UINT>(msg.wParam));
        default:
            return false;
        }
    }
    if (msg.message == WM_SYSCHAR) return offerDialogChar(static_cast<char>(msg.wParam), true);
    if (msg.message == WM_CHAR && msg.wParam >= 32) {
        if (msg.hwnd != handle() && (dlgCode() & DLGC_WANTCHARS)) return false;
        return offerDialogChar(static_cast<char>(msg.wParam), false);
    }
    return false;
}

bool TForm::offerDialogKey(UINT virtualKey) {
    for (TWindow* w : descendants(handle()))
        if (w->dialogKey(virtualKey)) return true;
    return false;
}

bool TForm::offerDialogChar(char ch, bool alt) {
    for (TWindow* w : descendants(handle()))
        if (w->dialogChar(ch, alt)) return true;
    return false;
}

LRESULT TForm::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        fillRect(reinterpret_cast<HDC>(wp), clientRect(), color());
        return 1;
    case WM_CLOSE:
        // A close request from the platform ends a modal loop with cancel.
        if (modal_) setModalResult(mrCancel);
        else setVisible(false);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(handle(), focus)) activeControl_ = focus;
        } else if (activeControl_ && IsWindow(activeControl_) && IsChild(handle(), activeControl_) &&
                   IsWindowVisible(activeControl_) && IsWindowEnabled(activeControl_)) {
            SetFocus(activeControl_);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (activeControl_ && IsWindow(activeControl_) && IsChild(handle(), activeControl_)) {
            SetFocus(activeControl_);
            return 0;
        }
        break;
    default:
        break;
    }
    return TControl::handleMessage(msg, wp, lp);
}

}  // namespace qx
