// Clock-in and clock-out against the test cluster: what one card does to
// OnDuty and what the dialog is shown.
#include <gtest/gtest.h>

#include <memory>

#include "card_fixture.h"
#include "duty/duty_messages.h"

namespace {

using cardtest::DutyRow;
using cardtest::RecordingView;
using cardtest::TestDatabase;
using cardtest::User;
using qx::kColorRed;
using qx::kColorTeal;

const std::string kZhang = "\xd5\xc5\xc8\xfd";  // "Zhang San", GBK
const User kUsers[] = {
    {"0001", kZhang, "P-0001", "12345"},    // stored as the bare number
    {"0002", "Li Si", "P-0002", ";67890?"},  // stored as the full track
    {"0004", "First", "P-0004", "55555"},    // two users share one card
    {"0005", "Second", "P-0005", "55555"},
};

const User& user(const std::string& id) {
    for (const User& u : kUsers)
        if (u.userId == id) return u;
    throw std::runtime_error("no test user " + id);
}

std::optional<std::string> at(const char* instant) {
    return instant ? std::optional<std::string>(instant) : std::nullopt;
}

// A duty record of one of the test users.
DutyRow duty(const char* date, const std::string& id, const char* onTime, const char* offTime) {
    const User& u = user(id);
    return DutyRow{date, id, u.userName, u.passNo, at(onTime), at(offTime)};
}

std::string msg(int number) { return qx::DutyMessages[number]; }

// The texts the built-in messages 6, 7 and 9 give for Zhang San.
const std::string kZhangAlreadyOn = kZhang + "\xd2\xd1\xbe\xad\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!";
const std::string kZhangNotOnYet = kZhang + "\xbb\xb9\xc3\xbb\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!";
const std::string kZhangAlreadyOff = kZhang + "\xd2\xd1\xbe\xad\xd3\xd0\xcf\xc2\xb0\xe0\xca\xb1\xbc\xe4!";

std::string storedMemo(const std::string& name, const char* date, const char* time) {
    return name + "\r\n" + date + "\r\n" + time;
}

class CardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        hotel_ = std::make_unique<cardtest::Hotel>("card_scenarios");
    }
    static void TearDownTestSuite() { hotel_.reset(); }

    void SetUp() override {
        hotel().reset();
        for (const User& u : kUsers) hotel().addUser(u);
        hotel().setClock("2026-03-04 08:15:00");
    }

    static cardtest::Hotel& hotel() { return *hotel_; }
    static std::string connection() { return cardtest::connectionString(hotel_->database()); }

    static std::unique_ptr<cardtest::Hotel> hotel_;
};
std::unique_ptr<cardtest::Hotel> CardTest::hotel_;

struct Scenario {
    const char* name;
    bool onDuty;
    const char* clock;
    std::vector<DutyRow> before;
    std::string card;
    int color;
    std::string memo;
    std::string result;
    std::vector<DutyRow> after;
    std::vector<User> extraUsers = {};
    bool noHotelOption = false;
};

