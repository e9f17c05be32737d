// Shows a plug-in's editor in a window of its own, loading the plug-in
// through its entry point and driving the editor as a host does. With
// --screenshot it writes a PNG of the window once drawn and exits; with
// --play it first plays a recording through the plug-in in real time, so
// that an editor showing hits shows them as it would in a host.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <thread>

#include "host/cli/audio_file.h"
#include "host/cli/failure.h"
#include "host/editor_host_window.h"
#include "host/plugin_host.h"

namespace {

// Hosts call effEditIdle every 40 to 50 ms.
constexpr std::chrono::milliseconds kIdlePeriod{40};
constexpr std::chrono::seconds kDrawTimeout{5};

struct Setting {
    int32_t index;
    float value;
};

bool parseSetting(const std::string& text, Setting& setting) {
    int consumed = 0;
    return std::sscanf(text.c_str(), "%d=%f%n", &setting.index, &setting.value, &consumed) == 2 &&
           consumed == (int)text.size();
}

// Idles the editor until the window shows a finished picture: not the host
// window's black any more and the same on two idles running.
bool waitUntilDrawn(host::Instance& plugin, const host::EditorHostWindow& window) {
    auto deadline = std::chrono::steady_clock::now() + kDrawTimeout;
    host::Picture last;
    while (std::chrono::steady_clock::now() < deadline) {
        plugin.dispatch(effEditIdle);
        host::Picture now = window.capture();
        bool drawn = !now.pixels.empty() && now.at(now.width / 2, now.height / 2) != 0;
        if (drawn && now.pixels == last.pixels) return true;
        last = std::move(now);
        std::this_thread::sleep_for(kIdlePeriod);
    }
    return false;
}

// One idle period of audio per editor idle.
void playInRealTime(host::Instance& plugin, cli::AudioReader& reader) {
    constexpr int32_t kBlock = 512;
    const int64_t chunk = reader.sampleRate() * kIdlePeriod.count() / 1000;
    std::vector<float> left(chunk), right(chunk), outLeft(chunk), outRight(chunk);
    int64_t frames;
    while ((frames = reader.read(left.data(), right.data(), chunk)) > 0) {
        plugin.processStereo(left.data(), right.data(), outLeft.data(), outRight.data(), frames, kBlock);
        plugin.dispatch(effEditIdle);
        std::this_thread::sleep_for(kIdlePeriod);
    }
}

// Arms the learn parameter, plays the example, then silence until the
// plug-in has learned from it and disarmed the parameter again.
bool teach(host::Instance& plugin, int32_t learnIndex, const std::string& path) {
    constexpr int64_t kChunk = 4096;
    constexpr int kMaxWaits = 1000;
    plugin.setParameter(learnIndex, 1.0f);
    cli::AudioReader reader(path);
    std::vector<float> left(kChunk), right(kChunk), outLeft(kChunk), outRight(kChunk);
    int64_t frames;
    while ((frames = reader.read(left.data(), right.data(), kChunk)) > 0)
        plugin.processStereo(left.data(), right.data(), outLeft.data(), outRight.data(), frames, kChunk);
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    for (int i = 0; i < kMaxWaits && plugin.getParameter(learnIndex) > 0.0f; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        plugin.processStereo(left.data(), right.data(), outLeft.data(), outRight.data(), kChunk, kChunk);
    }
    return plugin.getParameter(learnIndex) == 0.0f;
}

bool parseTeaching(const std::string& text, int32_t& index, std::string& path) {
    size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    Setting setting{};
    if (!parseSetting(text.substr(0, equals) + "=1", setting)) return false;
    index = setting.index;
    path = text.substr(equals + 1);
    return !path.empty();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tamboro-editor-preview: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Opens Tamboro's editor in a window of its own, as a host would."};
    std::string pluginPath = TAMBORO_PLUGIN_PATH;
    std::vector<std::string> settingTexts;
    std::string screenshot;
    std::string recording;
    bool transcriber = false;
    app.add_option("--plugin", pluginPath, "the plug-in library")->capture_default_str();
    app.add_flag("--transcriber", transcriber, "open Tamboro Transcriber (" TAMBORO_TRANSCRIBER_PATH ")");
    app.add_option("--set", settingTexts,
                   "INDEX=VALUE: set parameter INDEX before opening, e.g. --set 5=0.25");
    app.add_option("--screenshot", screenshot, "write a PNG of the drawn window and exit");
    std::vector<std::string> teachings;
    app.add_option("--teach", teachings,
                   "INDEX=FILE: arm learn parameter INDEX, play FILE and wait until it is learned");
    app.add_option("--play", recording, "play this recording through the plug-in once the editor is open");
    CLI11_PARSE(app, argc, argv);
    if (transcriber) pluginPath = TAMBORO_TRANSCRIBER_PATH;

    std::vector<Setting> settings;
    for (const std::string& text : settingTexts) {
        Setting setting{};
        if (!parseSetting(text, setting)) return fail("--set wants INDEX=VALUE, not " + text);
        settings.push_back(setting);
    }
    std::unique_ptr<cli::AudioReader> reader;
    host::HostSettings hostSettings;
    try {
        if (!recording.empty()) reader = std::make_unique<cli::AudioReader>(recording);
    } catch (const cli::Failure& failure) {
        return fail(failure.what());
    }
    if (reader) hostSettings.sampleRate = reader->sampleRate();
    std::string error;
    auto library = host::PluginLibrary::open(pluginPath, error);
    if (!library) return fail(error);
    auto plugin = host::Instance::create(*library, error, hostSettings);
    if (!plugin) return fail(error);
    for (const Setting& setting : settings) plugin->setParameter(setting.index, setting.value);
    try {
        for (const std::string& text : teachings) {
            int32_t index = 0;
            std::string path;
            if (!parseTeaching(text, index, path)) return fail("--teach wants INDEX=FILE, not " + text);
            if (!teach(*plugin, index, path)) return fail("the plug-in did not learn from " + path);
        }
    } catch (const cli::Failure& failure) {
        return fail(failure.what());
    }

    ERect* rect = nullptr;
    if (plugin->dispatch(effEditGetRect, 0, 0, &rect) != 1 || !rect)
        return fail("the plug-in reports no editor size");
    host::EditorHostWindow window(rect->right - rect->left, rect->bottom - rect->top,
                                  "Tamboro editor");
    if (!window.isOpen()) return fail("cannot open a window: is an X display set in DISPLAY?");
    if (plugin->dispatch(effEditOpen, 0, 0, window.parentHandle()) != 1)
        return fail("the plug-in refused to open its editor");

    int status = 0;
    if (!screenshot.empty()) {
        // Drawn first: while hits scroll past, the picture never stands still.
        if (!waitUntilDrawn(*plugin, window)) {
            status = fail("the editor did not finish drawing");
        } else {
            if (reader) playInRealTime(*plugin, *reader);
            plugin->dispatch(effEditIdle);
            if (!host::writePng(window.capture(), screenshot)) status = fail("cannot write " + screenshot);
        }
    } else {
        if (reader) playInRealTime(*plugin, *reader);
        while (!window.closeRequested()) {
            plugin->dispatch(effEditIdle);
            std::this_thread::sleep_for(kIdlePeriod);
        }
    }
    plugin->dispatch(effEditClose);
    return status;
}
