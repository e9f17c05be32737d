// Proof that the audio thread never allocates, frees, locks, sleeps, does
// I/O or throws: this program replaces the C allocator, the C++ operators
// new and delete, the lock and wait primitives and the common system-call
// wrappers, and counts every call made while a processing call is running.
// The plug-in's calls reach these replacements because the program exports
// them (ENABLE_EXPORTS) and the dynamic linker binds the plug-in's imports to
// the first definition it finds, which is the program's.
//
// The host callback runs inside processing, so it is part of what is
// checked: this test's callback answers from fixed storage and copies events
// into a fixed array, without allocating or locking.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include <chrono>
#include <thread>

#include "plugin_fixture.h"
#include "plugins_under_test.h"
#include "shell/plugin_info.h"
#include "tools/drum_synth_any_rate.h"
#include "transcriber_shell/transcriber_plugin_info.h"
#include "validator_support.h"

// ---------------------------------------------------------------------------
// What was called while armed.

namespace {

thread_local bool armed = false;
constexpr int kNamesKept = 16;
std::atomic<int> violationCount{0};
const char* violationNames[kNamesKept];

void violation(const char* what) {
    if (!armed) return;
    int n = violationCount.fetch_add(1);
    if (n < kNamesKept) violationNames[n] = what;
}

std::string violationList() {
    std::string list;
    int n = std::min(violationCount.load(), kNamesKept);
    for (int i = 0; i < n; i++) list += std::string(violationNames[i]) + " ";
    return list;
}

template <typename F>
F realFunction(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// ---------------------------------------------------------------------------
// The allocator, forwarded to the C library's own entries.

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
    violation("malloc");
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    violation("calloc");
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    violation("realloc");
    return __libc_realloc(p, size);
}
void free(void* p) {
    if (p) violation("free");
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size) {
    violation("memalign");
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    violation("aligned_alloc");
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    violation("posix_memalign");
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : ENOMEM;
}
}

void* operator new(size_t size) {
    violation("operator new");
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    violation("operator new[]");
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    violation("operator new(nothrow)");
    return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    violation("operator new[](nothrow)");
    return __libc_malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    if (p) violation("operator delete");
    __libc_free(p);
}
void operator delete[](void* p) noexcept {
    if (p) violation("operator delete[]");
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete[](p); }

// ---------------------------------------------------------------------------
// Locks, waits, sleeps, I/O and other system calls. Each replacement counts
// and then calls the C library's function.

