#include "note_schedule.h"

#include <algorithm>

namespace {

// Time order; at one sample a note-off goes first, so a struck-again drum's
// old note ends before its new one starts.
bool before(const NoteSchedule::Event& a, const NoteSchedule::Event& b) {
    if (a.position != b.position) return a.position < b.position;
    return !a.on && b.on;
}

}  // namespace

bool NoteSchedule::add(int64_t onAt, int64_t offAt, int32_t note, int32_t velocity) {
    if (note < 0 || note >= kNotes || count_ + 2 > kCapacity) return false;
    // The same note's pending note-off moves forward to the new note-on.
    for (int i = 0; i < count_; i++) {
        if (events_[i].note == note && !events_[i].on && events_[i].position > onAt) {
            Event moved = events_[i];
            moved.position = onAt;
            drop(i, i + 1);
            insert(moved);
            break;
        }
    }
    insert(Event{onAt, note, velocity, true});
    insert(Event{offAt, note, 0, false});
    return true;
}

void NoteSchedule::insert(const Event& e) {
    Event* end = events_.data() + count_;
    Event* at = std::upper_bound(events_.data(), end, e, before);
    std::move_backward(at, end, end + 1);
    *at = e;
    count_++;
}

void NoteSchedule::drop(int count) { drop(0, count); }

void NoteSchedule::drop(int from, int to) {
    std::move(events_.data() + to, events_.data() + count_, events_.data() + from);
    count_ -= to - from;
}
