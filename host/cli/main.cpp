// tamboro: drum recordings in, Standard MIDI Files out, through the
// transcriber or the Tamboro plug-in loaded and driven as a host does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio_file.h"
#include "auto_thresholds.h"
#include "batch.h"
#include "demo.h"
#include "failure.h"
#include "info.h"
#include "locations.h"
#include "option_values.h"
#include "output_file.h"
#include "output_names.h"
#include "plugin_engine.h"
#include "transcriber_engine.h"

namespace {

using namespace cli;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr double kMinTempo = 20.0;
constexpr double kMaxTempo = 999.0;

struct ConvertWords {
    std::vector<std::string> inputs;
    std::string engine = "transcriber";
    std::string output, high, low, ratio = "off", drum, audioOut, plot, plotSize = "1600x600", plugin;
    std::vector<std::string> learn, learnHigh, learnLow, sensitivity;
    int precision = 32;
    int blockSize = 0;  // the engine's default
    double tempo = kDefaultTempo;
    bool csv = false, noLatencyCompensation = false, force = false;
    int jobs = (int)std::max(1u, std::thread::hardware_concurrency());
};

// -q and -v, read once the whole command line is parsed.
struct Loudness {
    bool quiet = false, verbose = false;
    Verbosity verbosity() const { return quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal; }
};

struct DemoWords {
    std::string output = "demo.mid", folder;
    int blockSize = kTranscriberBlockSize;
    bool force = false;
};

// Options only one engine understands.
const char* const kPluginOnly[] = {"--high", "--low", "--ratio", "--drum", "--learn-high",
                                   "--learn-low", "--precision", "--audio-out", "--plugin"};
const char* const kTranscriberOnly[] = {"--sensitivity"};

const char* const kConvertFooter =
    "\nEngines: --engine transcriber (the default) finds each drum in a mix of real drums,\n"
    "also several at once; it learns from the --learn files (each may hold several hits of its\n"
    "drum, soft to loud) and, for a drum without one, from built-in recorded hits. Stereo is\n"
    "mixed to mono (the mean of both channels). --sensitivity kick=2 reports softer kicks (and\n"
    "more false ones), 0.5 only louder ones. --engine plugin runs the Tamboro plug-in as a DAW\n"
    "does; --high, --low, --ratio, --drum, --learn-high, --learn-low, --precision, --audio-out\n"
    "and --plugin are its options alone, and each engine refuses the other's options.\n"
    "\nPlug-in thresholds: --high and --low take a slider value from 0 to 1, or decibels as the\n"
    "plug-in's read-outs show them: high dB = 20*log10(value), low dB = 20*log10(value * 0.1),\n"
    "the level at which a hit is released. With --ratio the release level is High Threshold /\n"
    "ratio and --low is not used. A threshold not given is chosen automatically and printed:\n  ";

const char* const kConvertNotes =
    "\n\nPlug-in learning: --learn kick=FILE (and snare=, hihat=) plays each file to the plug-in in its\n"
    "template mode with that drum selected, until its first hit is released, so the template\n"
    "comes from that hit's attack, not from its decay. An example that reaches High Threshold\n"
    "is played with the recording's thresholds (the template is then taken where the\n"
    "recording's hits are detected); a quieter one with thresholds worked out from it by the\n"
    "auto rule. --learn-high and --learn-low set them instead (kick=-20dB for one drum,\n"
    "-20dB for all). Then the recording is converted with Drum Select at Dynamic, so each hit\n"
    "is recognised from the templates. Without --learn every hit becomes a kick unless --drum\n"
    "fixes the drum.\n\n"
    "Output: a format-1 MIDI file per input (tempo from --tempo, notes on channel 10: kick 36,\n"
    "snare 38, hihat 42). A note's time is the sample during which the engine sent it, less\n"
    "the engine's constant delay, as in a host with delay compensation. Existing files are\n"
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
    s.engine = parseEngine(w.engine);
    s.sensitivity = parsePerDrum(w.sensitivity, "--sensitivity", parseSensitivity);
    s.ratioDivisor = parseRatio(w.ratio);
    if (!w.high.empty()) s.high = parseHighThreshold(w.high, "--high");
    if (!w.low.empty()) {
        if (s.ratioDivisor) throw Failure("--low cannot be used with --ratio: the ratio sets the release level");
        s.low = parseLowThreshold(w.low, "--low");
    }
    s.learnFiles = parseLearnFiles(w.learn);
    s.learnHigh = parsePerDrum(w.learnHigh, "--learn-high", parseHighThreshold);
    s.learnLow = parsePerDrum(w.learnLow, "--learn-low", parseLowThreshold);
    if (!w.drum.empty()) {
        s.drum = parseDrum(w.drum);
        if (s.drum && s.learns())
            throw Failure("--learn needs --drum dynamic: taught templates only choose the drum with Dynamic");
    }
    s.precision = parsePrecision(w.precision);
    s.blockSize = w.blockSize > 0                         ? w.blockSize
                  : s.engine == EngineKind::Transcriber ? kTranscriberBlockSize
                                                        : kDefaultBlockSize;
    s.tempo = w.tempo;
    s.latencyCompensation = !w.noLatencyCompensation;
    s.overwrite = w.force;
    return s;
}

