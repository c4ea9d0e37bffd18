// The library's four exports. Each is a border: nothing thrown inside ever
// reaches the host.
#include <windows.h>

#include "entry/duty_call.h"
#include "entry/library_stages.h"
#include "localisation/language_table.h"

extern "C" {

void __stdcall SetLanguageID(int id) {
    qx::SetLanguageID(id);  // ignores values outside 0..3, cannot fail
}

void __stdcall EmpOnDuty(const char* dataSourceName) {
    qx::LibraryStages stages;
    qx::RunDutyCall(stages, dataSourceName, true);
}

void __stdcall EmpOffDuty(const char* dataSourceName) {
    qx::LibraryStages stages;
    qx::RunDutyCall(stages, dataSourceName, false);
}

int __stdcall EmpTest() {
    // Owned by no window and modal to the calling thread's windows.
    return MessageBoxA(nullptr, "ok", "ok", MB_OK | MB_TASKMODAL);
}

}  // extern "C"
