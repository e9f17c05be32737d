// The transcriber allocates nothing while it processes: this program
// replaces the C allocator and the C++ operators (over glibc's own
// functions) and counts the calls made while processing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <new>

#include "tests/transcriber_test_support.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {

thread_local bool armed = false;
int allocations = 0;

void* counted(void* p) {
    if (armed) allocations++;
    return p;
}

void release(void* p) { __libc_free(p); }

}  // namespace

extern "C" void* malloc(size_t size) { return counted(__libc_malloc(size)); }
extern "C" void* calloc(size_t n, size_t size) { return counted(__libc_calloc(n, size)); }
extern "C" void* realloc(void* p, size_t size) { return counted(__libc_realloc(p, size)); }
void* operator new(size_t size) {
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }

namespace {

using namespace transcriber_test;

TEST(TranscriberRealTime, ProcessAndFlushAllocateNothing) {
    transcriber::Transcriber engine;
    teach(engine, 48000.0, 44100.0);
    std::vector<float> audio = drums::any_rate::render(drums::any_rate::groove(8), 4.5, 48000.0);
    audio[5000] = std::numeric_limits<float>::quiet_NaN();
    HitList sink;
    allocations = 0;
    armed = true;
    for (size_t block : {1, 512, 4096})
        for (size_t at = 0; at < audio.size(); at += block)
            engine.process(audio.data() + at, std::min(block, audio.size() - at), sink);
    engine.flush(sink);
    engine.restart();
    armed = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(sink.count, 20u);  // it did transcribe
}

}  // namespace
