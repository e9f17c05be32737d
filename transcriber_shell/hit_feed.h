// The hits the engine reported, on their way from the audio thread to the
// editor: a fixed ring of atomic words, one producer and one consumer, no
// lock and no allocation. When the editor is not reading (closed, or the
// host starves its idle), the ring fills and later hits are dropped: the
// editor shows what it can, the notes are never affected.
//
// Threads: push() on the audio thread only; take() and clear() on the
// user-interface thread only.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct FedHit {
    int32_t drum;
    int32_t velocity;  // MIDI, 1 to 127
};

class HitFeed {
public:
    static constexpr uint32_t kCapacity = 64;

    // False when the ring is full (the hit is dropped).
    bool push(int32_t drum, int32_t velocity);
    // The oldest hit not yet taken; false when there is none.
    bool take(FedHit& hit);
    // Drops every hit waiting (an editor that opens shows only new ones).
    void clear();

private:
    static constexpr uint32_t kVelocityBits = 8;

    std::array<std::atomic<uint32_t>, kCapacity> slots_{};
    std::atomic<uint32_t> written_{0};  // hits pushed, ever (wraps)
    std::atomic<uint32_t> read_{0};     // hits taken, ever (wraps)
};