int usageFailure(const Failure& failure, const std::string& command) {
    std::fprintf(stderr, "tamboro: %s (see tamboro %s--help)\n", failure.what(),
                 command.empty() ? "" : (command + " ").c_str());
    return kExitUsage;
}

constexpr const char* kCommandList = "the commands are convert, demo and info";

// The parser names what is missing by its internal name ("inputs is
// required"), and takes a misspelt command for a missing one.
std::string missingMessage(const std::string& command, const std::vector<std::string>& words,
                           const std::string& parsers) {
    if (command == "convert") return "no recording given: tamboro convert [options] FILE...";
    if (!command.empty()) return parsers;
    for (const std::string& word : words)
        if (!word.empty() && word[0] != '-') return "'" + word + "' is not a command; " + kCommandList;
    return std::string("no command given; ") + kCommandList;
}

// -j 0, --tempo 5 and the like get a plain message rather than the
// parser's range ("Value 5 not in range 20.000000 to 999.000000").
template <typename T>
CLI::Validator checked(std::function<bool(T)> accepts, const std::string& rule) {
    return CLI::Validator(
        [accepts, rule](const std::string& text) -> std::string {
            T value{};
            if (CLI::detail::lexical_cast(text, value) && accepts(value)) return "";
            return rule;
        },
        "");
}

CLI::Validator atLeastOne(const std::string& what) {
    return checked<long>([](long v) { return v >= 1; }, "must be 1 or more (" + what + ")");
}

template <typename T>
CLI::Validator within(T low, T high, const std::string& what) {
    std::ostringstream rule;
    rule << "must be from " << low << " to " << high << " (" << what << ")";
    return checked<T>([low, high](T v) { return v >= low && v <= high; }, rule.str());
}

// An option of the other engine would silently do nothing: refused instead.
void refuseOtherEngineOptions(const CLI::App& command, EngineKind engine) {
    if (engine == EngineKind::Transcriber) {
        for (const char* option : kPluginOnly)
            if (command.count(option))
                throw Failure(std::string(option) + " is an option of the plug-in engine; add --engine plugin, or " +
                              "leave it out (the transcriber has no thresholds; see --sensitivity)");
    } else {
        for (const char* option : kTranscriberOnly)
            if (command.count(option))
                throw Failure(std::string(option) + " is an option of the transcriber; the plug-in engine takes " +
                              "--high and --low instead");
    }
}

EngineFactory engineFactory(const ConvertWords& w, const ConversionSettings& settings,
                            std::unique_ptr<host::PluginLibrary>& library) {
    if (settings.engine == EngineKind::Transcriber)
        return [&settings](int rate) { return makeTranscriberEngine(settings, rate); };
    loadPlugin(w.plugin.empty() ? defaultPluginPath() : w.plugin, library);
    const host::PluginLibrary& plugin = *library;
    return [&plugin, &settings](int rate) { return makePluginEngine(plugin, settings, rate); };
}

int runConvert(const ConvertWords& w, const CLI::App& command, Verbosity verbosity) {
    ConversionSettings settings;
    std::vector<ConversionOutputs> plans;
    try {
        refuseOtherEngineOptions(command, parseEngine(w.engine));
        settings = convertSettings(w);
        if (w.csv && w.output == kStandardStream)
            throw Failure("--csv and -o - both want standard output; write the MIDI file to a file");
        plans = planOutputs(w.inputs, {w.output, w.audioOut, w.plot, parsePlotSize(w.plotSize)});
    } catch (const Failure& failure) {
        return usageFailure(failure, "convert");
    }
    if (verbosity != Verbosity::Quiet && settings.engine == EngineKind::Plugin)
        for (const std::string& warning : thresholdWarnings(settings.high, settings.low, settings.ratioDivisor))
            std::fprintf(stderr, "tamboro: warning: %s\n", warning.c_str());
    std::vector<BatchJob> jobs;
    for (size_t i = 0; i < w.inputs.size(); i++) jobs.push_back({w.inputs[i], plans[i]});
    std::unique_ptr<host::PluginLibrary> library;
    EngineFactory makeEngine = engineFactory(w, settings, library);
    int failed = runBatch(makeEngine, settings, jobs, {w.jobs, w.csv, verbosity});
    return failed ? kExitFailure : 0;
}

