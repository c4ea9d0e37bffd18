// The translation table: built-in texts and up to three translations, kept in
// a file beside the host executable. Free functions over library-wide state.
#pragma once

#include <span>
#include <string>

namespace qx {

// 0: built-in texts; 1..3: the translation columns. Other values are ignored.
void SetLanguageID(int id);
int LanguageID();

void OpenLanguageTable();
void SaveLanguageTable();
void CloseLanguageTable();
void ReleaseLanguageTable();

std::string TranslateByNumber(int number, const std::string& defaultText);
std::string TranslateByKey(const std::string& key, const std::string& defaultText);
void SeedNumberedStrings(std::span<const std::string> texts, int highestIndex);

// True while rows were appended that are not yet saved.
bool LanguageTableModified();

// The table file's name ("qxempduty_str.cds" for qxempduty.dll) and its full
// path in the host executable's folder.
std::string LanguageTableFileName();
std::string LanguageTablePath();

// For tests: replaces the two module paths the system reports, the library
// file's and the host executable's. Empty texts restore the system's answer.
void SetModulePathsForTesting(const std::string& libraryPath, const std::string& hostPath);

}  // namespace qx