TEST_F(CardTest, Scenarios) {
    const bool in = true, out = false;
    const Scenario scenarios[] = {
        // The two card forms against the two stored forms.
        {"typed, stored bare", in, "2026-03-04 08:15:00", {}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 08:15:00", nullptr)}},
        {"swiped, stored bare", in, "2026-03-04 08:15:00", {}, ";12345?", kColorTeal,
         storedMemo(kZhang, "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 08:15:00", nullptr)}},
        {"typed, stored framed", in, "2026-03-04 08:15:00", {}, "67890", kColorTeal,
         storedMemo("Li Si", "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0002", "2026-03-04 08:15:00", nullptr)}},
        {"swiped, stored framed", in, "2026-03-04 08:15:00", {}, ";67890?", kColorTeal,
         storedMemo("Li Si", "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0002", "2026-03-04 08:15:00", nullptr)}},

        // Clock-in.
        {"second clock-in before the clock-out", in, "2026-03-04 08:15:00",
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", nullptr)}, "12345", kColorRed,
         kZhangAlreadyOn, msg(4), {duty("2026-03-04", "0001", "2026-03-04 07:00:00", nullptr)}},
        {"clock-in on a complete record reopens it", in, "2026-03-04 13:05:09",
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", "2026-03-04 12:00:00")}, "12345",
         kColorTeal, storedMemo(kZhang, "2026-03-04", "13:05:09"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 13:05:09", nullptr)}},
        {"clock-in on a record without clock-in time", in, "2026-03-04 08:15:00",
         {duty("2026-03-04", "0001", nullptr, "2026-03-04 06:00:00")}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 08:15:00", nullptr)}},
        {"clock-in after midnight starts the new day", in, "2026-03-05 00:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", nullptr)}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-05", "00:30:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", nullptr),
          duty("2026-03-05", "0001", "2026-03-05 00:30:00", nullptr)}},
        {"clock-in: another user's open record does not count", in, "2026-03-04 08:15:00",
         {duty("2026-03-04", "0002", "2026-03-04 07:00:00", nullptr)}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 08:15:00", nullptr),
          duty("2026-03-04", "0002", "2026-03-04 07:00:00", nullptr)}},

        // Clock-out.
        {"clock-out writes the open record", out, "2026-03-04 17:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", nullptr)}, ";12345?", kColorTeal,
         storedMemo(kZhang, "2026-03-04", "17:30:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", "2026-03-04 17:30:00")}},
        {"clock-out after midnight falls back to the day before", out, "2026-03-05 01:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", nullptr)}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-05", "01:30:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", "2026-03-05 01:30:00")}},
        {"clock-out across a month end", out, "2026-03-01 02:00:00",
         {duty("2026-02-28", "0001", "2026-02-28 21:00:00", nullptr)}, "12345", kColorTeal,
         storedMemo(kZhang, "2026-03-01", "02:00:00"), msg(8),
         {duty("2026-02-28", "0001", "2026-02-28 21:00:00", "2026-03-01 02:00:00")}},
        {"clock-out keeps to the business day when it has a record", out, "2026-03-05 17:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", nullptr),
          duty("2026-03-05", "0001", "2026-03-05 08:00:00", nullptr)},
         "12345", kColorTeal, storedMemo(kZhang, "2026-03-05", "17:30:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 22:00:00", nullptr),
          duty("2026-03-05", "0001", "2026-03-05 08:00:00", "2026-03-05 17:30:00")}},
        {"clock-out after midnight on a complete record of the day before", out,
         "2026-03-05 01:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", "2026-03-04 17:00:00")}, "12345",
         kColorRed, kZhangAlreadyOff, msg(4),
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", "2026-03-04 17:00:00")}},
        {"clock-out with no record of the day or the day before", out, "2026-03-04 17:30:00",
         {duty("2026-03-02", "0001", "2026-03-02 08:00:00", nullptr),
          duty("2026-03-04", "0002", "2026-03-04 08:00:00", nullptr)},
         "12345", kColorRed, kZhangNotOnYet, msg(4),
         {duty("2026-03-02", "0001", "2026-03-02 08:00:00", nullptr),
          duty("2026-03-04", "0002", "2026-03-04 08:00:00", nullptr)}},
        {"second clock-out", out, "2026-03-04 18:00:00",
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", "2026-03-04 17:30:00")}, "12345",
         kColorRed, kZhangAlreadyOff, msg(4),
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", "2026-03-04 17:30:00")}},

        // No business date, no user.
        {"no business date, clock-in", in, "2026-03-04 08:15:00", {}, "12345", kColorRed, msg(3),
         msg(4), {}, {}, true},
        {"no business date, clock-out", out, "2026-03-04 08:15:00",
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", nullptr)}, "12345", kColorRed, msg(3),
         msg(4), {duty("2026-03-04", "0001", "2026-03-04 08:00:00", nullptr)}, {}, true},
        {"unknown card, clock-in", in, "2026-03-04 08:15:00", {}, "99999", kColorRed, msg(5),
         msg(4), {}},
        {"unknown card, clock-out", out, "2026-03-04 08:15:00",
         {duty("2026-03-04", "0001", "2026-03-04 08:00:00", nullptr)}, ";99999?", kColorRed,
         msg(5), msg(4), {duty("2026-03-04", "0001", "2026-03-04 08:00:00", nullptr)}},
        {"empty card text", in, "2026-03-04 08:15:00", {}, "", kColorRed, msg(5), msg(4), {}},
        {"empty card text finds a user stored as an empty track", in, "2026-03-04 08:15:00", {},
         "", kColorTeal, storedMemo("Track", "2026-03-04", "08:15:00"), msg(8),
         {DutyRow{"2026-03-04", "0003", "Track", "P-0003", "2026-03-04 08:15:00", std::nullopt}},
         {{"0003", "Track", "P-0003", ";?"}}},
        {"an empty track finds a user stored as the empty text", in, "2026-03-04 08:15:00", {},
         ";?", kColorTeal, storedMemo("Empty", "2026-03-04", "08:15:00"), msg(8),
         {DutyRow{"2026-03-04", "0003", "Empty", "", "2026-03-04 08:15:00", std::nullopt}},
         {{"0003", "Empty", "", ""}}},

        // Several users, several records.
        {"several users match: the first is used", in, "2026-03-04 08:15:00", {}, "55555",
         kColorTeal, storedMemo("First", "2026-03-04", "08:15:00"), msg(8),
         {duty("2026-03-04", "0004", "2026-03-04 08:15:00", nullptr)}},
        {"several records, the first complete: clock-in updates all", in, "2026-03-04 18:00:00",
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", "2026-03-04 12:00:00"),
          duty("2026-03-04", "0001", "2026-03-04 13:00:00", nullptr)},
         "12345", kColorTeal, storedMemo(kZhang, "2026-03-04", "18:00:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 18:00:00", nullptr),
          duty("2026-03-04", "0001", "2026-03-04 18:00:00", nullptr)}},
        {"several records, the first open: clock-in rejected", in, "2026-03-04 18:00:00",
         {duty("2026-03-04", "0001", "2026-03-04 13:00:00", nullptr),
          duty("2026-03-04", "0001", "2026-03-04 07:00:00", "2026-03-04 12:00:00")},
         "12345", kColorRed, kZhangAlreadyOn, msg(4),
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", "2026-03-04 12:00:00"),
          duty("2026-03-04", "0001", "2026-03-04 13:00:00", nullptr)}},
        {"several records, the first open: clock-out updates all", out, "2026-03-04 17:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", nullptr),
          duty("2026-03-04", "0001", "2026-03-04 13:00:00", "2026-03-04 15:00:00")},
         "12345", kColorTeal, storedMemo(kZhang, "2026-03-04", "17:30:00"), msg(8),
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", "2026-03-04 17:30:00"),
          duty("2026-03-04", "0001", "2026-03-04 13:00:00", "2026-03-04 17:30:00")}},
        {"several records, the first complete: clock-out rejected", out, "2026-03-04 17:30:00",
         {duty("2026-03-04", "0001", "2026-03-04 13:00:00", "2026-03-04 15:00:00"),
          duty("2026-03-04", "0001", "2026-03-04 07:00:00", nullptr)},
         "12345", kColorRed, kZhangAlreadyOff, msg(4),
         {duty("2026-03-04", "0001", "2026-03-04 07:00:00", nullptr),
          duty("2026-03-04", "0001", "2026-03-04 13:00:00", "2026-03-04 15:00:00")}},
    };

    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        SetUp();
        for (const User& u : s.extraUsers) hotel().addUser(u);
        for (const DutyRow& row : s.before) hotel().addDuty(row);
        hotel().setClock(s.clock);
        if (s.noHotelOption) hotel().exec("delete from HotelOption");

        TestDatabase database(connection());
        RecordingView view(s.onDuty);
        qx::CardTransaction(database, view).ProcessCard(s.card);

        EXPECT_EQ(view.infoColor(), s.color);
        EXPECT_EQ(view.memoColor, s.color);
        EXPECT_EQ(view.memo, s.memo);
        EXPECT_EQ(view.result, s.result);
        EXPECT_EQ(view.sounds, std::vector<bool>{s.color == kColorTeal}) << "one sound, the error one for red";
        EXPECT_FALSE(database.odbcQuery().active()) << "the query is left open";
        EXPECT_EQ(database.reconnects, 0);
        std::vector<DutyRow> expected = s.after;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(hotel().duty(), expected);
    }
}

