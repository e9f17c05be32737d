// libFuzzer entry for Tamboro Transcriber's saved state. An input whose
// first byte is even is handed over as it is; otherwise the rest is taken as
// a chunk's body and given a correct header and checksum, so that the
// fuzzer gets past the checksum into the body's reader. Faults that abort:
// an accepted chunk that does not write back byte for byte, and a refused
// chunk that changed the instance's state.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/effect_factory.h"
#include "transcriber_shell/state_chunk.h"
#include "transcriber_shell/transcriber_effect.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace {

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((uint8_t)(v >> (8 * i)));
}

std::vector<uint8_t> sealed(const uint8_t* body, size_t size) {
    std::vector<uint8_t> chunk;
    put32(chunk, (uint32_t)transcriber_plugin_info::kUniqueId);
    put32(chunk, kChunkVersion);
    put32(chunk, (uint32_t)size);
    chunk.insert(chunk.end(), body, body + size);
    put32(chunk, (uint32_t)crc32(crc32(0L, Z_NULL, 0), chunk.data(), (uInt)chunk.size()));
    return chunk;
}

std::vector<uint8_t> stateOf(AEffect* effect) {
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void fault(const char* what) {
    std::fprintf(stderr, "chunk fault: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One instance for the whole run: each input is one more chunk a host offers it.
    static AudioEffect* instance = createEffectInstance(hostCallback);
    if (!instance) std::abort();
    AEffect* effect = instance->getAeffect();
    if (size == 0) return 0;
    std::vector<uint8_t> chunk =
        data[0] % 2 == 0 ? std::vector<uint8_t>(data + 1, data + size) : sealed(data + 1, size - 1);

    PluginState state;
    const bool accepted = readChunk(chunk.data(), chunk.size(), state);
    if (accepted && writeChunk(state) != chunk) fault("an accepted chunk writes back differently");

    const std::vector<uint8_t> before = stateOf(effect);
    const intptr_t answer = effect->dispatcher(effect, effSetChunk, 0, (intptr_t)chunk.size(), chunk.data(), 0.0f);
    if (answer != (accepted ? 1 : 0)) fault("the instance and the reader disagree");
    if (!accepted && stateOf(effect) != before) fault("a refused chunk changed the state");
    if (accepted && stateOf(effect) != chunk) fault("an accepted chunk is not the new state");
    return 0;
}
