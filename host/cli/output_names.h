// Which files a conversion writes. With one input an option names the file
// itself (or a folder to write into); with several it names a folder, and
// each output takes its input's name with the output's extension. Without
// -o the MIDI file goes beside its input.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

struct OutputOptions {
    std::string midi;   // -o; empty: beside each input
    std::string audio;  // --audio-out; empty: none
    std::string plot;   // --plot; empty: none
    PlotSize plotSize;
};

// One entry per input. Throws Failure when a folder is missing, when two
// outputs would be the same file, or when an output would replace an input.
std::vector<ConversionOutputs> planOutputs(const std::vector<std::string>& inputs, const OutputOptions& options);

}  // namespace cli
