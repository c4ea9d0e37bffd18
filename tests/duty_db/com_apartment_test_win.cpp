// The module's COM calls as Windows sees them: one single-threaded apartment
// per run, entered once and left once.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "duty/duty_module.h"

namespace {

// Probes the thread's apartment without changing it: a thread already in
// the single-threaded apartment refuses to join the multithreaded one.
bool inSingleThreadedApartment() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) {
        CoUninitialize();
        return false;
    }
    return hr == RPC_E_CHANGED_MODE;
}

TEST(ComApartment, ARunEntersTheApartmentOnceAndLeavesIt) {
    ASSERT_FALSE(inSingleThreadedApartment());
    qx::OpenDutyModule();
    EXPECT_TRUE(inSingleThreadedApartment());
    qx::OpenDutyModule();  // no second initialisation to undo
    qx::CloseDutyModule();
    EXPECT_FALSE(inSingleThreadedApartment());
    qx::CloseDutyModule();  // no module: COM is left alone
    EXPECT_FALSE(inSingleThreadedApartment());
}

TEST(ComApartment, CloseWithoutAModuleLeavesTheCallersComAlone) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    qx::CloseDutyModule();
    EXPECT_TRUE(inSingleThreadedApartment());
    CoUninitialize();
}

}  // namespace
