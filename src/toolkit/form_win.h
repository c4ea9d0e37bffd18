// A borderless top-level form, shown modally in the middle of the screen.
#pragma once

#include <functional>

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

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool preTranslate(const MSG& msg);
    bool offerDialogKey(UINT virtualKey);
    bool offerDialogChar(char ch, bool alt);

    bool modal_ = false;
    int modalResult_ = mrNone;
    HWND activeControl_ = nullptr;
};

}  // namespace qx
