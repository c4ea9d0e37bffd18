// The window layer: one window procedure for every window of the library,
// forwarding each message to the C++ object that owns the window.
//
// Every window is also a component of the property model: a control's owner
// is the form it sits on, so a form lists its controls in the order they
// were made, and the form translation reaches their texts by name.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "localisation/property_model.h"
#include "toolkit/colour.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/handles_win.h"

namespace qx {

class TForm;

class TWindow : public TComponent {
public:
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    ~TWindow() override;

    const ClassInfo& classInfo() const override { return classes::TControl; }

    HWND handle() const { return hwnd_.get(); }
    TWindow* parent() const { return parent_; }
    HWND parentHandle() const { return parent_ ? parent_->handle() : nullptr; }
    // The object of a window of this library, or nullptr.
    static TWindow* fromHandle(HWND hwnd);
    // The form this window sits on (itself for a form), or nullptr.
    TForm* form();

    // Position and size in the parent's client coordinates (screen for a
    // top-level window).
    TRect bounds() const;
    void setBounds(int left, int top, int width, int height);
    int left() const { return bounds().left; }
    int top() const { return bounds().top; }
    int width() const { return bounds().width(); }
    int height() const { return bounds().height(); }
    TRect clientRect() const;

    bool visible() const;
    void setVisible(bool visible);
    bool enabled() const;
    void setEnabled(bool enabled);
    // Visible and enabled, and so are all parents.
    bool canFocus() const;
    bool focused() const;
    // Moves the keyboard focus here; on a form that is not shown yet the
    // control becomes the one focused when the form is activated.
    void setFocus();

    std::string text() const;
    void setText(const std::string& text);

    void invalidate(bool erase = false);
    void update();

    // Sends msg to this window (through its own procedure).
    LRESULT perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

protected:
    // Owned by the parent's form.
    explicit TWindow(TWindow* parent = nullptr);
    TWindow(TWindow* parent, TComponent* owner);

    struct CreateParams {
        const char* className = nullptr;
        std::string text;
        DWORD style = 0;
        DWORD exStyle = 0;
        int left = 0, top = 0, width = 0, height = 0;
        HWND parentWindow = nullptr;  // without a parent object (HWND_MESSAGE)
        UINT classStyle = 0;   // own classes only
        HCURSOR cursor = nullptr;  // own classes only; nullptr: the arrow
    };
    // Creates a window of a class of this library (registered on first use
    // with the shared window procedure). Children get WS_CHILD and the
    // parent's window.
    void createWindow(const CreateParams& params);
    // Creates a window of an existing class ("BUTTON", "EDIT") and routes its
    // messages through this object; defaultHandler then calls the class's
    // own procedure. Messages sent during creation go straight to the class.
    void createSubclassedWindow(const CreateParams& params);

    // Every message of the window arrives here; the default passes it on.
    virtual LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT defaultHandler(UINT msg, WPARAM wp, LPARAM lp);
    // Notifications the parent received about this window (WM_DRAWITEM,
    // WM_MEASUREITEM, WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*), handed back here
    // so that the control answers them itself. nullopt: let the parent's
    // default handling answer.
    virtual std::optional<LRESULT> handleParentNotification(UINT msg, WPARAM wp, LPARAM lp);
    // The window is gone (WM_NCDESTROY); the object stays.
    virtual void windowDestroyed() {}
    // Keys a form offers its controls before the focused control sees them:
    // Enter and Escape (unless the focused control wants them) and
    // characters not wanted by the focused control, or typed with Alt.
    // Return true to consume the key.
    virtual bool dialogKey(UINT virtualKey) { (void)virtualKey; return false; }
    virtual bool dialogChar(char ch, bool alt) { (void)ch; (void)alt; return false; }
    friend class TForm;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void attach(HWND hwnd);
    void detach();

    unique_window hwnd_;
    TWindow* parent_ = nullptr;
    WNDPROC classProc_ = nullptr;  // subclassed windows: the class's procedure
};

// The module (DLL or executable) that holds this code; window classes are
// registered for it.
HINSTANCE moduleInstance();
// Removes the window classes registered so far (all windows of them must be
// gone). Safe to call more than once.
void unregisterWindowClasses();

// A window with the settings the forms give their controls: colour and font,
// each either its own or its parent's (ParentColor / ParentFont).
class TControl : public TWindow {
public:
    TControl* parentControl() const;

    // The colour this control paints its background with.
    TColor color() const;
    void setColor(TColor colour);
    bool parentColor() const { return parentColor_; }
    void setParentColor(bool value);

    const TFont& font() const;
    void setFont(const TFont& font);
    bool parentFont() const { return parentFont_; }
    void setParentFont(bool value);
    // A GDI font for font(), made on first use and kept until the font
    // changes.
    HFONT fontHandle();

protected:
    explicit TControl(TWindow* parent = nullptr);
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // The effective colour or font changed (own or inherited).
    virtual void colorChanged();
    virtual void fontChanged();

private:
    void notifyChildren(bool colour);

    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TFont font_;
    bool parentFont_ = true;
    unique_font fontHandle_;
    TFont fontHandleFor_;
};

// A control that draws every pixel of its window itself, in paint(); the
// background is never erased first. A mouse-transparent one lets mouse input
// through to the window below, as a control without a window of its own would.
class TGraphicControl : public TControl {
protected:
    explicit TGraphicControl(TWindow* parent, bool mouseTransparent = true)
        : TControl(parent), mouseTransparent_(mouseTransparent) {}
    virtual void paint(HDC dc) = 0;
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool mouseTransparent_;
};

}  // namespace qx
