#include "toolkit/error_box_win.h"

#include <windows.h>

#include "toolkit/error_text.h"

namespace qx {

namespace {
std::string& titleStorage() {
    static std::string title;
    return title;
}
}  // namespace

std::string applicationTitle() {
    if (!titleStorage().empty()) return titleStorage();
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    auto slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

void setApplicationTitle(const std::string& title) { titleStorage() = title; }

void showErrorBox(const std::string& message) {
    const std::string text = errorBoxText(message);
    const std::string title = applicationTitle();
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

void showCurrentException() noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            showErrorBox(e.what());
        } catch (...) {
            showErrorBox("Unknown error");
        }
    } catch (...) {
        // Showing the box failed (out of memory): nothing more can be done here.
    }
}

}  // namespace qx
