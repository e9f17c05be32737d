#include "note_timeline.h"

#include <algorithm>

namespace cli {

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kKindMask = 0xF0;
constexpr uint8_t kChannelMask = 0x0F;
constexpr uint8_t kDataMask = 0x7F;
// A note-on of velocity 0 means note-off to every MIDI reader.
constexpr uint8_t kQuietestAudibleVelocity = 1;

}  // namespace

int64_t NoteTimeline::fileSample(int64_t processingSample) const {
    return std::max<int64_t>(0, processingSample - latency);
}

void NoteTimeline::endNote(int64_t sample, uint8_t channel, uint8_t key) {
    fileEvents.push_back({sample, (uint8_t)(kNoteOff | channel), key, onVelocity[key]});
    sounding[key]--;
}

void NoteTimeline::add(int64_t processingSample, uint8_t status, uint8_t data1, uint8_t data2) {
    int64_t sample = fileSample(processingSample);
    uint8_t kind = status & kKindMask;
    uint8_t key = data1 & kDataMask;
    uint8_t velocity = data2 & kDataMask;
    if (kind == kNoteOn) {
        // The plug-in means a hit even when its velocity is 0; written as it
        // is, the file would show no note at all.
        velocity = std::max(velocity, kQuietestAudibleVelocity);
        fileEvents.push_back({sample, status, key, velocity});
        noteOns.push_back({sample, key, velocity});
        sounding[key]++;
        onVelocity[key] = velocity;
        lastChannel = status & kChannelMask;
    } else if (kind == kNoteOff) {
        if (sounding[key] > 0) {
            fileEvents.push_back({sample, status, key, velocity});
            sounding[key]--;
        }
        // The plug-in keeps a single note-off schedule: a note that a newer
        // hit took it from would never end, so its end comes with this one.
        endAll(processingSample);
    } else {
        fileEvents.push_back({sample, status, data1, data2});
    }
}

void NoteTimeline::endOne(int64_t processingSample, uint8_t status, uint8_t key) {
    key &= kDataMask;
    if (sounding[key] == 0) return;
    fileEvents.push_back({fileSample(processingSample), status, key, 0});
    sounding[key]--;
}

bool NoteTimeline::anyNoteSounding() const {
    return std::any_of(sounding.begin(), sounding.end(), [](int n) { return n > 0; });
}

void NoteTimeline::endAll(int64_t processingSample) {
    int64_t sample = fileSample(processingSample);
    for (int key = 0; key < kNumKeys; key++)
        while (sounding[key] > 0) endNote(sample, lastChannel, (uint8_t)key);
}

}  // namespace cli
