// What one card sends to the server, and a desk that outlives a server
// restart. Both run on a cluster of this program's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "card_fixture.h"
#include "duty/duty_messages.h"
#include "private_cluster.h"

namespace {

using cardtest::DutyRow;
using cardtest::RecordingView;
using cardtest::TestDatabase;

std::string msg(int number) { return qx::DutyMessages[number]; }

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* dir = std::getenv("QX_TEST_DIR");
        cluster_ = std::make_unique<cardtest::PrivateCluster>(std::string(dir ? dir : ".") +
                                                              "/card_server_db");
        hotel_ = std::make_unique<cardtest::Hotel>("card_server");
    }
    static void TearDownTestSuite() {
        hotel_.reset();
        cluster_.reset();
    }
    void SetUp() override {
        hotel_->reset();
        hotel_->addUser({"0001", "Zhang", "P-0001", "12345"});
        hotel_->addUser({"0002", "Li", "P-0002", ";67890?"});
        hotel_->setClock("2026-03-04 08:15:00");
    }
    static std::string connection() { return cardtest::connectionString("card_server"); }

    static std::unique_ptr<cardtest::PrivateCluster> cluster_;
    static std::unique_ptr<cardtest::Hotel> hotel_;
};
std::unique_ptr<cardtest::PrivateCluster> ServerTest::cluster_;
std::unique_ptr<cardtest::Hotel> ServerTest::hotel_;

// One statement as the server logged it: its text and its parameters.
struct Logged {
    std::string sql;
    std::string parameters;  // "$1 = '...', $2 = '...'", or empty
    friend bool operator==(const Logged&, const Logged&) = default;
};
std::ostream& operator<<(std::ostream& out, const Logged& l) {
    return out << '"' << l.sql << '"' << (l.parameters.empty() ? "" : " [" + l.parameters + "]");
}

// Reads the server's log from `offset` on and keeps what the server process
// `pid` logged: each statement ("statement: ..." for a plain one, "execute
// <name>: ..." for one with parameters) with its parameters.
class StatementLog {
public:
    StatementLog(std::string path, std::string pid) : path_(std::move(path)), tag_(" [" + pid + "] ") {
        offset_ = size();
    }
    std::vector<Logged> sinceStart() const {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(offset_);
        std::vector<Logged> statements;
        for (std::string line; std::getline(in, line);) {
            const size_t tag = line.find(tag_);
            if (tag == std::string::npos) continue;
            const std::string rest = line.substr(tag + tag_.size());
            if (rest.rfind("LOG:  statement: ", 0) == 0) {
                statements.push_back({rest.substr(17), ""});
            } else if (rest.rfind("LOG:  execute ", 0) == 0) {
                statements.push_back({rest.substr(rest.find(": ", 14) + 2), ""});
            } else if (rest.rfind("DETAIL:  parameters: ", 0) == 0 && !statements.empty()) {
                statements.back().parameters = rest.substr(21);
            } else if (rest.rfind("LOG:  ", 0) == 0 || rest.rfind("ERROR:  ", 0) == 0) {
                statements.push_back({rest, "?"});  // anything else is worth seeing
            }
        }
        return statements;
    }

private:
    std::streamoff size() const {
        std::ifstream in(path_, std::ios::binary | std::ios::ate);
        return in.tellg();
    }
    std::string path_;
    std::string tag_;
    std::streamoff offset_;
};

const char* const kClock = "select GetDate() from HotelOption";
const char* const kUser = "select UserID,UserName,PassNo from HotelUser_V where AccessCode=$1 or AccessCode=$2";
const char* const kDuty = "select * from OnDuty where HotelDate=$1 and UserID=$2";
const char* const kClockIn = "update OnDuty set OnTime=GetDate(),Offtime=null where HotelDate=$1 and UserID=$2";
const char* const kInsert =
    "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime) values($1,$2,$3,$4,GetDate())";
const char* const kClockOut = "update OnDuty set OffTime=GetDate() where HotelDate=$1 and UserID=$2";

