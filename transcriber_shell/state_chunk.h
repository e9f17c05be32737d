// The instance's saved state as one block of bytes (effGetChunk /
// effSetChunk): every parameter and the learned templates, little-endian,
// versioned and closed by a CRC-32. docs/transcriber-chunk.md describes the
// layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine_supply.h"

struct PluginState {
    std::array<float, transcriber::kDrumCount> sensitivity{};  // parameter values, 0 to 1
    SavedTemplates templates;
};

constexpr uint32_t kChunkVersion = 1;

// Throws std::bad_alloc when out of memory.
std::vector<uint8_t> writeChunk(const PluginState& state);
// False, leaving `state` as it was, for anything but a complete, intact chunk
// of this version whose every value the plug-in can take.
bool readChunk(const uint8_t* data, size_t size, PluginState& state);
