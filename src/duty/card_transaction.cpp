#include "duty/card_transaction.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "duty/duty_messages.h"
#include "localisation/language_table.h"

namespace qx {

namespace {

// Every value reaches the server as a bound parameter; no text from the card
// or the database is ever part of a statement's text.
constexpr const char* kClockSql = "select GetDate() from HotelOption";
constexpr const char* kUserSql =
    "select UserID,UserName,PassNo from HotelUser_V where AccessCode=:card or AccessCode=:altcard";
constexpr const char* kDutySql = "select * from OnDuty where HotelDate=:hoteldate and UserID=:userid";
constexpr const char* kClockInUpdateSql =
    "update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=:hoteldate and UserID=:userid";
constexpr const char* kClockInInsertSql =
    "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) "
    "values(:hoteldate,:userid,:username,:passno,GetDate())";
constexpr const char* kClockOutUpdateSql =
    "update OnDuty set OffTime=GetDate() where HotelDate=:hoteldate and UserID=:userid";

// Declared sizes of the OnDuty columns the writes fill.
constexpr int kHotelDateSize = 10;
constexpr int kUserIdSize = 4;
constexpr int kUserNameSize = 10;
constexpr int kPassNoSize = 30;

using Date = std::chrono::year_month_day;

Date dateOf(const DateTime& value) {
    return Date{std::chrono::year{value.year}, std::chrono::month{static_cast<unsigned>(value.month)},
                std::chrono::day{static_cast<unsigned>(value.day)}};
}

Date dayBefore(const Date& date) {
    return Date{std::chrono::sys_days{date} - std::chrono::days{1}};
}

std::string dateText(const Date& date) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buffer;
}

std::string timeText(const DateTime& value, const std::string& separator) {
    char hour[8], minute[8], second[8];
    std::snprintf(hour, sizeof hour, "%02d", value.hour);
    std::snprintf(minute, sizeof minute, "%02d", value.minute);
    std::snprintf(second, sizeof second, "%02d", value.second);
    return hour + separator + minute + separator + second;
}

// A select parameter is declared at least as long as its value, so that
// nothing is cut off before the comparison.
int sizeFor(const std::string& value, int declared) {
    return std::max<int>(declared, static_cast<int>(std::min<size_t>(value.size(), 0x7fffffff)));
}

void prepare(Query& query, const char* sql) {
    query.close();
    query.setSql(sql);
}

// Selects the duty records of `date` for the user.
void selectDuty(Query& query, const Date& date, const std::string& userId) {
    prepare(query, kDutySql);
    query.setParam("hoteldate", dateText(date), kHotelDateSize);
    query.setParam("userid", userId, sizeFor(userId, kUserIdSize));
    query.open();
}

// Closes the module's current query when the card is done, however it ends.
class QueryCloser {
public:
    explicit QueryCloser(DutyDatabase& database) : database_(database) {}
    ~QueryCloser() {
        try {
            database_.query().close();
        } catch (...) {
            // Closing runs while the card ends; whatever ended it is what counts.
        }
    }
    QueryCloser(const QueryCloser&) = delete;
    QueryCloser& operator=(const QueryCloser&) = delete;

private:
    DutyDatabase& database_;
};

[[noreturn]] void badFormat(const std::string& messageTemplate) {
    throw Error("Format '" + messageTemplate + "' invalid or incompatible with argument");
}

}  // namespace

std::string DutyMessageText(int number) {
    return TranslateByNumber(number, DutyMessages[number]);
}

#ifndef _WIN32
// Outside Windows there is no user locale to ask (see card_transaction_win.cpp).
std::string SystemTimeSeparator() {
    return ":";
}
#endif

std::string AlternateCardText(const std::string& cardText) {
    if (cardText.size() >= 2 && cardText.front() == ';' && cardText.back() == '?')
        return cardText.substr(1, cardText.size() - 2);
    return ";" + cardText + "?";
}

