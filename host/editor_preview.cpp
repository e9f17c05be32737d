// Shows the plug-in's editor in a window of its own, loading the plug-in
// through its entry point and driving the editor as a host does. With
// --screenshot it writes a PNG of the window once drawn and exits.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <thread>

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
    app.add_option("--plugin", pluginPath, "the plug-in library")->capture_default_str();
    app.add_option("--set", settingTexts,
                   "INDEX=VALUE: set parameter INDEX (0 to 6) before opening, e.g. --set 5=0.25");
    app.add_option("--screenshot", screenshot, "write a PNG of the drawn window and exit");
    CLI11_PARSE(app, argc, argv);

    std::vector<Setting> settings;
    for (const std::string& text : settingTexts) {
        Setting setting{};
        if (!parseSetting(text, setting)) return fail("--set wants INDEX=VALUE, not " + text);
        settings.push_back(setting);
    }
    std::string error;
    auto library = host::PluginLibrary::open(pluginPath, error);
    if (!library) return fail(error);
    auto plugin = host::Instance::create(*library, error);
    if (!plugin) return fail(error);
    for (const Setting& setting : settings) plugin->setParameter(setting.index, setting.value);

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
        if (!waitUntilDrawn(*plugin, window))
            status = fail("the editor did not finish drawing");
        else if (!host::writePng(window.capture(), screenshot))
            status = fail("cannot write " + screenshot);
    } else {
        while (!window.closeRequested()) {
            plugin->dispatch(effEditIdle);
            std::this_thread::sleep_for(kIdlePeriod);
        }
    }
    plugin->dispatch(effEditClose);
    return status;
}