// The real functions are looked up on first use; a function-local pointer
// that starts as null needs no initialisation guard (which would itself lock).
#define FORWARD(ret, name, params, args)                         \
    extern "C" ret name params {                                 \
        static ret(*real) params = nullptr;                      \
        if (!real) real = realFunction<ret(*) params>(#name);    \
        violation(#name);                                        \
        return real args;                                        \
    }

FORWARD(int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
FORWARD(int, pthread_mutex_trylock, (pthread_mutex_t * m), (m))
FORWARD(int, pthread_mutex_timedlock, (pthread_mutex_t * m, const struct timespec* t), (m, t))
FORWARD(int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))
FORWARD(int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))
FORWARD(int, pthread_spin_lock, (pthread_spinlock_t * l), (l))
FORWARD(int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
FORWARD(int, pthread_cond_timedwait,
        (pthread_cond_t * c, pthread_mutex_t* m, const struct timespec* t), (c, m, t))
FORWARD(int, pthread_cond_signal, (pthread_cond_t * c), (c))
FORWARD(int, pthread_cond_broadcast, (pthread_cond_t * c), (c))
FORWARD(int, pthread_create,
        (pthread_t * t, const pthread_attr_t* a, void* (*f)(void*), void* arg), (t, a, f, arg))
FORWARD(int, pthread_join, (pthread_t t, void** r), (t, r))
FORWARD(int, sem_wait, (sem_t * s), (s))
FORWARD(int, sem_timedwait, (sem_t * s, const struct timespec* t), (s, t))
FORWARD(int, sem_post, (sem_t * s), (s))
FORWARD(ssize_t, read, (int fd, void* b, size_t n), (fd, b, n))
FORWARD(ssize_t, write, (int fd, const void* b, size_t n), (fd, b, n))
FORWARD(int, close, (int fd), (fd))
FORWARD(off_t, lseek, (int fd, off_t o, int w), (fd, o, w))
FORWARD(FILE*, fopen, (const char* p, const char* m), (p, m))
FORWARD(int, fclose, (FILE * f), (f))
FORWARD(size_t, fread, (void* b, size_t s, size_t n, FILE* f), (b, s, n, f))
FORWARD(size_t, fwrite, (const void* b, size_t s, size_t n, FILE* f), (b, s, n, f))
FORWARD(int, fflush, (FILE * f), (f))
FORWARD(int, fputs, (const char* s, FILE* f), (s, f))
FORWARD(int, puts, (const char* s), (s))
FORWARD(int, vfprintf, (FILE * f, const char* fmt, va_list a), (f, fmt, a))
FORWARD(int, vprintf, (const char* fmt, va_list a), (fmt, a))
FORWARD(int, nanosleep, (const struct timespec* r, struct timespec* rem), (r, rem))
FORWARD(int, clock_nanosleep,
        (clockid_t c, int f, const struct timespec* r, struct timespec* rem), (c, f, r, rem))
FORWARD(int, usleep, (useconds_t u), (u))
FORWARD(unsigned, sleep, (unsigned s), (s))
FORWARD(int, sched_yield, (), ())
FORWARD(void*, mmap, (void* a, size_t l, int p, int f, int fd, off_t o), (a, l, p, f, fd, o))
FORWARD(int, munmap, (void* a, size_t l), (a, l))
FORWARD(int, mprotect, (void* a, size_t l, int p), (a, l, p))
FORWARD(int, poll, (struct pollfd * f, nfds_t n, int t), (f, n, t))
FORWARD(int, select, (int n, fd_set* r, fd_set* w, fd_set* e, struct timeval* t), (n, r, w, e, t))
FORWARD(void*, __cxa_allocate_exception, (size_t s) noexcept, (s))

// Variadic entries: the arguments are passed on as six machine words, which
// covers every form these calls take.
extern "C" long syscall(long number, ...) {
    static long (*real)(long, ...) = nullptr;
    if (!real) real = realFunction<long (*)(long, ...)>("syscall");
    violation("syscall");
    va_list list;
    va_start(list, number);
    long a[6];
    for (long& x : a) x = va_arg(list, long);
    va_end(list);
    return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}
extern "C" int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...) = nullptr;
    if (!real) real = realFunction<int (*)(int, unsigned long, ...)>("ioctl");
    violation("ioctl");
    va_list list;
    va_start(list, request);
    void* arg = va_arg(list, void*);
    va_end(list);
    return real(fd, request, arg);
}
extern "C" int open(const char* path, int flags, ...) {
    static int (*real)(const char*, int, ...) = nullptr;
    if (!real) real = realFunction<int (*)(const char*, int, ...)>("open");
    violation("open");
    va_list list;
    va_start(list, flags);
    int mode = va_arg(list, int);
    va_end(list);
    return real(path, flags, mode);
}
extern "C" int openat(int dir, const char* path, int flags, ...) {
    static int (*real)(int, const char*, int, ...) = nullptr;
    if (!real) real = realFunction<int (*)(int, const char*, int, ...)>("openat");
    violation("openat");
    va_list list;
    va_start(list, flags);
    int mode = va_arg(list, int);
    va_end(list);
    return real(dir, path, flags, mode);
}
extern "C" int fprintf(FILE* f, const char* fmt, ...) {
    violation("fprintf");
    va_list list;
    va_start(list, fmt);
    int n = vfprintf(f, fmt, list);
    va_end(list);
    return n;
}
extern "C" int printf(const char* fmt, ...) {
    violation("printf");
    va_list list;
    va_start(list, fmt);
    int n = vprintf(fmt, list);
    va_end(list);
    return n;
}

// ---------------------------------------------------------------------------
// A host that answers from fixed storage.

namespace {

using namespace plugin_info;

constexpr int kMaxEvents = 4096;

struct FixedHost {
    intptr_t sampleRate = 44100;
    bool timeInfoAvailable = true;
    VstTimeInfo timeInfo{};
    VstMidiEvent events[kMaxEvents];
    int eventCount = 0;
};

FixedHost fixedHost;

intptr_t fixedCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterGetSampleRate:
            return fixedHost.sampleRate;
        case audioMasterGetTime:
            return fixedHost.timeInfoAvailable ? reinterpret_cast<intptr_t>(&fixedHost.timeInfo) : 0;
        case audioMasterProcessEvents: {
            auto* list = static_cast<VstEvents*>(ptr);
            for (int32_t i = 0; list && i < list->numEvents; i++)
                if (fixedHost.eventCount < kMaxEvents && list->events[i])
                    memcpy(&fixedHost.events[fixedHost.eventCount++], list->events[i],
                           sizeof(VstMidiEvent));
            return 1;
        }
    }
    return 0;
}

