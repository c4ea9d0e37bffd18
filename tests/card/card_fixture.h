// Test support for the card transaction: a database of its own in the test
// cluster, a recording duty view and the module's connection as the duty
// dialog holds it.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "duty/card_transaction.h"
#include "duty/odbc.h"
#include "duty/odbc_query.h"

namespace cardtest {

// The login of the test cluster's data source, optionally on another database.
std::string connectionString(const std::string& database = {});

// What the transaction showed, and how often it touched the view.
class RecordingView : public qx::DutyView {
public:
    explicit RecordingView(bool onDuty) : onDuty_(onDuty) {}
    bool DutyMode() const override { return onDuty_; }
    int infoColor() const override { return infoColor_; }
    void setInfoColor(int color) override { infoColor_ = color; ++changes; }
    void setMemoColor(int color) override { memoColor = color; ++changes; }
    void setMemoText(const std::string& text) override { memo = text; ++changes; }
    void setResultText(const std::string& text) override { result = text; ++changes; }
    void outcomeShown(bool stored) override { sounds.push_back(stored); }

    int memoColor = qx::kColorTeal;  // the panel's design colour
    std::string memo;
    std::string result;
    int changes = 0;
    std::vector<bool> sounds;  // one per outcome: true stored, false rejected

private:
    bool onDuty_;
    int infoColor_ = qx::kColorTeal;
};

// The database module as the dialog sees it: one connection, one query, and
// a reconnect with the same connection string, counted.
class TestDatabase : public qx::DutyDatabase {
public:
    explicit TestDatabase(std::string connectionString);
    qx::Query& query() override { return query_; }
    void reconnect() override;
    qx::OdbcQuery& odbcQuery() { return query_; }
    // The server process of this connection (its tag in the server's log).
    std::string backendPid();

    int reconnects = 0;

private:
    std::string connectionString_;
    qx::odbc::Connection connection_;
    qx::OdbcQuery query_;
};

struct DutyRow {
    std::string hotelDate, userId, userName, passNo;
    std::optional<std::string> onTime, offTime;
    friend bool operator==(const DutyRow&, const DutyRow&) = default;
    friend auto operator<=>(const DutyRow&, const DutyRow&) = default;
};
std::ostream& operator<<(std::ostream& out, const DutyRow& row);

struct User {
    std::string userId, userName, passNo, accessCode;
};

// A database made afresh from the host's schema, and the setup statements of
// the tests on a connection of its own.
class Hotel {
public:
    // Drops and creates `database` in the cluster of the data source.
    explicit Hotel(const std::string& database);
    const std::string& database() const { return database_; }

    void exec(const std::string& sql);
    // Connects afresh, after the server was restarted.
    void reconnect();
    // Users, duty records and the pinned clock are emptied; HotelOption keeps
    // its one row.
    void reset();
    void addUser(const User& user);
    void addDuty(const DutyRow& row);
    // Pins GetDate() to "YYYY-MM-DD HH:MM:SS".
    void setClock(const std::string& instant);
    // The rows of OnDuty, sorted.
    std::vector<DutyRow> duty();

private:
    std::string database_;
    qx::odbc::Connection connection_;
    qx::OdbcQuery query_;
};

}  // namespace cardtest
