// The standard error box and the application's title it shows.
#pragma once

#include <string>

namespace qx {

// The application's title: the host executable's file name without its
// extension unless set otherwise.
std::string applicationTitle();
void setApplicationTitle(const std::string& title);

// Stop icon, one OK button, the application's title as caption and the
// message with the full-stop rule applied. Owned by the active window.
void showErrorBox(const std::string& message);

// Shows the exception being handled in the error box. Call only inside a
// catch block.
void showCurrentException() noexcept;

// Runs f; an exception it throws is shown in the error box instead of
// propagating. For window procedures, timer callbacks and the like.
template <class F>
void runGuarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        showCurrentException();
    }
}

}  // namespace qx
