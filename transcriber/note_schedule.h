// Notes waiting for their sample. The engine reports a hit up to its latency
// after the onset; each note-on goes out exactly one latency after its onset,
// so a host that compensates the reported delay records it at the onset, and
// its note-off a fixed time later. A drum struck again while its note still
// sounds ends that note just before the new one.
//
// The plug-in and the command share it, so their notes end alike. Fixed
// capacity, no allocation: in the plug-in used by the audio thread only (and
// by the dispatcher's thread while processing is stopped).
#pragma once

#include <array>
#include <cstdint>

class NoteSchedule {
public:
    struct Event {
        int64_t position;  // sample of the plug-in's stream
        int32_t note;
        int32_t velocity;
        bool on;
    };
    static constexpr int kCapacity = 256;
    // Each note-off follows its note-on by this long, whatever the tempo.
    static constexpr double kNoteSeconds = 0.050;
    static constexpr int kNotes = 128;

    // False, scheduling nothing, when there is no room for both events.
    bool add(int64_t onAt, int64_t offAt, int32_t note, int32_t velocity);

    // Hands every event before `end` to send(event), in time order (at one
    // sample, note-offs first), and forgets it.
    template <typename Send>
    void sendBefore(int64_t end, Send&& send) {
        int sent = 0;
        while (sent < count_ && events_[sent].position < end) {
            const Event& e = events_[sent++];
            sounding_[e.note] = e.on;
            send(e);
        }
        drop(sent);
    }

    // Ends every sounding note through send(note-off event) and drops what
    // was still to come (its note-ons were never heard).
    template <typename Send>
    void endAll(Send&& send) {
        for (int32_t note = 0; note < kNotes; note++)
            if (sounding_[note]) send(Event{0, note, 0, false});
        sounding_.fill(false);
        count_ = 0;
    }

    bool empty() const { return count_ == 0; }

private:
    void insert(const Event& e);
    // Forgets the first `count` events, or those from `from` to before `to`.
    void drop(int count);
    void drop(int from, int to);

    std::array<Event, kCapacity> events_{};
    int count_ = 0;
    std::array<bool, kNotes> sounding_{};
};
