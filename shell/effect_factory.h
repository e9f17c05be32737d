// What each plug-in library provides to the shared entry point (entry.cpp).
#pragma once

#include "audio_effect.h"

#include <new>

// Allocates and constructs one instance; null when any part of it cannot be had.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

// What createEffectInstance does for a plug-in class with constructed().
template <typename Effect>
AudioEffect* createConstructed(audioMasterCallback audioMaster) {
    Effect* effect = new (std::nothrow) Effect(audioMaster);
    if (effect && !effect->constructed()) {
        delete effect;
        return nullptr;
    }
    return effect;
}