int runDemoCommand(const DemoWords& w) {
    DemoOptions options;
    options.folder = w.folder.empty() ? defaultDemoFolder() : w.folder;
    options.output = w.output;
    options.overwrite = w.force;
    options.blockSize = w.blockSize;
    runDemo(options);
    return 0;
}

int runInfoCommand(const std::string& pluginWord) {
    std::string path = pluginWord.empty() ? defaultPluginPath() : pluginWord;
    std::unique_ptr<host::PluginLibrary> library;
    loadPlugin(path, library);
    std::fputs(describePlugin(*library, path).c_str(), stdout);
    return 0;
}

void addConvert(CLI::App& app, ConvertWords& w, const Loudness& loudness, int& exitCode) {
    CLI::App* c = app.add_subcommand("convert", "Convert drum recordings (WAV, AIFF, FLAC, Ogg) to MIDI files");
    c->add_option("--engine", w.engine, "transcriber (finds drums in real mixes) or plugin (the Tamboro plug-in)")
        ->type_name("ENGINE")
        ->capture_default_str();
    c->footer(std::string(kConvertFooter) + kAutoThresholdRule + kConvertNotes);
    c->add_option("inputs", w.inputs, "Recordings to convert; mono or stereo, any sample rate; - reads standard input")
        ->required()
        ->type_name("FILE");
    c->add_option("-o,--output", w.output,
                  "MIDI file to write (one input; - for standard output) or folder to write into; default: "
                  "beside each input, with the extension .mid")
        ->type_name("PATH");
    c->add_option("--high", w.high, "High Threshold (onset): 0..1, or decibels like -12dB; default auto")
        ->type_name("DB");
    c->add_option("--low", w.low, "Low Threshold (release, ratio off): 0..1, or decibels like -32dB; default auto")
        ->type_name("DB");
    c->add_option("--ratio", w.ratio, "Ratio Select: off, 19, 39, 79 or 119; release at High Threshold / ratio")
        ->type_name("RATIO")
        ->capture_default_str();
    c->add_option("--drum", w.drum,
                  "Drum Select: dynamic (templates choose), kick, snare or hihat; default dynamic")
        ->type_name("DRUM");
    c->add_option("--learn", w.learn,
                  "Teach a drum from a file of its hits (the plug-in takes the first): kick=FILE, snare=FILE, "
                  "hihat=FILE")
        ->type_name("DRUM=FILE");
    c->add_option("--sensitivity", w.sensitivity,
                  "Transcriber: more hits (2) or fewer (0.5) per drum, 0.01 to 100: kick=1.5,hihat=0.8, or one "
                  "value for all; default 1")
        ->type_name("[DRUM=]X")
        ->delimiter(',');
    c->add_option("--learn-high", w.learnHigh,
                  "High Threshold for playing the examples: kick=-20dB for one, -20dB for all; default auto")
        ->type_name("[DRUM=]DB");
    c->add_option("--learn-low", w.learnLow,
                  "Low Threshold for playing the examples, as --learn-high; default auto")
        ->type_name("[DRUM=]DB");
    c->add_option("--precision", w.precision, "Sample precision the plug-in processes: 32 or 64")
        ->type_name("BITS")
        ->capture_default_str();
    c->add_option("--block-size", w.blockSize,
                  "Samples per processing call, 1 to " + std::to_string(kMaxBlockSize) + "; default " +
                      std::to_string(kTranscriberBlockSize) + ", for the plug-in " + std::to_string(kDefaultBlockSize))
        ->type_name("N")
        ->check(within<long>(1, kMaxBlockSize, "samples per processing call"));
    c->add_option("--tempo", w.tempo, "Tempo in beats per minute (20 to 999), told to the plug-in and written to the file")
        ->type_name("BPM")
        ->check(within<double>(kMinTempo, kMaxTempo, "beats per minute"))
        ->capture_default_str();
    c->add_flag("--no-latency-compensation", w.noLatencyCompensation,
                "Keep notes at the sample the engine sent them, without subtracting its constant delay");
    c->add_option("--audio-out", w.audioOut,
                  "Also write the plug-in's audio output (.wav, .aiff, .flac or .ogg; a folder for several inputs)")
        ->type_name("PATH");
    c->add_option("--plot", w.plot,
                  "Also draw a PNG: waveform, the detector's level with thresholds (the transcriber: each drum's "
                  "activation with its threshold), a marker per note (a folder for several inputs)")
        ->type_name("PATH");
    c->add_option("--plot-size", w.plotSize, "Plot size in pixels, WIDTHxHEIGHT")
        ->type_name("WxH")
        ->capture_default_str();
    c->add_flag("--csv", w.csv, "Print the notes as CSV (file,time,sample,note,velocity) on stdout; summaries go to stderr");
    c->add_option("-j,--jobs", w.jobs, "Files converted at the same time, one engine each; default: cores")
        ->type_name("N")
        ->check(atLeastOne("files converted at the same time"));
    c->add_flag("-f,--force", w.force, "Overwrite existing output files");
    c->add_option("--plugin", w.plugin,
                  "Plug-in to load; default $TAMBORO_PLUGIN, else tamboro.so beside this program")
        ->type_name("FILE");
    c->callback([&w, c, &loudness, &exitCode] { exitCode = runConvert(w, *c, loudness.verbosity()); });
}