void setTempo(double tempo, bool valid = true) {
    fixedHost.timeInfo.tempo = tempo;
    fixedHost.timeInfo.flags = valid ? kVstTempoValid : 0;
}

class RealTime : public ::testing::Test {
protected:
    void SetUp() override {
        fixedHost = FixedHost{};
        setTempo(120.0);
        effect = host::Instance::callEntry(pluginLibrary(), fixedCallback);
        ASSERT_TRUE(effect);
        violationCount = 0;
    }
    void TearDown() override {
        if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }

    // Every buffer is made before arming; only the processing call is armed.
    void process(const validator::Stereo& input, int32_t blockSize, bool doublePath) {
        std::vector<float> outL(blockSize), outR(blockSize), inL(blockSize), inR(blockSize);
        std::vector<double> dOutL(blockSize), dOutR(blockSize), dInL(blockSize), dInR(blockSize);
        for (size_t start = 0; start < input.size(); start += (size_t)blockSize) {
            int32_t n = (int32_t)std::min<size_t>((size_t)blockSize, input.size() - start);
            for (int32_t i = 0; i < n; i++) {
                inL[i] = dInL[i] = input.left[start + i];
                inR[i] = dInR[i] = input.right[start + i];
            }
            float* in[2] = {inL.data(), inR.data()};
            float* out[2] = {outL.data(), outR.data()};
            double* dIn[2] = {dInL.data(), dInR.data()};
            double* dOut[2] = {dOutL.data(), dOutR.data()};
            armed = true;
            if (doublePath)
                effect->processDoubleReplacing(effect, dIn, dOut, n);
            else
                effect->processReplacing(effect, in, out, n);
            armed = false;
        }
    }

    void set(int32_t index, float value) { effect->setParameter(effect, index, value); }

    void learnAll(bool doublePath) {
        set(kFunction, validator::kTemplateMode);
        const float slots[] = {0.0f, 0.5f, 1.0f};
        for (int drum = 0; drum < 3; drum++) {
            set(kTemplateInst, slots[drum]);
            validator::Stereo hit = validator::drumHit((validator::Drum)drum);
            hit.appendSilence(20000);
            process(hit, 512, doublePath);
        }
    }

    void detect(float drum, bool doublePath, int32_t blockSize = 256) {
        validator::Stereo pattern = validator::drumPattern(6, 6000);
        set(kRatioSelect, 0.0f);
        set(kHighThreshold, validator::kTestHighThreshold);
        set(kLowThreshold, validator::kTestLowThreshold);
        set(kDrumSelect, drum);
        set(kFunction, validator::kDetectionMode);
        process(pattern, blockSize, doublePath);
    }

    void expectClean(const char* what) {
        EXPECT_EQ(violationCount.load(), 0) << what << ": " << violationList();
        violationCount = 0;
    }

    AEffect* effect = nullptr;
};

