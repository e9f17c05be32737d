#include "reference_lockstep.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"
#include "shell/float_to_string.h"
#include "shell/plugin_info.h"

namespace reference {

namespace {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

constexpr size_t kDisplaySize = 9;

HostAnswers answersFor(const host::HostSettings& s) {
    // The host library answers the sample-rate question with an integer.
    return {(intptr_t)s.sampleRate, s.timeInfoAvailable, s.tempoValid, s.tempo};
}

std::string hex(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%a (%.9g)", x, x);
    return text;
}

std::string describe(int64_t position, const VstMidiEvent& e) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "at %lld: type %d size %d delta %d flags %d len %d off %d data %02x %02x %02x "
                  "%02x detune %d offvel %d res %d %d",
                  (long long)position, e.type, e.byteSize, e.deltaFrames, e.flags, e.noteLength,
                  e.noteOffset, (uint8_t)e.midiData[0], (uint8_t)e.midiData[1],
                  (uint8_t)e.midiData[2], (uint8_t)e.midiData[3], e.detune, e.noteOffVelocity,
                  e.reserved1, e.reserved2);
    return text;
}

template <typename T>
AssertionResult compareOutputs(const std::vector<T>& plugin, const std::vector<T>& model,
                               const char* channel, int64_t blockStart, const Stereo& signal,
                               size_t begin) {
    for (size_t i = 0; i < plugin.size(); i++) {
        if (std::memcmp(&plugin[i], &model[i], sizeof(T)) == 0) continue;
        return AssertionFailure()
               << channel << " output differs first at sample " << blockStart + (int64_t)i
               << " (offset " << i << " in a block of " << plugin.size() << ", "
               << (sizeof(T) == 4 ? "32" : "64") << "-bit path): library " << hex(plugin[i])
               << ", model " << hex(model[i]) << "; input there " << hex(signal.left[begin + i])
               << " / " << hex(signal.right[begin + i]);
    }
    return AssertionSuccess();
}

std::string display(host::Instance& plugin, int32_t index) {
    return plugin.getString(effGetParamDisplay, index);
}

std::string display(float value) {
    char text[kDisplaySize] = {};
    float2string(value, text, kDisplaySize - 1);
    return text;
}

}  // namespace

int32_t BlockSizes::next() {
    std::uniform_int_distribution<int> kind(0, 49);
    const int k = kind(rng) / 5;
    if (k == 0 && kind(rng) == 0) return 0;  // a call that only asks the host
    auto within = [&](int32_t lo, int32_t hi) {
        hi = std::min(hi, largest);
        return std::uniform_int_distribution<int32_t>(std::min(lo, hi), hi)(rng);
    };
    if (k < 3) return 1;
    if (k < 5) return within(2, 17);
    if (k < 8) return within(18, largest / 4);
    return within(largest / 4, largest);
}

Lockstep::Lockstep(host::HostSettings settings)
    : plugin(newInstance(settings)), answers(answersFor(settings)) {}

void Lockstep::setParameter(int32_t index, float value) {
    plugin->setParameter(index, value);
    reference.setParameter(index, value);
}

void Lockstep::setHost(const host::HostSettings& settings) {
    plugin->settings = settings;
    answers = answersFor(settings);
}

void Lockstep::setSampleRate(float rate) {
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    reference.setSampleRate(rate);
}

AssertionResult Lockstep::block(const Stereo& signal, size_t begin, int32_t count, Path path) {
    const int64_t start = plugin->samplePosition();
    const size_t n = (size_t)count;
    AssertionResult same = AssertionSuccess();
    if (path == Path::Single) {
        std::vector<float> inL(n), inR(n), gotL(n, -7.0f), gotR(n, -7.0f), wantL(n), wantR(n);
        for (size_t i = 0; i < n; i++) {
            inL[i] = (float)signal.left[begin + i];
            inR[i] = (float)signal.right[begin + i];
        }
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {gotL.data(), gotR.data()};
        plugin->process(in, out, count);
        reference.process(inL.data(), inR.data(), wantL.data(), wantR.data(), count, answers);
        same = compareOutputs(gotL, wantL, "left", start, signal, begin);
        if (same) same = compareOutputs(gotR, wantR, "right", start, signal, begin);
    } else {
        std::vector<double> gotL(n, -7.0), gotR(n, -7.0), wantL(n), wantR(n);
        double* in[2] = {const_cast<double*>(&signal.left[begin]),
                         const_cast<double*>(&signal.right[begin])};
        double* out[2] = {gotL.data(), gotR.data()};
        plugin->processDouble(in, out, count);
        reference.processDouble(in[0], in[1], wantL.data(), wantR.data(), count, answers);
        same = compareOutputs(gotL, wantL, "left", start, signal, begin);
        if (same) same = compareOutputs(gotR, wantR, "right", start, signal, begin);
    }
    if (same) same = compareEvents();
    if (same) same = compareParameters();
    return same;
}

AssertionResult Lockstep::run(const Stereo& signal, BlockSizes& sizes,
                              const std::function<Path()>& path,
                              const std::function<void(Lockstep&)>& between) {
    for (size_t at = 0; at < signal.size();) {
        if (between) between(*this);
        const int32_t n = (int32_t)std::min<size_t>((size_t)sizes.next(), signal.size() - at);
        AssertionResult same = block(signal, at, n, path());
        if (!same) return same;
        at += (size_t)n;
    }
    return AssertionSuccess();
}

AssertionResult Lockstep::compareEvents() {
    const std::vector<host::MidiRecord> got = plugin->midiEvents();
    const std::vector<SentEvent>& want = reference.events();
    for (size_t i = eventsCompared; i < std::max(got.size(), want.size()); i++) {
        if (i >= got.size())
            return AssertionFailure() << "the library did not send event #" << i << ", model: "
                                      << describe(want[i].samplePosition, want[i].event);
        if (i >= want.size())
            return AssertionFailure() << "the library sent an extra event #" << i << ": "
                                      << describe(got[i].samplePosition, got[i].event);
        if (got[i].samplePosition != want[i].samplePosition ||
            std::memcmp(&got[i].event, &want[i].event, sizeof(VstMidiEvent)) != 0)
            return AssertionFailure() << "event #" << i << " differs: library "
                                      << describe(got[i].samplePosition, got[i].event)
                                      << ", model "
                                      << describe(want[i].samplePosition, want[i].event);
    }
    eventsCompared = got.size();
    return AssertionSuccess();
}

AssertionResult Lockstep::compareParameters() {
    for (int32_t index = 0; index < plugin_info::kNumParams; index++) {
        const float got = plugin->getParameter(index);
        const float want = reference.getParameter(index);
        if (std::memcmp(&got, &want, sizeof got) != 0)
            return AssertionFailure() << "parameter " << index << " reads back " << hex(got)
                                      << ", model " << hex(want) << " after sample "
                                      << plugin->samplePosition();
    }
    const std::string gotDivide = display(*plugin, plugin_info::kRatioDivide);
    if (gotDivide != display(reference.ratioDivide()))
        return AssertionFailure() << "\"Ratio Divide\" displays " << gotDivide << ", model "
                                  << display(reference.ratioDivide()) << " after sample "
                                  << plugin->samplePosition();
    return AssertionSuccess();
}

size_t Lockstep::noteOns() const {
    size_t n = 0;
    for (const SentEvent& e : reference.events()) n += (uint8_t)e.event.midiData[0] == 0x99;
    return n;
}

size_t Lockstep::noteOffs() const {
    size_t n = 0;
    for (const SentEvent& e : reference.events()) n += (uint8_t)e.event.midiData[0] == 0x89;
    return n;
}

}  // namespace reference