void addDemo(CLI::App& app, DemoWords& w, int& exitCode) {
    CLI::App* d = app.add_subcommand(
        "demo", "Teach the transcriber the bundled recorded kick, snare and hi-hat, convert the bundled groove, "
                "and show what was found");
    d->add_option("-o,--output", w.output, "MIDI file to write")->type_name("FILE")->capture_default_str();
    d->add_flag("-f,--force", w.force, "Overwrite the MIDI file if it exists");
    d->add_option("--material", w.folder, "Folder with loop.flac, kick.flac, snare.flac, hihat.flac, groove.txt; default "
                                          "$TAMBORO_DEMO_DIR, else the demo folder beside tamboro, else the source tree's")
        ->type_name("FOLDER");
    d->add_option("--block-size", w.blockSize, "Samples per processing call, 1 to " + std::to_string(kMaxBlockSize))
        ->type_name("N")
        ->check(within<long>(1, kMaxBlockSize, "samples per processing call"))
        ->capture_default_str();
    d->callback([&w, &exitCode] { exitCode = runDemoCommand(w); });
}

void addInfo(CLI::App& app, std::string& plugin, int& exitCode) {
    CLI::App* i = app.add_subcommand("info", "Show what a host sees of the plug-in: names, IDs, flags, latency, "
                                             "capabilities, parameters");
    i->add_option("--plugin,plugin", plugin,
                  "Plug-in file; default $TAMBORO_PLUGIN, else tamboro.so beside this program")
        ->type_name("FILE");
    i->callback([&plugin, &exitCode] { exitCode = runInfoCommand(plugin); });
}

void addHelp(CLI::App& app, std::string& topic, int& exitCode) {
    CLI::App* h = app.add_subcommand("help", "Show this help, or a command's: tamboro help convert");
    h->add_option("command", topic, "convert, demo or info")->type_name("COMMAND");
    h->callback([&app, &topic, &exitCode] {
        if (topic.empty()) {
            std::fputs(app.get_formatter()->make_help(&app, "tamboro", CLI::AppFormatMode::Normal).c_str(), stdout);
            return;
        }
        for (CLI::App* command : app.get_subcommands({}))
            if (command->get_name() == topic && topic != "help") {
                std::fputs(command->help("tamboro").c_str(), stdout);
                return;
            }
        std::fprintf(stderr, "tamboro: help: '%s' is not a command; %s\n", topic.c_str(), kCommandList);
        exitCode = kExitUsage;
    });
}

// The command a parse error happened in, for the pointer to its help.
std::string commandOf(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands())
        if (command->get_name() != "help") return command->get_name();
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    removePartialOutputsOnInterrupt();
    CLI::App app("tamboro: turns drum recordings into MIDI files, with its transcriber or the Tamboro plug-in",
                 "tamboro");
    app.set_version_flag("-V,--version", "tamboro 1.0");
    app.require_subcommand(1);
    // -q and -v may also come after the command's name.
    app.fallthrough();
    Loudness loudness;
    app.add_flag("-q,--quiet", loudness.quiet, "Print errors only");
    app.add_flag("-v,--verbose", loudness.verbose, "Also print the thresholds used and how each drum was learned");
    ConvertWords convert;
    DemoWords demoWords;
    std::string infoPlugin, helpTopic;
    int exitCode = 0;
    addConvert(app, convert, loudness, exitCode);
    addDemo(app, demoWords, exitCode);
    addInfo(app, infoPlugin, exitCode);
    addHelp(app, helpTopic, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::RequiredError& e) {
        const std::vector<std::string> words(argv + 1, argv + argc);
        return usageFailure(Failure(missingMessage(commandOf(app), words, e.what())), commandOf(app));
    } catch (const CLI::ParseError& e) {
        return usageFailure(Failure(e.what()), commandOf(app));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "tamboro: %s\n", failure.what());
        return kExitFailure;
    }
    return exitCode;
}
