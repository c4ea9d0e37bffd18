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

}  // namespace qx