TEST_F(CardTest, OneConnectionServesCardAfterCard) {
    TestDatabase database(connection());
    RecordingView clockIn(true), clockOut(false);
    qx::CardTransaction(database, clockIn).ProcessCard("12345");
    EXPECT_EQ(clockIn.result, msg(8));
    qx::CardTransaction(database, clockIn).ProcessCard(";12345?");
    EXPECT_EQ(clockIn.memo, kZhangAlreadyOn);
    hotel().setClock("2026-03-04 17:00:01");
    qx::CardTransaction(database, clockOut).ProcessCard(";12345?");
    EXPECT_EQ(clockOut.memo, storedMemo(kZhang, "2026-03-04", "17:00:01"));
    qx::CardTransaction(database, clockOut).ProcessCard("12345");
    EXPECT_EQ(clockOut.memo, kZhangAlreadyOff);
    EXPECT_EQ(hotel().duty(),
              std::vector{duty("2026-03-04", "0001", "2026-03-04 08:15:00", "2026-03-04 17:00:01")});
}

TEST_F(CardTest, TimeOfDayUsesTheSystemSeparator) {
    TestDatabase database(connection());
    RecordingView view(true);
    qx::CardTransaction(database, view, qx::DutyMessageText, [] { return std::string("."); })
        .ProcessCard("12345");
    EXPECT_EQ(view.memo, storedMemo(kZhang, "2026-03-04", "08.15.00"));
}

