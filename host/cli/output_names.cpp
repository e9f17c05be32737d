#include "output_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "audio_file.h"
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

// A MIDI file named like audio is most likely a mix-up with --audio-out.
void refuseAudioNameForMidi(const std::string& path) {
    static const char* const kAudioExtensions[] = {".wav", ".aif", ".aiff", ".flac", ".ogg", ".mp3"};
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = (char)std::tolower((unsigned char)c);
    for (const char* audio : kAudioExtensions)
        if (extension == audio)
            throw Failure("-o " + path + ": the MIDI file would get an audio file's name; name it .mid, or use "
                          "--audio-out for the plug-in's audio output");
}

std::string identity(const std::string& path) {
    std::error_code ignored;
    fs::path canonical = fs::weakly_canonical(fs::absolute(path), ignored);
    return canonical.empty() ? path : canonical.string();
}

// Standard input and output are one each; only a MIDI file can go to a pipe
// (an audio file's header is finished last, and a picture is rarely wanted there).
void checkStandardStreams(const std::vector<std::string>& inputs, const OutputOptions& options) {
    if (std::count(inputs.begin(), inputs.end(), kStandardStream) > 1)
        throw Failure("- (standard input) can be read only once");
    bool fromStdin = std::count(inputs.begin(), inputs.end(), kStandardStream) == 1;
    if (fromStdin && options.midi.empty())
        throw Failure("reading standard input needs -o FILE, or -o - for standard output");
    if (options.audio == kStandardStream) throw Failure("--audio-out - : the audio output must go to a file");
    if (options.plot == kStandardStream) throw Failure("--plot - : the picture must go to a file");
}

}  // namespace

std::vector<ConversionOutputs> planOutputs(const std::vector<std::string>& inputs, const OutputOptions& options) {
    checkStandardStreams(inputs, options);
    std::vector<ConversionOutputs> plans;
    std::map<std::string, std::string> claimedBy;  // output identity -> what claimed it
    for (const std::string& input : inputs)
        if (input != kStandardStream) claimedBy[identity(input)] = "input " + input;
    for (const std::string& input : inputs) {
        ConversionOutputs out;
        out.midi = options.midi.empty() ? fs::path(input).replace_extension(kMidiExtension).string()
                                        : outputFor(options.midi, "-o", input, inputs.size(), kMidiExtension);
        if (out.midi != kStandardStream) refuseAudioNameForMidi(out.midi);
        out.audio = outputFor(options.audio, "--audio-out", input, inputs.size(), kAudioExtension);
        out.plot = outputFor(options.plot, "--plot", input, inputs.size(), kPlotExtension);
        out.plotSize = options.plotSize;
        for (const std::string* path : {&out.midi, &out.audio, &out.plot}) {
            if (path->empty() || *path == kStandardStream) continue;
            auto [it, fresh] = claimedBy.emplace(identity(*path), "the output of " + input);
            if (!fresh) throw Failure(*path + ": would be written twice (also " + it->second + ")");
        }
        plans.push_back(out);
    }
    return plans;
}

}  // namespace cli
