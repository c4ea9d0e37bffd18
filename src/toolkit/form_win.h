// A borderless top-level form, shown modally in the middle of the screen.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "toolkit/window_win.h"

namespace qx {

inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class TForm : public TControl {
public:
    // A hidden top-level window without border or title bar.
    explicit TForm(const std::string& caption = "Dialog");
    ~TForm() override;

    const ClassInfo& classInfo() const override { return classes::TForm; }
    // Answers "caption" (the window text).
    Property property(std::string_view name) override;

    // Runs the creation hook once the form's layout is built; createForm
    // calls it. Later calls do nothing.
    void afterConstruction();

    void setClientSize(int width, int height);

    // Shows the form centred on the screen and runs a local message loop
    // until the modal result becomes non-zero; the thread's other top-level
    // windows are disabled meanwhile. Hides the form and returns the result.
    int showModal();
    bool modal() const { return modal_; }
    int modalResult() const { return modalResult_; }
    // A non-zero value ends the modal loop (a button's modal result).
    void setModalResult(int result);

    // The control to focus when the form is activated.
    void setActiveControl(TWindow* control);

    // Runs just before the form becomes visible.
    std::function<void()> onShow;
    // The form's creation event: runs once, after its layout is built.
    std::function<void()> onCreate;

protected:
    // The creation hook; fires onCreate.
    virtual void DoCreate();
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool preTranslate(const MSG& msg);
    bool offerDialogKey(UINT virtualKey);
    bool offerDialogChar(char ch, bool alt);

    bool created_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
    HWND activeControl_ = nullptr;
};

// Makes a form and runs its creation hook, which must wait until the
// constructors of the form's own class have built its controls.
template <class F, class... Args>
std::unique_ptr<F> createForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    form->afterConstruction();
    return form;
}

}  // namespace qx