// Card texts that would change a statement if they were part of its text.
// Bound as parameters, each is just a text that matches no access code.
TEST_F(CardTest, HostileCardTextsAreLookedUpLikeAnyOther) {
    const std::string hostile[] = {
        "'",
        "''",
        "' or '1'='1",
        "' or 1=1 --",
        "12345' --",
        "12345'--",
        "12345' or AccessCode<>'",
        "x'; delete from OnDuty; --",
        "'; drop table OnDuty; --",
        "12345'; update OnDuty set OffTime=null; --",
        "' union select UserID,UserName,PassNo from HotelUser --",
        "\\",
        "\\'",
        "12345\\",
        "\\' or 1=1 --",
        "E'\\x27' or 1=1 --",
        "/*",
        "*/",
        "12345' /*",
        "--",
        "#",
        ";",
        ";;",
        ";;12345??",
        "?",
        "%",
        "_",
        "12345%",
        "1234_",
        "\x95\x5c' or 1=1 --",   // a GBK character whose trail byte is a backslash, then a quote
        "\x81\x5c'",
        "12345\xd5\x5c",
        "$1",
        "$$' or $$1$$=$$1",
        ":card",
        ":altcard' or AccessCode<>'",
        "?'",
        "12345\r\n",
        "12345\t",
        " 12345",
        "12345 ",
        "\"12345\"",
        "`12345`",
        "12345' and pg_sleep(5) is null --",
        std::string(10000, 'x'),
        std::string(10000, '\''),
        std::string(10000, '\\'),
        "12345' or '1'='1" + std::string(10000 - 16, '-'),
    };
    hotel().addDuty(duty("2026-03-04", "0002", "2026-03-04 07:00:00", nullptr));
    const std::vector<DutyRow> before = hotel().duty();

    TestDatabase database(connection());
    for (const bool onDuty : {true, false}) {
        for (const std::string& card : hostile) {
            SCOPED_TRACE((onDuty ? "clock-in, card " : "clock-out, card ") + card.substr(0, 40));
            RecordingView view(onDuty);
            EXPECT_NO_THROW(qx::CardTransaction(database, view).ProcessCard(card));
            EXPECT_EQ(view.infoColor(), kColorRed);
            EXPECT_EQ(view.memo, msg(5));
            EXPECT_EQ(view.result, msg(4));
        }
    }
    EXPECT_EQ(hotel().duty(), before);
    EXPECT_EQ(database.reconnects, 0);
}

