// The sequence of one clock-in or clock-out call: build the working state,
// connect, show the dialog, tear everything down again and report what went
// wrong. The stages themselves are supplied by the caller, so the order and
// the error rules can be exercised without windows or a database.
#pragma once

#include <string>

namespace qx {

class DutyCallStages {
public:
    virtual ~DutyCallStages() = default;

    // Set-up, before the cleanup is armed.
    virtual void registerCaptionInfos() = 0;
    virtual void openLanguageTable() = 0;
    virtual void seedNumberedStrings() = 0;
    virtual void openDutyModule() = 0;

    // Armed part.
    virtual void connectDatabase(const std::string& dataSourceName) = 0;
    virtual void showDutyDialog(bool onDuty) = 0;

    // Cleanup, in this order.
    virtual void closeDutyModule() = 0;
    virtual void freeCaptionRegistry() = 0;
    virtual void releaseLanguageTable() = 0;

    // Shows an error of the library's own type (title already looked up).
    virtual void showError(const std::string& text, const std::string& title) = 0;
    // The title of the error box: message 0 through the translation table.
    virtual std::string errorTitle() = 0;
};

// Runs one call. `dataSourceName` may be null (the empty text). Errors of the
// library's type are shown through the stages; any other exception still
// runs the cleanup where it is armed and is then swallowed, so nothing ever
// leaves towards the host.
void RunDutyCall(DutyCallStages& stages, const char* dataSourceName, bool onDuty) noexcept;

}  // namespace qx
