#include "entry/duty_call.h"

#include <exception>
#include <optional>

#include "common/error.h"

namespace qx {

namespace {

// Runs the cleanup. An error inside it ends the cleanup at that point and
// is the one reported in place of any earlier one.
void cleanup(DutyCallStages& stages) {
    stages.closeDutyModule();
    stages.freeCaptionRegistry();
    stages.releaseLanguageTable();
}

void report(DutyCallStages& stages, const std::string& text) noexcept {
    try {
        stages.showError(text, stages.errorTitle());
    } catch (...) {
        // Nothing is left to show the failure of the error box itself with.
    }
}

}  // namespace

void RunDutyCall(DutyCallStages& stages, const char* dataSourceName, bool onDuty) noexcept {
    std::optional<std::string> error;
    try {
        stages.registerCaptionInfos();
        stages.openLanguageTable();
        stages.seedNumberedStrings();
        stages.openDutyModule();
    } catch (const Error& e) {
        // Not armed yet: registry and table stay as they are, so the error
        // is shown translated; the next call re-uses them.
        report(stages, e.what());
        return;
    } catch (...) {
        return;
    }

    try {
        stages.connectDatabase(dataSourceName ? dataSourceName : "");
        stages.showDutyDialog(onDuty);
    } catch (const Error& e) {
        error = e.what();
    } catch (...) {
        // A foreign exception is not reported, but the cleanup still runs.
    }

    try {
        cleanup(stages);
    } catch (const Error& e) {
        error = e.what();
    } catch (...) {
    }

    if (error) report(stages, *error);
}

}  // namespace qx