TEST_F(ServerTest, EachCardSendsItsStatementsAndNothingElse) {
    const struct {
        const char* name;
        bool onDuty;
        const char* clock;
        const char* card;
        std::vector<Logged> statements;
    } cards[] = {
        {"first clock-in", true, "2026-03-04 08:15:00", "12345",
         {{kClock, ""},
          {kUser, "$1 = '12345', $2 = ';12345?'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"},
          {kClockIn, "$1 = '2026-03-04', $2 = '0001'"},
          {kInsert, "$1 = '2026-03-04', $2 = '0001', $3 = 'Zhang', $4 = 'P-0001'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"}}},
        {"clock-out", false, "2026-03-04 17:00:00", ";12345?",
         {{kClock, ""},
          {kUser, "$1 = ';12345?', $2 = '12345'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"},
          {kClockOut, "$1 = '2026-03-04', $2 = '0001'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"}}},
        {"clock-in on the complete record", true, "2026-03-04 18:00:00", "12345",
         {{kClock, ""},
          {kUser, "$1 = '12345', $2 = ';12345?'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"},
          {kClockIn, "$1 = '2026-03-04', $2 = '0001'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"}}},
        {"clock-out after midnight", false, "2026-03-05 01:00:00", "12345",
         {{kClock, ""},
          {kUser, "$1 = '12345', $2 = ';12345?'"},
          {kDuty, "$1 = '2026-03-05', $2 = '0001'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"},
          {kClockOut, "$1 = '2026-03-04', $2 = '0001'"},
          {kDuty, "$1 = '2026-03-04', $2 = '0001'"}}},
        {"a quote in the card stays a value", true, "2026-03-05 01:00:00", "12345' --",
         {{kClock, ""}, {kUser, "$1 = '12345'' --', $2 = ';12345'' --?'"}}},
    };

    TestDatabase database(connection());
    const std::string pid = database.backendPid();
    for (const auto& card : cards) {
        SCOPED_TRACE(card.name);
        hotel_->setClock(card.clock);
        StatementLog log(cluster_->logPath(), pid);
        RecordingView view(card.onDuty);
        qx::CardTransaction(database, view).ProcessCard(card.card);
        EXPECT_EQ(view.result, card.statements.size() > 2 ? msg(8) : msg(4));
        EXPECT_EQ(log.sinceStart(), card.statements);
    }
}

TEST_F(ServerTest, TheNextCardAfterAServerRestartIsStored) {
    TestDatabase database(connection());
    RecordingView first(true);
    qx::CardTransaction(database, first).ProcessCard("12345");
    ASSERT_EQ(first.result, msg(8));

    cluster_->halt();
    cluster_->resume();
    hotel_->reconnect();
    RecordingView second(true);
    qx::CardTransaction(database, second).ProcessCard("67890");
    EXPECT_EQ(second.result, msg(8));
    EXPECT_EQ(second.infoColor(), qx::kColorTeal);
    EXPECT_EQ(database.reconnects, 1);

    // With the server down, the one reconnect fails and the card ends in the
    // error, the view as it was; once the server is back, the card goes through.
    hotel_->setClock("2026-03-04 17:00:00");
    cluster_->halt();
    RecordingView third(false);
    EXPECT_THROW(qx::CardTransaction(database, third).ProcessCard("12345"), qx::DbError);
    EXPECT_EQ(third.changes, 0);
    EXPECT_EQ(database.reconnects, 2);
    cluster_->resume();
    hotel_->reconnect();
    qx::CardTransaction(database, third).ProcessCard("12345");
    EXPECT_EQ(third.result, msg(8));
    EXPECT_EQ(database.reconnects, 3);

    EXPECT_EQ(hotel_->duty(),
              (std::vector<DutyRow>{
                  {"2026-03-04", "0001", "Zhang", "P-0001", "2026-03-04 08:15:00", "2026-03-04 17:00:00"},
                  {"2026-03-04", "0002", "Li", "P-0002", "2026-03-04 08:15:00", std::nullopt}}));
}

}  // namespace
