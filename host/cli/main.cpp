// tamboro: drum recordings in, Standard MIDI Files out, through the Tamboro
// plug-in loaded and driven as a host does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <thread>

#include "auto_thresholds.h"
#include "batch.h"
#include "demo.h"
#include "failure.h"
#include "info.h"
#include "locations.h"
#include "option_values.h"
#include "output_file.h"
#include "output_names.h"

namespace {

using namespace cli;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr double kMinTempo = 20.0;
constexpr double kMaxTempo = 999.0;

struct ConvertWords {
    std::vector<std::string> inputs;
    std::string output, high, low, ratio = "off", drum, audioOut, plot, plotSize = "1600x600", plugin;
    std::vector<std::string> learn;
    int precision = 32;
    int blockSize = kDefaultBlockSize;
    double tempo = kDefaultTempo;
    bool csv = false, noLatencyCompensation = false, force = false;
    int jobs = (int)std::max(1u, std::thread::hardware_concurrency());
};

struct DemoWords {
    std::string output = "demo.mid", folder, plugin;
    int precision = 32;
    int blockSize = kDefaultBlockSize;
    bool force = false;
};

const char* const kConvertFooter =
    "\nThresholds: --high and --low take a slider value from 0 to 1, or decibels as the\n"
    "plug-in's read-outs show them: high dB = 20*log10(value), low dB = 20*log10(value * 0.1),\n"
    "the level at which a hit is released. With --ratio the release level is High Threshold /\n"
    "ratio and --low is not used. A threshold not given is chosen automatically and printed:\n  ";

const char* const kConvertNotes =
    "\n\nLearning: --learn kick=FILE (and snare=, hihat=) plays each file, one hit, to the\n"
    "plug-in in its template mode with that drum selected, using the same thresholds; then the\n"
    "recording is converted with Drum Select at Dynamic, so each hit is recognised from the\n"
    "templates. Without --learn every hit becomes a kick unless --drum fixes the drum.\n\n"
    "Output: a format-1 MIDI file per input (tempo from --tempo, notes on channel 10: kick 36,\n"
    "snare 38, hihat 42). A note's time is the sample during which the plug-in sent it, less\n"
    "the plug-in's reported delay, as in a host with delay compensation. Existing files are\n"
    "never replaced without --force, and a failed conversion leaves no file behind. The exit\n"
    "status is 0 when every file was converted, 1 otherwise, 2 for a wrong command line.";

host::PluginLibrary* loadPlugin(const std::string& path, std::unique_ptr<host::PluginLibrary>& holder) {
    std::string error;
    holder = host::PluginLibrary::open(path, error);
    if (!holder) throw Failure(error);
    return holder.get();
}

ConversionSettings convertSettings(const ConvertWords& w) {
    ConversionSettings s;
    s.ratioDivisor = parseRatio(w.ratio);
    if (!w.high.empty()) s.high = parseHighThreshold(w.high, "--high");
    if (!w.low.empty()) {
        if (s.ratioDivisor) throw Failure("--low cannot be used with --ratio: the ratio sets the release level");
        s.low = parseLowThreshold(w.low, "--low");
    }
    s.learnFiles = parseLearnFiles(w.learn);
    if (!w.drum.empty()) {
        s.drum = parseDrum(w.drum);
        if (s.drum && s.learns())
            throw Failure("--learn needs --drum dynamic: taught templates only choose the drum with Dynamic");
    }
    s.precision = parsePrecision(w.precision);
    s.blockSize = w.blockSize;
    s.tempo = w.tempo;
    s.latencyCompensation = !w.noLatencyCompensation;
    s.overwrite = w.force;
    return s;
}

int usageFailure(const Failure& failure) {
    std::fprintf(stderr, "tamboro: %s\n", failure.what());
    return kExitUsage;
}

int runConvert(const ConvertWords& w) {
    ConversionSettings settings;
    std::vector<ConversionOutputs> plans;
    try {
        settings = convertSettings(w);
        plans = planOutputs(w.inputs, {w.output, w.audioOut, w.plot, parsePlotSize(w.plotSize)});
    } catch (const Failure& failure) {
        return usageFailure(failure);
    }
    std::vector<BatchJob> jobs;
    for (size_t i = 0; i < w.inputs.size(); i++) jobs.push_back({w.inputs[i], plans[i]});
    std::unique_ptr<host::PluginLibrary> library;
    std::string pluginPath = w.plugin.empty() ? defaultPluginPath() : w.plugin;
    loadPlugin(pluginPath, library);
    int failed = runBatch(*library, settings, jobs, {w.jobs, w.csv});
    return failed ? kExitFailure : 0;
}

int runDemoCommand(const DemoWords& w) {
    DemoOptions options;
    options.folder = w.folder.empty() ? defaultDemoFolder() : w.folder;
    options.output = w.output;
    options.overwrite = w.force;
    try {
        options.precision = parsePrecision(w.precision);
    } catch (const Failure& failure) {
        return usageFailure(failure);
    }
    options.blockSize = w.blockSize;
    std::unique_ptr<host::PluginLibrary> library;
    loadPlugin(w.plugin.empty() ? defaultPluginPath() : w.plugin, library);
    runDemo(*library, options);
    return 0;
}

int runInfoCommand(const std::string& pluginWord) {
    std::string path = pluginWord.empty() ? defaultPluginPath() : pluginWord;
    std::unique_ptr<host::PluginLibrary> library;
    loadPlugin(path, library);
    std::fputs(describePlugin(*library, path).c_str(), stdout);
    return 0;
}

void addConvert(CLI::App& app, ConvertWords& w, int& exitCode) {
    CLI::App* c = app.add_subcommand("convert", "Convert drum recordings (WAV, AIFF, FLAC, Ogg) to MIDI files");
    c->footer(std::string(kConvertFooter) + kAutoThresholdRule + kConvertNotes);
    c->add_option("inputs", w.inputs, "Recordings to convert; mono or stereo, any sample rate")->required();
    c->add_option("-o,--output", w.output,
                  "MIDI file to write (one input) or folder to write into; default: beside each input, "
                  "with the extension .mid");
    c->add_option("--high", w.high, "High Threshold (onset): 0..1, or decibels like -12dB; default auto");
    c->add_option("--low", w.low, "Low Threshold (release, ratio off): 0..1, or decibels like -32dB; default auto");
    c->add_option("--ratio", w.ratio, "Ratio Select: off, 19, 39, 79 or 119; release at High Threshold / ratio")
        ->capture_default_str();
    c->add_option("--drum", w.drum,
                  "Drum Select: dynamic (templates choose), kick, snare or hihat; default dynamic");
    c->add_option("--learn", w.learn, "Teach a drum from a file with one hit: kick=FILE, snare=FILE, hihat=FILE")
        ->type_name("DRUM=FILE");
    c->add_option("--precision", w.precision, "Sample precision the plug-in processes: 32 or 64")->capture_default_str();
    c->add_option("--block-size", w.blockSize, "Samples per processing call")
        ->check(CLI::Range(1, kMaxBlockSize))
        ->capture_default_str();
    c->add_option("--tempo", w.tempo, "Tempo in beats per minute, told to the plug-in and written to the file")
        ->check(CLI::Range(kMinTempo, kMaxTempo))
        ->capture_default_str();
    c->add_flag("--no-latency-compensation", w.noLatencyCompensation,
                "Keep notes at the sample the plug-in sent them, without subtracting its reported delay");
    c->add_option("--audio-out", w.audioOut,
                  "Also write the plug-in's audio output (.wav, .aiff, .flac or .ogg; a folder for several inputs)");
    c->add_option("--plot", w.plot,
                  "Also draw a PNG: waveform, detector level with thresholds, a marker per note (a folder for "
                  "several inputs)");
    c->add_option("--plot-size", w.plotSize, "Plot size in pixels, WIDTHxHEIGHT")->capture_default_str();
    c->add_flag("--csv", w.csv, "Print the notes as CSV (file,time,sample,note,velocity) on stdout; summaries go to stderr");
    c->add_option("-j,--jobs", w.jobs, "Files converted at the same time, one plug-in instance each; default: cores")
        ->check(CLI::PositiveNumber);
    c->add_flag("-f,--force", w.force, "Overwrite existing output files");
    c->add_option("--plugin", w.plugin,
                  "Plug-in to load; default $TAMBORO_PLUGIN, else tamboro.so beside this program");
    c->callback([&w, &exitCode] { exitCode = runConvert(w); });
}

void addDemo(CLI::App& app, DemoWords& w, int& exitCode) {
    CLI::App* d = app.add_subcommand(
        "demo", "Teach the bundled kick, snare and hi-hat, convert the bundled groove, and show what was found");
    d->add_option("-o,--output", w.output, "MIDI file to write")->capture_default_str();
    d->add_flag("-f,--force", w.force, "Overwrite the MIDI file if it exists");
    d->add_option("--material", w.folder, "Folder with loop.flac, kick.flac, snare.flac, hihat.flac; default "
                                          "$TAMBORO_DEMO_DIR, else the source tree's demo folder");
    d->add_option("--precision", w.precision, "Sample precision: 32 or 64")->capture_default_str();
    d->add_option("--block-size", w.blockSize, "Samples per processing call")
        ->check(CLI::Range(1, kMaxBlockSize))
        ->capture_default_str();
    d->add_option("--plugin", w.plugin, "Plug-in to load; default as for convert");
    d->callback([&w, &exitCode] { exitCode = runDemoCommand(w); });
}

void addInfo(CLI::App& app, std::string& plugin, int& exitCode) {
    CLI::App* i = app.add_subcommand("info", "Show what a host sees of the plug-in: names, IDs, flags, latency, "
                                             "capabilities, parameters");
    i->add_option("plugin", plugin, "Plug-in file; default $TAMBORO_PLUGIN, else tamboro.so beside this program");
    i->callback([&plugin, &exitCode] { exitCode = runInfoCommand(plugin); });
}

}  // namespace

int main(int argc, char** argv) {
    removePartialOutputsOnInterrupt();
    CLI::App app("tamboro: turns drum recordings into MIDI files with the Tamboro plug-in", "tamboro");
    app.set_version_flag("--version", "tamboro 1.0");
    app.require_subcommand(1);
    ConvertWords convert;
    DemoWords demoWords;
    std::string infoPlugin;
    int exitCode = 0;
    addConvert(app, convert, exitCode);
    addDemo(app, demoWords, exitCode);
    addInfo(app, infoPlugin, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tamboro: %s (see tamboro --help)\n", e.what());
        return kExitUsage;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "tamboro: %s\n", failure.what());
        return kExitFailure;
    }
    return exitCode;
}
