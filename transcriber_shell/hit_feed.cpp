#include "hit_feed.h"

namespace {

constexpr uint32_t kVelocityMask = 0xFF;

}  // namespace

bool HitFeed::push(int32_t drum, int32_t velocity) {
    const uint32_t written = written_.load(std::memory_order_relaxed);
    if (written - read_.load(std::memory_order_acquire) >= kCapacity) return false;
    const uint32_t word = (uint32_t)drum << kVelocityBits | ((uint32_t)velocity & kVelocityMask);
    slots_[written % kCapacity].store(word, std::memory_order_relaxed);
    // Release: the slot is written before the consumer can see the count.
    written_.store(written + 1, std::memory_order_release);
    return true;
}

bool HitFeed::take(FedHit& hit) {
    const uint32_t read = read_.load(std::memory_order_relaxed);
    if (read == written_.load(std::memory_order_acquire)) return false;
    const uint32_t word = slots_[read % kCapacity].load(std::memory_order_relaxed);
    hit.drum = (int32_t)(word >> kVelocityBits);
    hit.velocity = (int32_t)(word & kVelocityMask);
    // Release: the slot is read before the producer may write it again.
    read_.store(read + 1, std::memory_order_release);
    return true;
}

void HitFeed::clear() { read_.store(written_.load(std::memory_order_acquire), std::memory_order_release); }
