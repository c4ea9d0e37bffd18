// One card text becomes one clock-in, one clock-out or one rejection: the
// duty dialog hands each submitted card text to ProcessCard.
#pragma once

#include <functional>
#include <string>

#include "duty/duty_module.h"
#include "duty/query.h"

namespace qx {

// Colours of the information panel, 0x00BBGGRR.
inline constexpr int kColorRed = 0x0000FF;
inline constexpr int kColorTeal = 0x808000;

// What the transaction needs of the duty dialog.
class DutyView {
public:
    virtual ~DutyView() = default;
    // true: on duty (clock-in); false: off duty (clock-out).
    virtual bool DutyMode() const = 0;
    virtual int infoColor() const = 0;             // pInfo
    virtual void setInfoColor(int color) = 0;      // pInfo
    virtual void setMemoColor(int color) = 0;      // mmInfo
    virtual void setMemoText(const std::string& text) = 0;    // mmInfo, whole text
    virtual void setResultText(const std::string& text) = 0;  // lResult
    // Once the outcome shows: a sound for staff walking away from the desk,
    // the default one for a stored time, the error one for a rejection.
    virtual void outcomeShown(bool stored) { (void)stored; }
};

// What the transaction needs of the database module: the query every
// statement runs on, and a way to connect again with the same settings.
class DutyDatabase {
public:
    virtual ~DutyDatabase() = default;
    virtual Query& query() = 0;
    // Drops the connection and makes it again; raises DbError when it fails.
    virtual void reconnect() = 0;
};

// The run's database module: every statement on qGetData.
class ModuleDatabase final : public DutyDatabase {
public:
    explicit ModuleDatabase(TdmDuty& module) : module_(module) {}
    Query& query() override { return module_.qGetData; }
    void reconnect() override { module_.reconnect(); }

private:
    TdmDuty& module_;
};

// Message `number` of the duty catalogue in the current language.
std::string DutyMessageText(int number);
// The system's separator between hours, minutes and seconds.
std::string SystemTimeSeparator();

// The other form of a card text: a framed track ";...?" loses its frame, any
// other text gains one.
std::string AlternateCardText(const std::string& cardText);

// Fills a message template's text placeholder ("%s", also with an argument
// index, width or precision) with `name`; "%%" gives "%". A template that
// asks for a number, a second argument or is malformed raises Error.
std::string FormatWithName(const std::string& messageTemplate, const std::string& name);

class CardTransaction {
public:
    using MessageSource = std::function<std::string(int number)>;
    using SeparatorSource = std::function<std::string()>;

    CardTransaction(DutyDatabase& database, DutyView& view,
                    MessageSource message = DutyMessageText,
                    SeparatorSource timeSeparator = SystemTimeSeparator);

    // Looks the employee up, applies the rules of the view's mode, writes the
    // duty record and shows the outcome. Rejections and failed writes are
    // shown in the view; any other error is raised with the query closed and
    // the view untouched.
    void ProcessCard(const std::string& cardText);

private:
    DutyDatabase& database_;
    DutyView& view_;
    MessageSource message_;
    SeparatorSource timeSeparator_;
};

}  // namespace qx
