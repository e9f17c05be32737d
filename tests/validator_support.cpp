#include "validator_support.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "plugin_fixture.h"
#include "shell/plugin_info.h"
#include "tools/drum_synth_tones.h"

namespace validator {

namespace {

constexpr float kRightGain = 0.9f;  // the two channels differ a little

}  // namespace

void Stereo::append(const Stereo& other) {
    left.insert(left.end(), other.left.begin(), other.left.end());
    right.insert(right.end(), other.right.begin(), other.right.end());
}

void Stereo::appendSilence(size_t frames) {
    left.resize(left.size() + frames, 0.0f);
    right.resize(right.size() + frames, 0.0f);
}

Stereo drumHit(Drum drum, float gain, uint32_t seed) {
    std::vector<float> samples = drums::tones::hit(drum, seed);
    Stereo hit;
    hit.left.resize(samples.size());
    hit.right.resize(samples.size());
    for (size_t i = 0; i < samples.size(); i++) {
        hit.left[i] = gain * samples[i];
        hit.right[i] = gain * kRightGain * samples[i];
    }
    return hit;
}

Stereo drumPattern(int hits, size_t gap) {
    static const Drum kOrder[] = {Drum::Kick, Drum::Snare, Drum::HiHat};
    Stereo pattern;
    for (int i = 0; i < hits; i++) {
        pattern.append(drumHit(kOrder[i % 3], 0.9f - 0.1f * (float)(i % 4), (uint32_t)i + 1));
        pattern.appendSilence(gap);
    }
    return pattern;
}

void setDetection(host::Instance& plugin, float drum) {
    plugin.setParameter(plugin_info::kRatioSelect, 0.0f);
    plugin.setParameter(plugin_info::kHighThreshold, kTestHighThreshold);
    plugin.setParameter(plugin_info::kLowThreshold, kTestLowThreshold);
    plugin.setParameter(plugin_info::kDrumSelect, drum);
    plugin.setParameter(plugin_info::kFunction, kDetectionMode);
}

std::string MidiFaults::text() const {
    std::ostringstream out;
    for (size_t i = 0; i < lines.size() && i < 20; i++) out << lines[i] << "\n";
    if (lines.size() > 20) out << "... " << lines.size() - 20 << " more\n";
    return out.str();
}

void checkBlockEvents(const std::vector<host::MidiRecord>& events, size_t first, int32_t frames,
                      MidiFaults& faults) {
    for (size_t i = first; i < events.size(); i++) {
        const VstMidiEvent& e = events[i].event;
        std::ostringstream where;
        where << "event " << i << " at sample " << events[i].samplePosition << " (block of "
              << frames << "): ";
        auto fault = [&](const std::string& what) { faults.lines.push_back(where.str() + what); };
        uint8_t status = (uint8_t)e.midiData[0];
        if (e.type != kVstMidiType) fault("type " + std::to_string(e.type));
        if (e.byteSize != 24) fault("byteSize " + std::to_string(e.byteSize));
        if (status != 0x99 && status != 0x89) fault("status " + std::to_string(status));
        if ((uint8_t)e.midiData[1] >= 128 || (uint8_t)e.midiData[2] >= 128)
            fault("data byte above 127");
        if (e.midiData[3] != 0) fault("fourth data byte not 0");
        if (e.deltaFrames < 0 || e.deltaFrames >= frames)
            fault("deltaFrames " + std::to_string(e.deltaFrames));
    }
}

void processChecked(host::Instance& plugin, const Stereo& input, int32_t blockSize,
                    MidiFaults& faults, Stereo* outputs, bool doublePath) {
    for (size_t start = 0; start < input.size(); start += (size_t)blockSize) {
        int32_t n = (int32_t)std::min<size_t>((size_t)blockSize, input.size() - start);
        // Exactly sized buffers, so that a sanitizer sees any write past them.
        std::vector<float> outL(n), outR(n);
        size_t before = plugin.midiEvents().size();
        if (doublePath) {
            std::vector<double> inL(input.left.begin() + start, input.left.begin() + start + n);
            std::vector<double> inR(input.right.begin() + start, input.right.begin() + start + n);
            std::vector<double> dL(n), dR(n);
            double* in[2] = {inL.data(), inR.data()};
            double* out[2] = {dL.data(), dR.data()};
            plugin.processDouble(in, out, n);
            for (int32_t i = 0; i < n; i++) {
                outL[i] = std::isfinite(dL[i]) ? (float)dL[i] : NAN;
                outR[i] = std::isfinite(dR[i]) ? (float)dR[i] : NAN;
            }
        } else {
            std::vector<float> inL(input.left.begin() + start, input.left.begin() + start + n);
            std::vector<float> inR(input.right.begin() + start, input.right.begin() + start + n);
            float* in[2] = {inL.data(), inR.data()};
            float* out[2] = {outL.data(), outR.data()};
            plugin.process(in, out, n);
        }
        checkBlockEvents(plugin.midiEvents(), before, n, faults);
        if (!allFinite(outL) || !allFinite(outR))
            faults.lines.push_back("non-finite output in the block at sample " +
                                   std::to_string(plugin.samplePosition() - n));
        if (outputs) {
            outputs->left.insert(outputs->left.end(), outL.begin(), outL.end());
            outputs->right.insert(outputs->right.end(), outR.begin(), outR.end());
        }
    }
}

std::vector<int> hangingNotes(const std::vector<host::MidiRecord>& events) {
    bool sounding[128] = {};
    for (const host::MidiRecord& r : events) {
        if (r.status() == 0x99) sounding[r.data1() & 0x7F] = true;
        if (r.status() == 0x89) sounding[r.data1() & 0x7F] = false;
    }
    std::vector<int> hanging;
    for (int note = 0; note < 128; note++)
        if (sounding[note]) hanging.push_back(note);
    return hanging;
}

std::vector<host::MidiRecord> noteOns(const std::vector<host::MidiRecord>& events) {
    std::vector<host::MidiRecord> ons;
    for (const host::MidiRecord& r : events)
        if (r.status() == 0x99) ons.push_back(r);
    return ons;
}

bool allFinite(const std::vector<float>& samples) {
    for (float s : samples)
        if (!std::isfinite(s)) return false;
    return true;
}

}  // namespace validator
