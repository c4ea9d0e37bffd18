// The card box's auto-clear second, without the window: which keys belong to
// one entry, and when the box is to be emptied. Times are the platform's
// message times, a millisecond count that wraps every 2^32 ms (about 49.7
// days); they are only ever compared by their unsigned difference.
#pragma once

#include <cstdint>

namespace qx {

class CardEntryClock {
public:
    using Time = std::uint32_t;

    // How long an entry lasts, from its first key.
    static constexpr Time kEntryMs = 1000;

    // What a key asks of the card box before the key itself is handled.
    struct KeyStep {
        // The open entry's second had run out when this key was typed: the
        // box is emptied first.
        bool clearFirst = false;
        // This key is the first of a new entry, whose second runs from it.
        bool opensEntry = false;
    };

    // A key typed at `typed` (its message's time, however late it is
    // handled). Keys inside the open entry's second never extend it.
    KeyStep keyDown(Time typed);

    // The auto-clear timer's tick at `now`: true when the open entry's second
    // has run out, so the box is emptied; the entry is then over. A tick that
    // comes while the second still runs (one that fell due for an entry the
    // keys have already ended) changes nothing.
    bool tick(Time now);

    // Whether keys have opened an entry that no key or tick has ended yet.
    bool entryOpen() const { return open_; }

private:
    bool over(Time now) const { return static_cast<Time>(now - first_) >= kEntryMs; }

    bool open_ = false;
    Time first_ = 0;
};

}  // namespace qx
