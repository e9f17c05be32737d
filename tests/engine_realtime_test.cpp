// Processing allocates and frees nothing, in either precision, whatever the
// engine does: notes, learning, matching. This program exports counting
// replacements of the allocation functions; the plug-in's calls resolve to
// them, and they count only while a processing call runs.
#include <atomic>
#include <cstdlib>
#include <new>

#include "engine_drum_signal.h"
#include "engine_test_support.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {

std::atomic<bool> counting{false};
std::atomic<int> allocations{0};

void* allocate(size_t size) {
    if (counting) allocations++;
    return __libc_malloc(size ? size : 1);
}

void release(void* p) {
    if (counting && p) allocations++;
    __libc_free(p);
}

}  // namespace

extern "C" void* malloc(size_t size) { return allocate(size); }
extern "C" void* calloc(size_t n, size_t size) {
    if (counting) allocations++;
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
    if (counting) allocations++;
    return __libc_realloc(p, size);
}
extern "C" void free(void* p) { release(p); }
void* operator new(size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }

namespace {

using namespace enginetest;

std::atomic<int> eventsReceived{0};

// A host that answers without allocating, so whatever is counted is the plug-in's.
intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    static VstTimeInfo time{};
    switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterGetSampleRate: return 44100;
        case audioMasterGetTime:
            time.tempo = 480.0;  // short notes, so note-offs happen too
            time.flags = kVstTempoValid;
            return reinterpret_cast<intptr_t>(&time);
        case audioMasterProcessEvents: eventsReceived++; return 1;
    }
    return 0;
}

template <typename T>
void processCounting(AEffect* effect, const std::vector<float>& signal) {
    std::vector<T> in(signal.begin(), signal.end()), outL(signal.size()), outR(signal.size());
    for (size_t start = 0; start < signal.size(); start += kBlock) {
        T* inputs[2] = {in.data() + start, in.data() + start};
        T* outputs[2] = {outL.data() + start, outR.data() + start};
        counting = true;
        if constexpr (std::is_same_v<T, float>)
            effect->processReplacing(effect, inputs, outputs, kBlock);
        else
            effect->processDoubleReplacing(effect, inputs, outputs, kBlock);
        counting = false;
    }
}

TEST(Realtime, ProcessingNeverAllocates) {
    AEffect* effect = host::Instance::callEntry(pluginLibrary(), quietHost);
    ASSERT_NE(effect, nullptr);
    constexpr int64_t kFrames = 64 * kBlock;
    std::vector<float> drums = drums::render(drums::groove(kFrames, 2000), kFrames);
    effect->setParameter(effect, kHighThreshold, 0.2f);
    effect->setParameter(effect, kLowThreshold, 1.5f);
    const std::pair<float, float> modes[] = {  // function, drum select
        {kTemplateMode, 0.0f}, {kDetectionMode, 0.0f}, {kDetectionMode, kSnare}};
    for (auto [function, drum] : modes) {
        effect->setParameter(effect, kFunction, function);
        effect->setParameter(effect, kDrumSelect, drum);
        processCounting<float>(effect, drums);
        processCounting<double>(effect, drums);
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(eventsReceived, 20);  // the note paths did run
}

}  // namespace
