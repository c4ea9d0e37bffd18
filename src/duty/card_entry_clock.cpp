#include "duty/card_entry_clock.h"

namespace qx {

// A key is judged by when it was typed, not by when it is handled: while the
// dialog's thread is busy (a slow database answer, a stalled window
// operation) keys queue up behind it, and the timer's tick is only handed out
// once they are all handled. Going by the tick alone, a card typed after the
// second ran out would be added to the old entry's text, or be cut in two by
// the late tick.
CardEntryClock::KeyStep CardEntryClock::keyDown(Time typed) {
    KeyStep step;
    if (open_ && over(typed)) step.clearFirst = true;
    if (!open_ || step.clearFirst) {
        step.opensEntry = true;
        open_ = true;
        first_ = typed;
    }
    return step;
}

bool CardEntryClock::tick(Time now) {
    if (!open_ || !over(now)) return false;
    open_ = false;
    return true;
}

}  // namespace qx
