// The real stages of a clock-in or clock-out call: the library's caption
// registry, translation table, database module and dialogs.
#pragma once

#include "entry/duty_call.h"

namespace qx {

class LibraryStages final : public DutyCallStages {
public:
    void registerCaptionInfos() override;
    void openLanguageTable() override;
    void seedNumberedStrings() override;
    void openDutyModule() override;
    void connectDatabase(const std::string& dataSourceName) override;
    void showDutyDialog(bool onDuty) override;
    void closeDutyModule() override;
    void freeCaptionRegistry() override;
    void releaseLanguageTable() override;
    void showError(const std::string& text, const std::string& title) override;
    std::string errorTitle() override;
};

}  // namespace qx
