// What each plug-in library provides to the shared entry point (entry.cpp).
#pragma once

#include "audio_effect.h"

// Allocates and constructs one instance; null when any part of it cannot be had.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
