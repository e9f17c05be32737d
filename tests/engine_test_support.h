// Driving the plug-in through the host library in the engine's tests:
// signals in, outputs and notes out, and hits started on demand.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"
#include "shell/plugin_info.h"

namespace enginetest {

using namespace plugin_info;

// A threshold no level reaches; as "Low Threshold" it releases every hit at once.
constexpr float kNever = 1e30f;
constexpr float kKick = plugin_info::kDrumSelectFixed[0];
constexpr float kSnare = plugin_info::kDrumSelectFixed[1];
constexpr float kHiHat = plugin_info::kDrumSelectFixed[2];
constexpr float kDetectionMode = plugin_info::kFunctionDetection;
constexpr float kTemplateMode = plugin_info::kFunctionTemplate;
constexpr int32_t kBlock = 512;
// One eighth of a beat at 44.1 kHz and 120 bpm is 2756 samples; the note-off
// goes out in the last of them.
constexpr int64_t kNoteOffAfter = 2755;

struct Stereo {
    explicit Stereo(size_t frames = 0, float value = 0.0f) : left(frames, value), right(frames, value) {}
    Stereo(std::vector<float> l, std::vector<float> r) : left(std::move(l)), right(std::move(r)) {}
    int64_t frames() const { return (int64_t)left.size(); }
    std::vector<float> left, right;
};

// Which processing call a test drives: processReplacing or processDoubleReplacing.
enum class Path { Single, Double };
constexpr Path kBothPaths[] = {Path::Single, Path::Double};

struct StereoDouble {
    std::vector<double> left, right;
};

// The 64-bit path with the signal widened; its outputs are kept whole.
inline StereoDouble runDouble(host::Instance& plugin, const Stereo& in, int32_t blockSize = kBlock) {
    StereoDouble wide{{in.left.begin(), in.left.end()}, {in.right.begin(), in.right.end()}};
    StereoDouble out{std::vector<double>(in.left.size()), std::vector<double>(in.left.size())};
    plugin.processStereoDouble(wide.left.data(), wide.right.data(), out.left.data(),
                               out.right.data(), in.frames(), blockSize);
    return out;
}

// Outputs of the 64-bit path are rounded to float here.
inline Stereo run(host::Instance& plugin, const Stereo& in, int32_t blockSize = kBlock,
                  Path path = Path::Single) {
    Stereo out(in.left.size());
    if (path == Path::Double) {
        StereoDouble wide = runDouble(plugin, in, blockSize);
        std::copy(wide.left.begin(), wide.left.end(), out.left.begin());
        std::copy(wide.right.begin(), wide.right.end(), out.right.begin());
        return out;
    }
    plugin.processStereo(in.left.data(), in.right.data(), out.left.data(), out.right.data(),
                         in.frames(), blockSize);
    return out;
}

inline void hold(host::Instance& plugin, int64_t frames, float value = 0.0f,
                 Path path = Path::Single) {
    run(plugin, Stereo((size_t)frames, value), kBlock, path);
}

// A hit starts in the next sample: no level is below a threshold of 0.
inline void startHit(host::Instance& plugin, float value = 0.0f, Path path = Path::Single) {
    plugin.setParameter(kHighThreshold, 0.0f);
    hold(plugin, 1, value, path);
    plugin.setParameter(kHighThreshold, kNever);
}

inline uint32_t bitsOf(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Note-on and note-off as (position, status, note, velocity), for comparing streams.
struct Note {
    int64_t position;
    int status, note, velocity;
    bool operator==(const Note& o) const {
        return position == o.position && status == o.status && note == o.note &&
               velocity == o.velocity;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Note& n) {
    return os << "{" << n.position << ", 0x" << std::hex << n.status << std::dec << ", " << n.note
              << ", " << n.velocity << "}";
}

inline std::vector<Note> notesOf(const host::Instance& plugin) {
    std::vector<Note> notes;
    for (const host::MidiRecord& r : plugin.midiEvents())
        notes.push_back({r.samplePosition, r.status(), r.data1(), r.data2()});
    return notes;
}

constexpr int kOn = 0x99;
constexpr int kOff = 0x89;

// A fresh instance in detection mode that sends the kick for every hit and
// starts hits only when told (startHit); every hit is released in the sample
// after its note-on.
inline std::unique_ptr<host::Instance> detectingInstance(host::HostSettings settings = {}) {
    auto plugin = newInstance(settings);
    plugin->setParameter(kFunction, kDetectionMode);
    plugin->setParameter(kDrumSelect, kKick);
    plugin->setParameter(kHighThreshold, kNever);
    plugin->setParameter(kLowThreshold, kNever);
    return plugin;
}

class NoteTest : public ::testing::Test {
protected:
    void SetUp() override { plugin = detectingInstance(); }
    std::unique_ptr<host::Instance> plugin;
};

}  // namespace enginetest
