// The example hits the transcriber is taught when the user gives none:
// recorded hits of free kits, soft and loud, built into the program (made by
// tools/default_hits/make_default_hits.py), so nothing is read from disk.
#pragma once

#include <array>
#include <cstddef>

#include "drums.h"

namespace cli {

// An audio file's bytes (FLAC).
struct EmbeddedAudio {
    const unsigned char* bytes;
    size_t size;
};

// Per drum, by index into kDrums.
extern const std::array<EmbeddedAudio, kNumDrums> kDefaultHits;
// Where they come from, for the output.
extern const char* const kDefaultHitsSource;

}  // namespace cli
