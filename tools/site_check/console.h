// What qxcheck asks of the system it runs on: the user-interface language,
// the ANSI code page, the console's encoding, the program's width and the
// local clock. One implementation per platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "duty/query.h"
#include "site_check/messages.h"

namespace qx::sitecheck {

// Chinese when the system's user-interface language is Chinese.
Language systemLanguage();

// A UTF-8 text in the ANSI code page, or nothing when it has no such text.
std::optional<std::string> ansiFromUtf8(std::string_view utf8);

// An ANSI text as the console shows it.
std::string forConsole(const std::string& ansi);

// 32 or 64 where ODBC keeps its settings per width (Windows); 0 elsewhere.
int programBits();

DateTime localNow();

}  // namespace qx::sitecheck
