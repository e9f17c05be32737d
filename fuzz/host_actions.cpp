#include "host_actions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "byte_reader.h"
#include "tools/drum_synth.h"

namespace fuzzing {

namespace {

// Each action starts with one byte naming it, then the bytes its arguments
// need (see byte_reader.h).

enum Action : uint8_t {
    kDispatch,
    kSetParameter,
    kSetSwitch,
    kProcessRaw,
    kProcessHit,
    kHostChange,
    kEditor,
    kReadTexts,
    kActionCount
};

constexpr int32_t kHighestOpcode = 83;  // a few past the last defined one
constexpr size_t kBufferSize = 1024;
constexpr size_t kLargestAnswer = 256;
constexpr uint8_t kFill = 0xA5;
constexpr int32_t kLargestRawBlock = 8192;
constexpr int kMaxPattern = 16;
constexpr int kHitFrames = 2000;  // the onset, learning and matching come early
// Audio per input, all processing calls together: the fuzzer explores
// sequences of host actions, and more audio than a few hits adds no
// coverage, only time. Past it, processing calls get no more samples.
constexpr size_t kFramesPerInput = 16384;

const intptr_t kSampleRates[] = {44100, 48000, 0, -1, 22050, 96000, 1, 1000000000};
const double kTempos[] = {120.0, 0.0, -60.0, NAN, INFINITY, 1e-300, 1e300, 60.0};
const float kSwitchValues[] = {0.0f,  1.0f / 3.0f, 2.0f / 3.0f, 1.0f, 0.25f,
                               0.5f,  0.75f,       0.05f,       0.1f, 0.3f};

struct HostState {
    intptr_t sampleRate = 44100;
    bool timeInfoAvailable = true;
    VstTimeInfo timeInfo{};
    bool inBlock = false;
    int32_t blockFrames = 0;
    size_t framesLeft = kFramesPerInput;
    // The editor's size as first asked; it must not change.
    int editorWidth = 0, editorHeight = 0;
    Fault fault = nullptr;
};

HostState state;

void report(const std::string& what) {
    if (state.fault) state.fault(what);
}

void checkEvent(const VstEvent* event) {
    if (!event) return report("null event in the list");
    if (!state.inBlock) return report("event sent outside a processing call");
    const auto* e = reinterpret_cast<const VstMidiEvent*>(event);
    uint8_t status = (uint8_t)e->midiData[0];
    if (e->type != kVstMidiType || e->byteSize != 24) report("event record malformed");
    if (status != 0x99 && status != 0x89) report("status byte " + std::to_string(status));
    if ((uint8_t)e->midiData[1] > 127 || (uint8_t)e->midiData[2] > 127) report("data byte > 127");
    if (e->deltaFrames < 0 || e->deltaFrames >= state.blockFrames)
        report("deltaFrames " + std::to_string(e->deltaFrames) + " in a block of " +
               std::to_string(state.blockFrames));
}

std::vector<unsigned char> filledBuffer(Reader& in) {
    std::vector<unsigned char> buffer(kBufferSize, kFill);
    // Text the opcode may read: a few input bytes, terminated.
    size_t length = in.byte() % 40;
    for (size_t i = 0; i < length; i++) buffer[i] = (unsigned char)(in.byte() | 1);
    buffer[length] = 0;
    for (size_t i = length + 1; i < 64; i++) buffer[i] = 0;  // empty records, null pointers
    return buffer;
}

void dispatch(AEffect* effect, Reader& in, void* parentWindow) {
    int32_t opcode = in.byte() % (kHighestOpcode + 1);
    uint8_t flags = in.byte();
    int32_t index = flags & 1 ? in.raw<int32_t>() : (int8_t)in.byte();
    intptr_t value = flags & 2 ? in.raw<intptr_t>() : (int8_t)in.byte();
    float opt = flags & 4 ? in.raw<float>() : (float)in.byte();
    bool withPointer = flags & 8;
    if (opcode == effClose) return;  // the instance is closed at the end
    std::vector<unsigned char> buffer = filledBuffer(in);
    void* ptr = withPointer ? buffer.data() : nullptr;
    static unsigned char addressTarget[kBufferSize];
    // The interface's own argument types, as a careless but well-formed host sends them.
    if (opcode == effEditOpen && withPointer) {
        if (!parentWindow) return;
        ptr = parentWindow;
    }
    if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement)
        value = value ? reinterpret_cast<intptr_t>(addressTarget) : 0;
    if (opcode == effSetChunk) value = withPointer && value > 0 ? value % (intptr_t)kBufferSize : 0;
    effect->dispatcher(effect, opcode, index, value, ptr, opt);
    for (size_t i = kLargestAnswer; i < kBufferSize; i++)
        if (buffer[i] != kFill) return report("opcode " + std::to_string(opcode) + " wrote byte " + std::to_string(i));
}

// One processing call on the given channel buffers.
template <typename T>
void processCall(AEffect* effect, T* inL, T* inR, T* outL, T* outR, int32_t frames) {
    T* in[2] = {inL, inR};
    T* out[2] = {outL, outR};
    state.inBlock = true;
    state.blockFrames = frames;
    if constexpr (sizeof(T) == sizeof(float))
        effect->processReplacing(effect, in, out, frames);
    else
        effect->processDoubleReplacing(effect, in, out, frames);
    state.inBlock = false;
}

// The first `frames` samples of a signal in blocks of `blockSize`, in either
// precision. The buffers hold exactly those samples, so a sanitizer sees a
// write past the last block.
template <typename T>
void processSignal(AEffect* effect, const std::vector<float>& left,
                   const std::vector<float>& right, size_t frames, int32_t blockSize) {
    std::vector<T> inL(left.begin(), left.begin() + frames);
    std::vector<T> inR(right.begin(), right.begin() + frames);
    std::vector<T> outL(frames), outR(frames);
    for (size_t start = 0; start < frames; start += (size_t)blockSize) {
        int32_t n = (int32_t)std::min(frames - start, (size_t)blockSize);
        processCall(effect, &inL[start], &inR[start], &outL[start], &outR[start], n);
    }
}

// As much of the signal as the input's audio allowance still covers.
void processAny(AEffect* effect, bool doublePath, const std::vector<float>& left,
                const std::vector<float>& right, int32_t blockSize) {
    const size_t frames = std::min(left.size(), state.framesLeft);
    state.framesLeft -= frames;
    if (doublePath)
        processSignal<double>(effect, left, right, frames, blockSize);
    else
        processSignal<float>(effect, left, right, frames, blockSize);
}

// A block of arbitrary floats: a short pattern from the input, repeated.
// Counts of zero and below go to the plug-in as they are, with empty buffers.
void processRaw(AEffect* effect, Reader& in) {
    uint16_t count = in.raw<uint16_t>();
    int32_t frames = count & 0x8000 ? -(int32_t)(count & 0x7FFF) : count % (kLargestRawBlock + 1);
    bool doublePath = in.byte() & 1;
    int patternLength = in.byte() % kMaxPattern + 1;
    float pattern[kMaxPattern];
    for (int i = 0; i < patternLength; i++) pattern[i] = in.raw<float>();
    if (frames <= 0) {
        float none[1] = {};
        double noneDouble[1] = {};
        if (doublePath)
            processCall(effect, noneDouble, noneDouble, noneDouble, noneDouble, frames);
        else
            processCall(effect, none, none, none, none, frames);
        return;
    }
    std::vector<float> left((size_t)frames), right((size_t)frames);
    for (size_t i = 0; i < left.size(); i++) {
        left[i] = pattern[i % patternLength];
        right[i] = pattern[(i + 1) % patternLength];
    }
    processAny(effect, doublePath, left, right, frames);
}

// A synthetic drum hit and some silence, in blocks, so that the fuzzer
// reaches onsets, learning, matching and notes without guessing audio.
void processHit(AEffect* effect, Reader& in) {
    auto drum = (drums::Kind)(in.byte() % drums::kNumKinds);
    float gain = in.byte() / 64.0f;
    int32_t blockSize = in.byte() % 255 + 1;
    bool doublePath = in.byte() & 1;
    int64_t silence = in.byte() * 16;
    if (state.framesLeft == 0) return;
    // The first kHitFrames samples of the hit, then the silence.
    drums::Stereo hit(kHitFrames);
    drums::addHit(hit, drum, 0, gain, drums::kDefaultSampleRate);
    hit.left.resize((size_t)(kHitFrames + silence), 0.0f);
    processAny(effect, doublePath, hit.left, hit.left, blockSize);
}

void hostChange(AEffect* effect, Reader& in) {
    uint8_t flags = in.byte();
    state.sampleRate = kSampleRates[in.byte() % 8];
    state.timeInfo.tempo = flags & 1 ? in.raw<double>() : kTempos[in.byte() % 8];
    state.timeInfoAvailable = !(flags & 2);
    state.timeInfo.flags = flags & 4 ? 0 : kVstTempoValid;
    if (flags & 8) effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, in.raw<float>());
}

