// What the transcriber hands out: one struck drum at a sample position.
#pragma once

#include <cstdint>

namespace transcriber {

enum class Drum : uint8_t { Kick, Snare, HiHat };
constexpr int kDrumCount = 3;

struct Hit {
    int64_t position;  // sample of the onset in the input stream, from 0
    Drum drum;
    uint8_t velocity;  // 1-127
};

// Receives hits from inside process() and flush(), on the caller's thread.
// It must not block or allocate when the transcriber runs in a real-time
// context: a fixed-capacity buffer or a lock-free queue.
class HitSink {
public:
    virtual void onHit(const Hit& hit) = 0;

protected:
    ~HitSink() = default;
};

const char* drumName(Drum drum);

}  // namespace transcriber
