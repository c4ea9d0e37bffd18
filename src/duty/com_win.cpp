// COM for the calling thread, Windows only.
#include <windows.h>
#include <objbase.h>

namespace qx {

void platformComInitialize() {
    // The result is not examined: S_FALSE (already initialised) and a thread
    // in another apartment both leave COM usable for this run.
    (void)CoInitialize(nullptr);
}

void platformComUninitialize() { CoUninitialize(); }

}  // namespace qx