void editor(AEffect* effect, Reader& in, void* parentWindow) {
    switch (in.byte() % 5) {
        case 0:
            if (parentWindow) effect->dispatcher(effect, effEditOpen, 0, 0, parentWindow, 0.0f);
            break;
        case 1:
            effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
            break;
        case 2:
            effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
            break;
        case 3: {
            int32_t character = (int8_t)in.byte();
            intptr_t key = in.byte();
            float modifiers = (float)(in.byte() % 16);
            effect->dispatcher(effect, effEditKeyDown, character, key, nullptr, modifiers);
            effect->dispatcher(effect, effEditKeyUp, character, key, nullptr, modifiers);
            break;
        }
        default: {
            ERect* rect = nullptr;
            effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f);
            if (!rect) break;
            const int width = rect->right - rect->left, height = rect->bottom - rect->top;
            if (state.editorWidth == 0) state.editorWidth = width, state.editorHeight = height;
            if (width != state.editorWidth || height != state.editorHeight) report("editor rectangle changed");
        }
    }
}

// A text answer ends within `limit` characters and nothing is written after it.
void checkText(AEffect* effect, int32_t opcode, int32_t index, size_t limit) {
    char buffer[128];
    memset(buffer, (char)kFill, sizeof buffer);
    effect->dispatcher(effect, opcode, index, 0, buffer, 0.0f);
    if ((uint8_t)buffer[0] == kFill) return;  // untouched: an index it does not know
    const char* end = (const char*)memchr(buffer, 0, sizeof buffer);
    // Made only for a report: building it for every answer took much of a run.
    auto where = [&] { return "opcode " + std::to_string(opcode) + " index " + std::to_string(index); };
    if (!end) return report(where() + ": no terminator");
    size_t length = (size_t)(end - buffer);
    if (length > limit) report(where() + ": " + std::to_string(length) + " characters");
    for (size_t i = length + 1; i < sizeof buffer; i++)
        if ((uint8_t)buffer[i] != kFill) return report(where() + ": wrote after its terminator");
}