// A translated template for 6, 7 or 9 is filled with the name; one that
// cannot be filled ends the card with an error, the view as it was and the
// query closed.
TEST_F(CardTest, TranslatedTemplates) {
    const struct {
        const char* name;
        bool onDuty;
        const char* clock;
        std::vector<DutyRow> before;
        int number;
        const char* translation;
        const char* memo;  // nullptr: the card ends in an error
    } cases[] = {
        {"6 with the name", true, "2026-03-04 09:00:00",
         {duty("2026-03-04", "0002", "2026-03-04 08:00:00", nullptr)}, 6, "%s is in already", "Li Si is in already"},
        {"6 without a name", true, "2026-03-04 09:00:00",
         {duty("2026-03-04", "0002", "2026-03-04 08:00:00", nullptr)}, 6, "Already in!", "Already in!"},
        {"7 with the name", false, "2026-03-04 09:00:00", {}, 7, "[%-7s] is not in", "[Li Si  ] is not in"},
        {"9 without a name", false, "2026-03-04 19:00:00",
         {duty("2026-03-04", "0002", "2026-03-04 08:00:00", "2026-03-04 18:00:00")}, 9, "Out already", "Out already"},
        {"6 asks for a second name", true, "2026-03-04 09:00:00",
         {duty("2026-03-04", "0002", "2026-03-04 08:00:00", nullptr)}, 6, "%s and %s", nullptr},
        {"7 asks for a number", false, "2026-03-04 09:00:00", {}, 7, "%s: %d", nullptr},
        {"9 asks for a number", false, "2026-03-04 19:00:00",
         {duty("2026-03-04", "0002", "2026-03-04 08:00:00", "2026-03-04 18:00:00")}, 9, "%d", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (const DutyRow& row : c.before) hotel().addDuty(row);
        hotel().setClock(c.clock);
        const std::vector<DutyRow> before = hotel().duty();

        TestDatabase database(connection());
        RecordingView view(c.onDuty);
        auto messages = [&](int number) {
            return number == c.number ? std::string(c.translation) : qx::DutyMessageText(number);
        };
        qx::CardTransaction transaction(database, view, messages);
        if (c.memo) {
            transaction.ProcessCard("67890");
            EXPECT_EQ(view.memo, c.memo);
            EXPECT_EQ(view.result, msg(4));
            EXPECT_EQ(view.infoColor(), kColorRed);
        } else {
            EXPECT_THROW(transaction.ProcessCard("67890"), qx::Error);
            EXPECT_EQ(view.changes, 0) << "the view was changed";
        }
        EXPECT_FALSE(database.odbcQuery().active());
        EXPECT_EQ(hotel().duty(), before);
    }
}

// A failing statement outside the write ends the card with the error: the
// view as it was, the query closed, no second connection.
TEST_F(CardTest, FailingSelectsRaise) {
    const struct {
        const char* name;
        const char* breakIt;
        const char* mendIt;
    } cases[] = {
        {"business date", "alter table HotelOption rename to HotelOptionGone",
         "alter table HotelOptionGone rename to HotelOption"},
        {"employee", "alter view HotelUser_V rename to HotelUserGone",
         "alter view HotelUserGone rename to HotelUser_V"},
        {"duty record", "alter table OnDuty rename column HotelDate to BusinessDay",
         "alter table OnDuty rename column BusinessDay to HotelDate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase database(connection());
        RecordingView view(true);
        hotel().exec(c.breakIt);
        EXPECT_THROW(qx::CardTransaction(database, view).ProcessCard("12345"), qx::DbError);
        hotel().exec(c.mendIt);
        EXPECT_EQ(view.changes, 0);
        EXPECT_FALSE(database.odbcQuery().active());
        EXPECT_EQ(database.reconnects, 0);
        EXPECT_TRUE(hotel().duty().empty());
    }
}

// The server refuses the write: its message is shown in red, nothing stored,
// and the dialog takes the next card.
TEST_F(CardTest, RefusedWritesAreShownInTheView) {
    hotel().exec(
        "create function refuse_duty() returns trigger language plpgsql as $$ begin "
        "raise exception 'duty desk closed for %', new.UserID; end $$");
    const struct {
        const char* name;
        bool onDuty;
        std::vector<DutyRow> before;
    } cases[] = {
        {"clock-in, insert", true, {}},
        {"clock-in, update", true, {duty("2026-03-04", "0002", "2026-03-04 06:00:00", "2026-03-04 07:00:00")}},
        {"clock-out", false, {duty("2026-03-04", "0002", "2026-03-04 06:00:00", nullptr)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hotel().exec("delete from OnDuty");
        for (const DutyRow& row : c.before) hotel().addDuty(row);
        const std::vector<DutyRow> before = hotel().duty();
        hotel().exec(
            "create trigger refuse_duty before insert or update on OnDuty for each row "
            "when (new.UserID = '0002') execute function refuse_duty()");

        TestDatabase database(connection());
        RecordingView view(c.onDuty);
        qx::CardTransaction(database, view).ProcessCard("67890");
        EXPECT_NE(view.memo.find("duty desk closed for 0002"), std::string::npos) << view.memo;
        EXPECT_EQ(view.result, msg(4));
        EXPECT_EQ(view.infoColor(), kColorRed);
        EXPECT_EQ(view.memoColor, kColorRed);
        EXPECT_FALSE(database.odbcQuery().active());

        // The next card goes through on the same connection.
        RecordingView next(true);
        qx::CardTransaction(database, next).ProcessCard("55555");
        EXPECT_EQ(next.result, msg(8));

        hotel().exec("drop trigger refuse_duty on OnDuty");
        std::vector<DutyRow> expected = before;
        expected.push_back(duty("2026-03-04", "0004", "2026-03-04 08:15:00", nullptr));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(hotel().duty(), expected);
    }
    hotel().exec("drop function refuse_duty()");
}

// A write that loses the connection is not run again: it is shown as failed,
// and the next card's first select reconnects.
TEST_F(CardTest, AWriteThatLosesTheConnectionIsNotRetried) {
    hotel().exec(
        "create function drop_session() returns trigger language plpgsql as $$ begin "
        "perform pg_terminate_backend(pg_backend_pid()); return new; end $$");
    hotel().exec(
        "create trigger drop_session before insert on OnDuty for each row "
        "when (new.UserID = '0002') execute function drop_session()");

    TestDatabase database(connection());
    RecordingView view(true);
    qx::CardTransaction(database, view).ProcessCard("67890");
    EXPECT_EQ(view.infoColor(), kColorRed);
    EXPECT_EQ(view.result, msg(4));
    EXPECT_FALSE(view.memo.empty());
    EXPECT_EQ(database.reconnects, 0);
    EXPECT_TRUE(hotel().duty().empty());

    hotel().exec("drop trigger drop_session on OnDuty");
    hotel().exec("drop function drop_session()");

    RecordingView next(true);
    qx::CardTransaction(database, next).ProcessCard("67890");
    EXPECT_EQ(next.result, msg(8)) << next.memo;
    EXPECT_EQ(database.reconnects, 1);
    EXPECT_EQ(hotel().duty(), std::vector{duty("2026-03-04", "0002", "2026-03-04 08:15:00", nullptr)});
}

// A write the server silently drops is not reported as stored.
TEST_F(CardTest, AWriteTheServerDropsIsNotShownAsStored) {
    const struct {
        const char* name;
        bool onDuty;
        std::vector<DutyRow> before;
    } cases[] = {
        {"clock-in", true, {}},
        {"clock-out", false, {duty("2026-03-04", "0002", "2026-03-04 06:00:00", nullptr)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hotel().exec("delete from OnDuty");
        for (const DutyRow& row : c.before) hotel().addDuty(row);
        hotel().exec("create rule drop_insert as on insert to OnDuty where new.UserID = '0002' do instead nothing");
        hotel().exec("create rule drop_update as on update to OnDuty where old.UserID = '0002' do instead nothing");

        TestDatabase database(connection());
        RecordingView view(c.onDuty);
        EXPECT_THROW(qx::CardTransaction(database, view).ProcessCard("67890"), qx::Error);
        EXPECT_EQ(view.changes, 0);
        EXPECT_FALSE(database.odbcQuery().active());

        hotel().exec("drop rule drop_insert on OnDuty");
        hotel().exec("drop rule drop_update on OnDuty");
    }
}

}  // namespace
