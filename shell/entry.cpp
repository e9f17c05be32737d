// The library's entry point, exported as VSTPluginMain and as main (older
// hosts look up only main). Nothing else is exported.
#include "effect_factory.h"

#ifdef _WIN32
// The module definition file names the exports.
#define TAMBORO_EXPORT extern "C"
#else
#define TAMBORO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TAMBORO_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    // Without a host callback the version handshake cannot happen.
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}

// A second symbol name for the same code: C++ forbids a function called main
// with this signature, so the name is given at the assembler level.
TAMBORO_EXPORT __attribute__((alias("VSTPluginMain"))) AEffect* legacyEntry(
    audioMasterCallback audioMaster) __asm__("main");
