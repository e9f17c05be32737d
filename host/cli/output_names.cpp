#include "output_names.h"

#include <filesystem>
#include <map>

#include "failure.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMidiExtension = ".mid";
constexpr const char* kAudioExtension = ".wav";
constexpr const char* kPlotExtension = ".png";

bool isFolder(const std::string& path) {
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

std::string inFolder(const std::string& folder, const std::string& input, const char* extension) {
    return (fs::path(folder) / fs::path(input).filename().replace_extension(extension)).string();
}

// The output of one kind for one input; empty when that kind is not wanted.
std::string outputFor(const std::string& option, const char* optionName, const std::string& input,
                      size_t numInputs, const char* extension) {
    if (option.empty()) return "";
    if (isFolder(option)) return inFolder(option, input, extension);
    if (numInputs > 1)
        throw Failure(std::string(optionName) + " " + option + ": with " + std::to_string(numInputs) +
                      " inputs this must be an existing folder");
    return option;
}

std::string identity(const std::string& path) {
    std::error_code ignored;
    fs::path canonical = fs::weakly_canonical(fs::absolute(path), ignored);
    return canonical.empty() ? path : canonical.string();
}

}  // namespace

std::vector<ConversionOutputs> planOutputs(const std::vector<std::string>& inputs, const OutputOptions& options) {
    std::vector<ConversionOutputs> plans;
    std::map<std::string, std::string> claimedBy;  // output identity -> what claimed it
    for (const std::string& input : inputs) claimedBy[identity(input)] = "input " + input;
    for (const std::string& input : inputs) {
        ConversionOutputs out;
        out.midi = options.midi.empty() ? fs::path(input).replace_extension(kMidiExtension).string()
                                        : outputFor(options.midi, "-o", input, inputs.size(), kMidiExtension);
        out.audio = outputFor(options.audio, "--audio-out", input, inputs.size(), kAudioExtension);
        out.plot = outputFor(options.plot, "--plot", input, inputs.size(), kPlotExtension);
        out.plotSize = options.plotSize;
        for (const std::string* path : {&out.midi, &out.audio, &out.plot}) {
            if (path->empty()) continue;
            auto [it, fresh] = claimedBy.emplace(identity(*path), "the output of " + input);
            if (!fresh) throw Failure(*path + ": would be written twice (also " + it->second + ")");
        }
        plans.push_back(out);
    }
    return plans;
}

}  // namespace cli
