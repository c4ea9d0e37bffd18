// Per-card time of ProcessCard against the same statements made with plain
// ODBC calls. Prints median and p99 of both.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "card_fixture.h"
#include "duty/duty_messages.h"
#include "duty/odbc_api.h"
#ifndef _WIN32
#include "private_cluster.h"
#endif

namespace {

using cardtest::RecordingView;
using cardtest::TestDatabase;
using Clock = std::chrono::steady_clock;

constexpr int kCards = 1200;  // per side
constexpr int kUsers = 50;

std::string code(int n, int width) {
    std::string text = std::to_string(n);
    return std::string(width - std::min<int>(width, text.size()), '0') + text;
}

// One card made with plain ODBC calls: the statements ProcessCard sends, with
// the same decisions, and the memo text built from the read-back.
class PlainCard {
public:
    // A statement handle per statement, as the query takes one.
    explicit PlainCard(qx::odbc::Connection& connection) : connection_(connection) {}

    std::string run(const std::string& card, bool onDuty) {
        const std::string alternate = qx::AlternateCardText(card);
        exec("select GetDate() from HotelOption", {});
        if (!fetch()) return "no date";
        const std::string date = column(1).substr(0, 10);
        close();

        exec("select UserID,UserName,PassNo from HotelUser_V where AccessCode=? or AccessCode=?",
             {card, alternate});
        if (!fetch()) return "no user";
        const std::string userId = column(1), userName = column(2), passNo = column(3);
        close();

        const std::string duty = "select * from OnDuty where HotelDate=? and UserID=?";
        exec(duty, {date, userId});
        const bool found = fetch();
        bool hasOn = false, hasOff = false;
        if (found) {
            column(5, &hasOn);
            column(6, &hasOff);
        }
        close();
        if (onDuty ? (found && hasOn && !hasOff) : (!found || hasOff)) return "rejected";

        if (onDuty) {
            exec("update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=? and UserID=?",
                 {date, userId});
            if (rowCount() < 1) {
                exec("insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) "
                     "values(?,?,?,?,GetDate())",
                     {date, userId, userName, passNo});
            }
        } else {
            exec("update OnDuty set OffTime=GetDate() where HotelDate=? and UserID=?", {date, userId});
        }
        exec(duty, {date, userId});
        if (!fetch()) return "lost";
        const std::string stored = column(onDuty ? 5 : 6);
        close();
        return userName + "\r\n" + stored.substr(0, 10) + "\r\n" + stored.substr(11, 8);
    }

private:
    void exec(const std::string& sql, std::vector<std::string> values) {
        statement_.emplace(connection_);
        stmt_ = static_cast<SQLHSTMT>(statement_->handle());
        std::vector<SQLLEN> lengths(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            lengths[i] = static_cast<SQLLEN>(values[i].size());
            qx::odbc::check(SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                             SQL_C_CHAR, SQL_VARCHAR, std::max<SQLULEN>(values[i].size(), 1),
                                             0, values[i].data(), lengths[i], &lengths[i]),
                            SQL_HANDLE_STMT, stmt_, "SQLBindParameter");
        }
        qx::odbc::check(SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                      SQL_NTS),
                        SQL_HANDLE_STMT, stmt_, "SQLExecDirect");
    }
    bool fetch() { return qx::odbc::check(SQLFetch(stmt_), SQL_HANDLE_STMT, stmt_, "SQLFetch") != SQL_NO_DATA; }
    std::string column(int n, bool* notNull = nullptr) {
        char buffer[256];
        SQLLEN indicator = 0;
        qx::odbc::check(SQLGetData(stmt_, static_cast<SQLUSMALLINT>(n), SQL_C_CHAR, buffer, sizeof buffer,
                                   &indicator),
                        SQL_HANDLE_STMT, stmt_, "SQLGetData");
        if (notNull) *notNull = indicator != SQL_NULL_DATA;
        return indicator == SQL_NULL_DATA ? std::string() : std::string(buffer);
    }
    void close() { statement_.reset(); }
    long rowCount() {
        SQLLEN rows = 0;
        qx::odbc::check(SQLRowCount(stmt_, &rows), SQL_HANDLE_STMT, stmt_, "SQLRowCount");
        return static_cast<long>(rows);
    }

    qx::odbc::Connection& connection_;
    std::optional<qx::odbc::Statement> statement_;
    SQLHSTMT stmt_ = SQL_NULL_HANDLE;
};

struct Figures {
    double median, p99;
};

Figures figures(std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[std::min(micros.size() - 1, micros.size() * 99 / 100)]};
}

TEST(CardBenchmark, ProcessCardAgainstPlainOdbc) {
#ifndef _WIN32
    // Natively the tests run side by side: a cluster of its own keeps their
    // statements out of the figures. Under Wine they run one at a time on
    // the shared one.
    const char* dir = std::getenv("QX_TEST_DIR");
    cardtest::PrivateCluster cluster(std::string(dir ? dir : ".") + "/card_bench_db");
#endif
    cardtest::Hotel hotel("card_bench");
    hotel.reset();
    hotel.setClock("2026-03-04 08:15:00");
    // Users 0000.. for ProcessCard and 1000.. for the plain calls, each with
    // a card of its own.
    for (int u = 0; u < kUsers; ++u) {
        hotel.addUser({code(u, 4), "Ours" + std::to_string(u), "P" + std::to_string(u), code(10000 + u, 5)});
        hotel.addUser({code(1000 + u, 4), "Plain" + std::to_string(u), "P" + std::to_string(u),
                       code(20000 + u, 5)});
    }

    TestDatabase database(cardtest::connectionString("card_bench"));
    qx::odbc::Connection plainConnection;
    plainConnection.connect(cardtest::connectionString("card_bench"));
    PlainCard plain(plainConnection);

    // Each user clocks in and out in turn: the first clock-in inserts, the
    // later ones reopen the record. The two sides alternate card by card.
    std::vector<double> ours, theirs;
    for (int k = 0; k < kCards; ++k) {
        const int u = k % kUsers;
        const bool onDuty = (k / kUsers) % 2 == 0;

        RecordingView view(onDuty);
        const std::string card = ";" + code(10000 + u, 5) + "?";
        auto start = Clock::now();
        qx::CardTransaction(database, view).ProcessCard(card);
        ours.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        ASSERT_EQ(view.result, qx::DutyMessages[8]) << "card " << k;

        start = Clock::now();
        const std::string memo = plain.run(";" + code(20000 + u, 5) + "?", onDuty);
        theirs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        ASSERT_EQ(memo.substr(0, 5), "Plain") << memo;
    }

    const Figures a = figures(ours), b = figures(theirs);
    std::printf("card benchmark, %d cards per side (microseconds per card)\n", kCards);
    std::printf("  ProcessCard:  median %8.1f  p99 %8.1f\n", a.median, a.p99);
    std::printf("  plain ODBC:   median %8.1f  p99 %8.1f\n", b.median, b.p99);
    std::printf("  ratio:        median %8.3f  p99 %8.3f\n", a.median / b.median, a.p99 / b.p99);
}

}  // namespace
