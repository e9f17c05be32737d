#include "midi_file.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

constexpr uint16_t kMaxTicksPerQuarter = 0x7FFF;  // the top bit would mean SMPTE time
constexpr uint32_t kMaxMicrosecondsPerQuarter = 0xFFFFFF;
constexpr uint64_t kMicrosecondsPerSecond = 1000000;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kMetaTrackName = 0x03;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back((uint8_t)(v >> 8));
    out.push_back((uint8_t)v);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

void putVariableLength(std::vector<uint8_t>& out, uint64_t v) {
    uint8_t groups[10];
    int n = 0;
    do {
        groups[n++] = (uint8_t)(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

void putMeta(std::vector<uint8_t>& track, uint8_t type, const std::vector<uint8_t>& data) {
    putVariableLength(track, 0);
    track.push_back(kMetaEvent);
    track.push_back(type);
    putVariableLength(track, data.size());
    track.insert(track.end(), data.begin(), data.end());
}

void putEndOfTrack(std::vector<uint8_t>& track) { putMeta(track, kMetaEndOfTrack, {}); }

void putChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
    out.insert(out.end(), id, id + 4);
    put32(out, (uint32_t)body.size());
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> tempoTrack(const MidiTimeBase& base) {
    std::vector<uint8_t> track;
    // 4/4, a click every quarter, eight 32nds per quarter.
    putMeta(track, kMetaTimeSignature, {4, 2, 24, 8});
    uint32_t t = base.microsecondsPerQuarter;
    putMeta(track, kMetaTempo, {(uint8_t)(t >> 16), (uint8_t)(t >> 8), (uint8_t)t});
    putEndOfTrack(track);
    return track;
}

std::vector<uint8_t> noteTrack(const std::vector<TimedMidi>& events, const MidiTimeBase& base,
                               const std::string& name) {
    std::vector<uint8_t> track;
    putMeta(track, kMetaTrackName, std::vector<uint8_t>(name.begin(), name.end()));
    int64_t lastTick = 0;
    for (const TimedMidi& e : events) {
        int64_t tick = std::max(base.ticksAt(e.sample), lastTick);
        putVariableLength(track, (uint64_t)(tick - lastTick));
        track.insert(track.end(), {e.status, e.data1, e.data2});
        lastTick = tick;
    }
    putEndOfTrack(track);
    return track;
}

}  // namespace

MidiTimeBase MidiTimeBase::forTempo(double beatsPerMinute, int sampleRate) {
    MidiTimeBase base{};
    double micros = std::round(60e6 / beatsPerMinute);
    base.microsecondsPerQuarter = (uint32_t)std::clamp(micros, 1.0, (double)kMaxMicrosecondsPerQuarter);
    base.sampleRate = sampleRate;
    uint64_t scaledSamplesPerBeat = (uint64_t)base.microsecondsPerQuarter * (uint64_t)sampleRate;
    uint64_t ceilSamplesPerBeat = (scaledSamplesPerBeat + kMicrosecondsPerSecond - 1) / kMicrosecondsPerSecond;
    base.ticksPerQuarter = (uint16_t)std::clamp<uint64_t>(ceilSamplesPerBeat, 1, kMaxTicksPerQuarter);
    return base;
}

int64_t MidiTimeBase::ticksAt(int64_t sample) const {
    if (sample <= 0) return 0;
    // ticks = sample * ticksPerQuarter / samplesPerBeat, rounded to nearest, in exact integers.
    using Wide = unsigned __int128;
    Wide numerator = (Wide)sample * ticksPerQuarter * kMicrosecondsPerSecond;
    Wide denominator = (Wide)microsecondsPerQuarter * (Wide)sampleRate;
    return (int64_t)((2 * numerator + denominator) / (2 * denominator));
}

std::vector<uint8_t> encodeMidiFile(const std::vector<TimedMidi>& events, const MidiTimeBase& base,
                                    const std::string& trackName) {
    constexpr uint16_t kFormat = 1;
    constexpr uint16_t kTracks = 2;
    std::vector<uint8_t> header;
    put16(header, kFormat);
    put16(header, kTracks);
    put16(header, base.ticksPerQuarter);
    std::vector<uint8_t> out;
    putChunk(out, "MThd", header);
    putChunk(out, "MTrk", tempoTrack(base));
    putChunk(out, "MTrk", noteTrack(events, base, trackName));
    return out;
}

}  // namespace cli