// The interposition reaches the plug-in: creating an instance allocates, and
// this program sees it. Without this the other tests could not fail.
TEST_F(RealTime, InterposerSeesThePluginsAllocations) {
    armed = true;
    AEffect* another = host::Instance::callEntry(pluginLibrary(), fixedCallback);
    armed = false;
    EXPECT_GT(violationCount.load(), 0);
    EXPECT_NE(violationList().find("new"), std::string::npos) << violationList();
    violationCount = 0;
    std::mutex mutex;
    armed = true;
    mutex.lock();
    mutex.unlock();
    armed = false;
    EXPECT_EQ(violationList(), "pthread_mutex_lock ");
    another->dispatcher(another, effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(RealTime, LearningMatchingAndNotesIn32Bit) {
    learnAll(false);
    expectClean("learning");
    detect(0.0f, false);  // Dynamic: matched against the templates
    expectClean("matching");
    for (float drum : {validator::kDrumKick, validator::kDrumSnare, validator::kDrumHiHat})
        detect(drum, false, 1);
    expectClean("fixed drums, one sample per call");
    EXPECT_GT(fixedHost.eventCount, 0);
    RecordProperty("events", fixedHost.eventCount);
}

TEST_F(RealTime, LearningMatchingAndNotesIn64Bit) {
    learnAll(true);
    expectClean("learning");
    detect(0.0f, true);
    expectClean("matching");
    detect(validator::kDrumSnare, true, 4096);
    expectClean("fixed drum");
    EXPECT_GT(fixedHost.eventCount, 0);
    RecordProperty("events", fixedHost.eventCount);
}

TEST_F(RealTime, RatiosHostChangesAndHostileInput) {
    for (float ratio : {0.25f, 0.5f, 0.75f, 1.0f}) {
        set(kFunction, validator::kDetectionMode);
        set(kDrumSelect, validator::kDrumKick);
        set(kRatioSelect, ratio);
        process(validator::drumPattern(3, 3000), 333, ratio == 0.5f);
    }
    expectClean("ratio select");
    const double tempos[] = {0.0, -1.0, NAN, INFINITY, 1e-300, 1e300, 90.0};
    for (double tempo : tempos) {
        setTempo(tempo);
        fixedHost.sampleRate = tempo == 90.0 ? 48000 : 0;
        detect(validator::kDrumHiHat, tempo < 1.0);
    }
    fixedHost.timeInfoAvailable = false;
    detect(validator::kDrumKick, false);
    expectClean("tempo and sample-rate changes");
    validator::Stereo hostile{std::vector<float>(5000, NAN), std::vector<float>(5000, INFINITY)};
    process(hostile, 1000, false);
    process(hostile, 1000, true);
    expectClean("non-finite input");
    float* none[2] = {nullptr, nullptr};
    armed = true;
    effect->processReplacing(effect, none, none, 0);
    effect->processReplacing(effect, none, none, -1);
    armed = false;
    expectClean("empty calls");
}

// Tamboro Transcriber: learning from live hits (its recording on the audio
// thread, the templates built on another thread and handed over), notes,
// both precisions, bypass and hostile input, all without a forbidden call on
// the audio thread.
class TranscriberRealTime : public RealTime {
protected:
    void SetUp() override {
        fixedHost = FixedHost{};
        effect = host::Instance::callEntry(libraryOf(transcriberUnderTest()), fixedCallback);
        ASSERT_TRUE(effect);
        violationCount = 0;
    }
    void TearDown() override {
        RealTime::TearDown();
        effect = nullptr;
    }

    void play(const std::vector<float>& mono, int32_t blockSize, bool doublePath = false) {
        process(validator::Stereo{mono, mono}, blockSize, doublePath);
    }

    // Plays silence, one block at a time, until the builder thread has
    // taught the drum; waiting happens between processing calls.
    void waitUntilTaught(int32_t learn) {
        constexpr int kMaxWaits = 1000;
        const std::vector<float> silence(64, 0.0f);
        for (int i = 0; i < kMaxWaits && effect->getParameter(effect, learn) != 0.0f; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            play(silence, 64);
        }
        EXPECT_EQ(effect->getParameter(effect, learn), 0.0f);
    }
};

TEST_F(TranscriberRealTime, LearningNotesPrecisionsBypassAndHostileInput) {
    using transcriber::Drum;
    for (Drum drum : {Drum::Kick, Drum::Snare, Drum::HiHat}) {
        const int32_t learn = transcriber_plugin_info::kFirstLearn + static_cast<int32_t>(drum);
        set(learn, 1.0f);
        play(drums::any_rate::example(drum, 44100.0), 64);
        waitUntilTaught(learn);
    }
    expectClean("learning");
    const std::vector<float> groove = drums::any_rate::render(drums::any_rate::groove(8), 4.5, 44100.0);
    play(groove, 256);
    play(groove, 4096, true);
    expectClean("notes");
    EXPECT_GT(fixedHost.eventCount, 0);
    effect->dispatcher(effect, effSetBypass, 0, 1, nullptr, 0.0f);
    play(groove, 512);
    effect->dispatcher(effect, effSetBypass, 0, 0, nullptr, 0.0f);
    play(groove, 1);
    expectClean("bypass");
    play(std::vector<float>(5000, NAN), 1000);
    play(std::vector<float>(5000, INFINITY), 1000, true);
    float* none[2] = {nullptr, nullptr};
    armed = true;
    effect->processReplacing(effect, none, none, 0);
    effect->processReplacing(effect, none, none, 64);
    armed = false;
    expectClean("hostile input and empty calls");
}

}  // namespace
