// The Tamboro plug-in as a detection engine: loaded through our host library
// and driven as a DAW drives it, with thresholds worked out from the
// recording where none are given, and drums taught in its template mode.
#pragma once

#include <memory>

#include "conversion.h"
#include "detection_engine.h"
#include "host/plugin_host.h"

namespace cli {

std::unique_ptr<DetectionEngine> makePluginEngine(const host::PluginLibrary& plugin, const ConversionSettings& settings,
                                                  int sampleRate);

}  // namespace cli
