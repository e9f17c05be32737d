// Construction under memory pressure: whichever allocation fails, the entry
// point answers null and everything built so far is freed again. The
// plug-in's nothrow allocations resolve to the replacements below because
// this program exports them.
#include <cstdlib>
#include <new>
#include <set>

#include "plugin_fixture.h"

namespace {

bool tracking = false;
int allocationsLeft = -1;  // negative: never fail
std::set<void*>* live = nullptr;

void* trackedAllocate(size_t size) {
    if (tracking && allocationsLeft == 0) return nullptr;
    if (tracking && allocationsLeft > 0) allocationsLeft--;
    void* p = std::malloc(size ? size : 1);
    if (tracking && p) {
        tracking = false;  // the set allocates too
        live->insert(p);
        tracking = true;
    }
    return p;
}

void trackedFree(void* p) {
    if (tracking && p) {
        tracking = false;
        live->erase(p);
        tracking = true;
    }
    std::free(p);
}

}  // namespace

void* operator new(size_t size, const std::nothrow_t&) noexcept { return trackedAllocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return trackedAllocate(size); }
void* operator new(size_t size) {
    if (void* p = trackedAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { trackedFree(p); }
void operator delete[](void* p) noexcept { trackedFree(p); }
void operator delete(void* p, size_t) noexcept { trackedFree(p); }
void operator delete[](void* p, size_t) noexcept { trackedFree(p); }

namespace {

intptr_t answerVersion(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

TEST(Construction, EveryFailingAllocationGivesNullAndLeaksNothing) {
    const host::PluginLibrary& library = pluginLibrary();
    std::set<void*> blocks;
    live = &blocks;
    int failures = 0;
    for (int failAt = 0;; failAt++) {
        allocationsLeft = failAt;
        tracking = true;
        AEffect* effect = host::Instance::callEntry(library, answerVersion);
        if (effect) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            tracking = false;
            EXPECT_TRUE(blocks.empty()) << "leak after a full construction";
            break;
        }
        tracking = false;
        failures++;
        EXPECT_TRUE(blocks.empty()) << blocks.size() << " blocks leaked when allocation "
                                    << failAt << " failed";
        blocks.clear();
    }
    // The object, the editor, 15 blocks and 44 filter cells at least.
    EXPECT_GE(failures, 61);
    live = nullptr;
}

}  // namespace