void readTexts(AEffect* effect) {
    for (int32_t index = -2; index <= 8; index++) {
        checkText(effect, effGetParamLabel, index, 12);
        checkText(effect, effGetParamDisplay, index, 8);
        checkText(effect, effGetParamName, index, 14);
    }
    checkText(effect, effGetProgramName, 0, 24);
    checkText(effect, effGetEffectName, 0, 32);
    checkText(effect, effGetVendorString, 0, 64);
    checkText(effect, effGetProductString, 0, 64);
}

}  // namespace

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterGetSampleRate:
            return state.sampleRate;
        case audioMasterGetTime:
            return state.timeInfoAvailable ? reinterpret_cast<intptr_t>(&state.timeInfo) : 0;
        case audioMasterProcessEvents: {
            const auto* list = static_cast<const VstEvents*>(ptr);
            if (!list) return 0;
            for (int32_t i = 0; i < list->numEvents; i++) checkEvent(list->events[i]);
            return 1;
        }
    }
    return 0;
}

void resetHost(Fault fault) {
    state = HostState{};
    state.timeInfo.tempo = 120.0;
    state.timeInfo.flags = kVstTempoValid;
    state.fault = fault;
}

void playActions(AEffect* effect, const uint8_t* data, size_t size, void* parentWindow) {
    Reader in(data, size);
    while (!in.empty()) {
        switch (in.byte() % kActionCount) {
            case kDispatch:
                dispatch(effect, in, parentWindow);
                break;
            case kSetParameter: {
                int32_t index = (int8_t)in.byte();
                effect->setParameter(effect, index, in.raw<float>());
                effect->getParameter(effect, index);
                break;
            }
            case kSetSwitch:
                effect->setParameter(effect, in.byte() % 7, kSwitchValues[in.byte() % 10]);
                break;
            case kProcessRaw:
                processRaw(effect, in);
                break;
            case kProcessHit:
                processHit(effect, in);
                break;
            case kHostChange:
                hostChange(effect, in);
                break;
            case kEditor:
                editor(effect, in, parentWindow);
                break;
            case kReadTexts:
                readTexts(effect);
                break;
        }
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace fuzzing