std::string FormatWithName(const std::string& messageTemplate, const std::string& name) {
    const std::string& t = messageTemplate;
    std::string out;
    size_t i = 0;
    int nextArgument = 0;

    // A decimal number at i, if there is one. "*" would take the number from
    // an integer argument, which a name is not.
    auto number = [&]() -> std::optional<int> {
        if (i < t.size() && t[i] == '*') badFormat(t);
        if (i >= t.size() || t[i] < '0' || t[i] > '9') return std::nullopt;
        int value = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            value = value * 10 + (t[i] - '0');
            if (value > 100000) badFormat(t);
        }
        return value;
    };

    while (i < t.size()) {
        if (t[i] != '%') {
            out += t[i++];
            continue;
        }
        ++i;
        if (i < t.size() && t[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[index:][-][width][.precision]type
        std::optional<int> width = number();
        if (i < t.size() && t[i] == ':') {
            nextArgument = width.value_or(0);
            width.reset();
            ++i;
        }
        bool leftAligned = false;
        if (!width) {
            if (i < t.size() && t[i] == '-') {
                leftAligned = true;
                ++i;
            }
            width = number();
        }
        std::optional<int> precision;
        if (i < t.size() && t[i] == '.') {
            ++i;
            precision = number().value_or(0);
        }
        if (i >= t.size() || (t[i] != 's' && t[i] != 'S')) badFormat(t);
        ++i;
        if (nextArgument != 0) badFormat(t);  // there is only the name
        ++nextArgument;

        std::string value = name;
        if (precision && value.size() > static_cast<size_t>(*precision)) value.resize(*precision);
        if (width && value.size() < static_cast<size_t>(*width)) {
            std::string padding(*width - value.size(), ' ');
            value = leftAligned ? value + padding : padding + value;
        }
        out += value;
    }
    return out;
}

CardTransaction::CardTransaction(DutyDatabase& database, DutyView& view, MessageSource message,
                                 SeparatorSource timeSeparator)
    : database_(database), view_(view), message_(std::move(message)),
      timeSeparator_(std::move(timeSeparator)) {}

void CardTransaction::ProcessCard(const std::string& cardText) {
    const bool onDuty = view_.DutyMode();
    const std::string alternateCardText = AlternateCardText(cardText);
    const QueryCloser closer(database_);

    // The view changes only once the outcome and all its texts are known, so
    // that an error raised on the way leaves it as it was.
    auto show = [&](int color, const std::string& memo, const std::string& result) {
        view_.setInfoColor(color);
        view_.setMemoColor(view_.infoColor());
        view_.setMemoText(memo);
        view_.setResultText(result);
        view_.outcomeShown(color == kColorTeal);
    };
    auto reject = [&](const std::string& memo) { show(kColorRed, memo, message_(msgInputRejected)); };

    // The business date. A desk stays open for hours; when the server went
    // away meanwhile, the first statement of the next card finds the
    // connection dead. That one select is run once more on a new connection.
    auto selectClock = [&] {
        Query& query = database_.query();
        prepare(query, kClockSql);
        query.open();
    };
    try {
        selectClock();
    } catch (const DbError& error) {
        if (!error.isConnectionError()) throw;
        database_.reconnect();
        selectClock();
    }
    Query& query = database_.query();
    const std::optional<DateTime> now = query.eof() ? std::nullopt : query.dateTime(0);
    if (!now) {
        reject(message_(msgNoBusinessDate));
        return;
    }
    Date businessDate = dateOf(*now);

    // The employee, by either form of the card text.
    prepare(query, kUserSql);
    query.setParam("card", cardText, sizeFor(cardText, 1));
    query.setParam("altcard", alternateCardText, sizeFor(alternateCardText, 1));
    query.open();
    if (query.eof()) {
        reject(message_(msgUserNotFound));
        return;
    }
    const std::string userId = query.text("UserID").value_or("");
    const std::string userName = query.text("UserName").value_or("");
    const std::string passNo = query.text("PassNo").value_or("");

    // The duty record. A shift that crosses midnight is clocked out against
    // the record of the day before.
    selectDuty(query, businessDate, userId);
    if (!onDuty && query.eof()) {
        const Date previousDay = dayBefore(businessDate);
        selectDuty(query, previousDay, userId);
        if (!query.eof()) businessDate = previousDay;
    }

    // The rules of the mode, on the first record.
    const bool found = !query.eof();
    const bool hasOnTime = found && query.dateTime("OnTime").has_value();
    const bool hasOffTime = found && query.dateTime("OffTime").has_value();
    int rejection = 0;
    if (onDuty) {
        if (found && hasOnTime && !hasOffTime) rejection = msgAlreadyOnDuty;
    } else if (!found) {
        rejection = msgNotOnDuty;
    } else if (hasOffTime) {
        rejection = msgAlreadyOffDuty;
    }
    if (rejection != 0) {
        reject(FormatWithName(message_(rejection), userName));
        return;
    }

    // The write. Whatever goes wrong here is shown in the view, which stays
    // ready for the next card.
    query.close();
    const std::string hotelDate = dateText(businessDate);
    try {
        if (onDuty) {
            query.setSql(kClockInUpdateSql);
            query.setParam("hoteldate", hotelDate, kHotelDateSize);
            query.setParam("userid", userId, kUserIdSize);
            if (query.execute() < 1) {
                query.setSql(kClockInInsertSql);
                query.setParam("hoteldate", hotelDate, kHotelDateSize);
                query.setParam("userid", userId, kUserIdSize);
                query.setParam("username", userName, kUserNameSize);
                query.setParam("passno", passNo, kPassNoSize);
                query.execute();
            }
        } else {
            query.setSql(kClockOutUpdateSql);
            query.setParam("hoteldate", hotelDate, kHotelDateSize);
            query.setParam("userid", userId, kUserIdSize);
            query.execute();
        }
    } catch (const Error& error) {
        show(kColorRed, error.message(), message_(msgInputRejected));
        return;
    }

    // Read back what the server stored and show it.
    selectDuty(query, businessDate, userId);
    const std::optional<DateTime> stored =
        query.eof() ? std::nullopt : query.dateTime(onDuty ? "OnTime" : "OffTime");
    if (!stored) {
        // Never report a time as stored that the record does not hold.
        throw Error("The duty record of " + userName + " on " + hotelDate +
                    " does not hold the time just written.");
    }
    const std::string memo = userName + "\r\n" + dateText(dateOf(*stored)) + "\r\n" +
                             timeText(*stored, timeSeparator_());
    show(kColorTeal, memo, message_(msgStored));
}

}  // namespace qx
