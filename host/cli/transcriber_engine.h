// The streaming transcriber as a detection engine: taught from the example
// files given, and from the built-in default hits for every drum without one.
#pragma once

#include <memory>

#include "conversion.h"
#include "detection_engine.h"

namespace cli {

std::unique_ptr<DetectionEngine> makeTranscriberEngine(const ConversionSettings& settings, int sampleRate);

}  // namespace cli
