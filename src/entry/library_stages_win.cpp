#include "entry/library_stages.h"

#include <windows.h>

#include "dialogs/message_dlg_win.h"
#include "duty/duty_messages.h"
#include "duty/duty_module.h"
#include "duty/emp_duty_dlg_win.h"
#include "localisation/caption_registry.h"
#include "localisation/language_table.h"

namespace qx {

void LibraryStages::registerCaptionInfos() { RegisterCaptionInfos(); }

void LibraryStages::openLanguageTable() { OpenLanguageTable(); }

void LibraryStages::seedNumberedStrings() { SeedNumberedStrings(DutyMessages, kDutyMessageCount - 1); }

void LibraryStages::openDutyModule() { OpenDutyModule(); }

void LibraryStages::connectDatabase(const std::string& dataSourceName) {
    dmDuty->ConnectDatabase(dataSourceName);
}

void LibraryStages::showDutyDialog(bool onDuty) { TfEmpDutyDlg::ShowDutyDialog(*dmDuty, onDuty); }

void LibraryStages::closeDutyModule() { CloseDutyModule(); }

void LibraryStages::freeCaptionRegistry() { FreeCaptionRegistry(); }

void LibraryStages::releaseLanguageTable() { ReleaseLanguageTable(); }

void LibraryStages::showError(const std::string& text, const std::string& title) {
    // Red, one button; which button closed it does not matter here.
    ShowMessageDlg(text, title, kMessageRed);
}

std::string LibraryStages::errorTitle() { return TranslateByNumber(msgError, DutyMessages[msgError]); }

}  // namespace qx
