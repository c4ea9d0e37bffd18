// The texts of qxcheck in English and Chinese. Placeholders are "{0}",
// "{1}", ...; the values filled in (names, driver messages, paths) are ANSI
// texts and go in unchanged.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::sitecheck {

enum class Msg {
    Usage,
    UsageError,
    UsageTableFile,
    UsageTableTwice,
    UsageUnknownOption,
    UsageTwoSources,
    DsnDefinedWidth,
    DsnDefined,
    DsnMissingWidth,
    DsnMissing,
    DsnListFailed,
    OdbcAdmin32,
    OdbcAdmin64,
    DsnNone,
    OdbcMissing,
    ConnectOk,
    ConnectFailed,
    HintUnknownSource,
    HintUnknownSourceNoWidth,
    HintNoReason,
    HintUnreachable,
    HintLoginRefused,
    HintOther,
    NotCheckedNoConnection,
    WhatClock,
    WhatColumns,
    WhatCards,
    OptionRows,
    OptionEmpty,
    OptionUnreadable,
    GetDateOk,
    GetDateFailed,
    GetDateNull,
    GetDateNotDate,
    GetDateNotAsked,
    ClockInfo,
    ClockAhead,
    ClockBehind,
    ClockSame,
    ColumnsOk,
    ColumnsUnreadable,
    ColumnMissing,
    ColumnNotText,
    ColumnTooShort,
    ColumnNotDateTime,
    ColumnNoNull,
    PurposeNone,
    PurposeDate,
    PurposeUserId,
    PurposeUserName,
    PurposePassNo,
    CardsOk,
    CardShared,
    CardFramed,
    CardsUnreadable,
    TableOk,
    TableMissing,
    TableUnreadable,
    TableColumnMissing,
    FolderWritable,
    FolderNotWritable,
    CheckFailed,
    SummaryOk,
    SummaryProblems,
    Count_
};

enum class Language { English, Chinese };

using Args = std::vector<std::string>;
// Converts a UTF-8 text into the ANSI code page; nothing when it cannot.
using ToAnsi = std::function<std::optional<std::string>(std::string_view utf8)>;

class Texts {
public:
    // Chinese needs a conversion into the ANSI code page that takes every
    // Chinese text; without one, or when one text does not convert, the texts
    // are English.
    explicit Texts(Language language = Language::English, const ToAnsi& toAnsi = {});

    Language language() const { return language_; }
    std::string operator()(Msg msg, const Args& args = {}) const;

private:
    Language language_ = Language::English;
    std::vector<std::string> chinese_;  // ANSI, by Msg
};

// Fills "{n}" with args[n]; "{{" gives "{". A placeholder without a value
// stays as it is.
std::string fill(std::string_view pattern, const Args& args);

}  // namespace qx::sitecheck
