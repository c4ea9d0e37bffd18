// The card box's auto-clear second: keys and timer ticks in the order the
// dialog's thread handles them, each with the message time it carries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "duty/card_entry_clock.h"

namespace qx {
namespace {

enum class Kind { Key, Tick };

// What the card box does for an event.
enum class Then {
    Opens,            // key: first key of a new entry, nothing cleared
    Joins,            // key: part of the open entry
    ClearsThenOpens,  // key: the open entry is over, the box is emptied, the key opens the next
    Clears,           // tick: the box is emptied, the entry is over
    Nothing,          // tick: nothing happens
};

std::string name(Then t) {
    switch (t) {
    case Then::Opens: return "opens";
    case Then::Joins: return "joins";
    case Then::ClearsThenOpens: return "clears then opens";
    case Then::Clears: return "clears";
    case Then::Nothing: return "nothing";
    }
    return "?";
}

struct Event {
    Kind kind;
    std::uint32_t at;  // ms after the case's starting time
    Then then;
};

struct Case {
    const char* what;
    std::vector<Event> events;
};

constexpr Kind K = Kind::Key;
constexpr Kind T = Kind::Tick;

const Case kCases[] = {
    {"a reader's card and Enter inside the second, then the tick",
     {{K, 0, Then::Opens}, {K, 4, Then::Joins}, {K, 8, Then::Joins}, {K, 40, Then::Joins}, {T, 1000, Then::Clears}}},
    {"slow keys do not extend the second; the next key after the tick opens anew",
     {{K, 0, Then::Opens}, {K, 600, Then::Joins}, {K, 999, Then::Joins}, {T, 1000, Then::Clears},
      {K, 1200, Then::Opens}, {T, 2200, Then::Clears}}},
    {"two cards inside one second both belong to it",
     {{K, 0, Then::Opens}, {K, 40, Then::Joins}, {K, 500, Then::Joins}, {K, 540, Then::Joins},
      {T, 1000, Then::Clears}}},
    {"a key typed exactly one second after the first, handled before the tick",
     {{K, 0, Then::Opens}, {K, 1000, Then::ClearsThenOpens}, {T, 1001, Then::Nothing}, {T, 2000, Then::Clears}}},
    {"a card typed after the second while the tick is overdue: the late tick spares it",
     {{K, 0, Then::Opens}, {K, 40, Then::Joins}, {K, 1300, Then::ClearsThenOpens}, {K, 1304, Then::Joins},
      {T, 1500, Then::Nothing}, {K, 1700, Then::Joins}, {K, 1740, Then::Joins}, {T, 2300, Then::Clears}}},
    {"a card typed across the end of the second is cut where the second ends",
     {{K, 0, Then::Opens}, {K, 980, Then::Joins}, {K, 996, Then::Joins}, {K, 1004, Then::ClearsThenOpens},
      {K, 1020, Then::Joins}, {T, 1100, Then::Nothing}, {T, 2004, Then::Clears}}},
    {"a late tick after keys that all came inside the second still clears",
     {{K, 0, Then::Opens}, {K, 500, Then::Joins}, {T, 1800, Then::Clears}, {K, 1900, Then::Opens}}},
    {"a tick one millisecond early changes nothing, the next one clears",
     {{K, 0, Then::Opens}, {T, 999, Then::Nothing}, {T, 1000, Then::Clears}, {T, 2000, Then::Nothing}}},
    {"a tick with no entry open changes nothing",
     {{T, 1000, Then::Nothing}, {K, 1200, Then::Opens}, {K, 1300, Then::Joins}, {T, 2199, Then::Nothing},
      {T, 2200, Then::Clears}}},
    {"a key long after the entry's second, with no tick between",
     {{K, 0, Then::Opens}, {K, 86'400'000, Then::ClearsThenOpens}, {K, 86'400'500, Then::Joins}}},
};

// Starting times: the tick count's first values, its wrap from 2^32 - 1 to 0
// inside an entry (and just before the start), and the turn of the signed
// value that the platform hands out as message time.
const std::uint32_t kStarts[] = {0u, 0xFFFFFE00u, 0xFFFFFFFFu, 0x7FFFFE00u, 0x7FFFFFFFu};

TEST(CardEntryClock, KeysAndTicksInHandlingOrder) {
    for (std::uint32_t start : kStarts) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.what) + ", starting at " + std::to_string(start));
            CardEntryClock clock;
            EXPECT_FALSE(clock.entryOpen());
            bool open = false;  // an entry has opened that no key or tick has ended
            for (const Event& e : c.events) {
                const auto at = static_cast<CardEntryClock::Time>(start + e.at);
                Then got;
                if (e.kind == Kind::Key) {
                    const CardEntryClock::KeyStep step = clock.keyDown(at);
                    EXPECT_TRUE(step.opensEntry || !step.clearFirst) << "cleared without opening an entry";
                    got = step.clearFirst ? Then::ClearsThenOpens : step.opensEntry ? Then::Opens : Then::Joins;
                    open = true;
                } else {
                    got = clock.tick(at) ? Then::Clears : Then::Nothing;
                    if (got == Then::Clears) open = false;
                }
                // The dialog stops its timer once no entry is open.
                EXPECT_EQ(clock.entryOpen(), open) << "after the event at +" << e.at;
                EXPECT_EQ(name(got), name(e.then)) << (e.kind == Kind::Key ? "key" : "tick") << " at +" << e.at;
            }
        }
    }
}

}  // namespace
}  // namespace qx
