#include "info.h"

#include <cstdio>
#include <sstream>

#include "drums.h"
#include "failure.h"
#include "shell/plugin_info.h"
#include "thresholds.h"

namespace cli {

namespace {

struct FlagName {
    int32_t flag;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "has editor"},         {effFlagsCanMono, "can mono"},
    {effFlagsCanReplacing, "can replacing"},   {effFlagsProgramChunks, "program chunks"},
    {effFlagsIsSynth, "is synth"},             {effFlagsNoSoundInStop, "no sound in stop"},
    {effFlagsCanDoubleReplacing, "can double replacing"},
};

constexpr const char* kCategories[] = {"unknown", "effect",      "synth",       "analysis",
                                       "mastering", "spatialiser", "room effect", "surround effect",
                                       "restoration", "offline",   "shell",       "generator"};

// The capabilities a host commonly asks about.
constexpr const char* kCapabilities[] = {"sendVstEvents",      "sendVstMidiEvent", "receiveVstEvents",
                                         "receiveVstMidiEvent", "receiveVstTimeInfo", "offline",
                                         "midiProgramNames",   "bypass"};

std::string hex(int32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", (uint32_t)v);
    return text;
}

std::string fourCharacters(int32_t v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = (char)((uint32_t)v >> shift);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

std::string flagList(int32_t flags) {
    std::string list;
    for (const FlagName& f : kFlagNames)
        if (flags & f.flag) list += (list.empty() ? "" : ", ") + std::string(f.name);
    return list.empty() ? "none" : list;
}

const char* answerText(intptr_t answer) { return answer > 0 ? "yes" : answer < 0 ? "no" : "don't know"; }

std::string decibels(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", db);
    return text;
}

// A drum switch's position as its drum, or the number for a position between drums.
template <typename Position>
std::string drumAt(float value, Position position, const char* otherwise) {
    for (const Drum& drum : kDrums)
        if (value == drum.*position) return drum.name;
    return otherwise;
}

// What a host shows for a parameter: the threshold read-outs in dB and the
// switches by name, as the plug-in's editor labels them.
std::string hostDisplay(int32_t index, float value) {
    using plugin_info::Param;
    switch (index) {
        case Param::kHighThreshold: return decibels(highToDb(value));
        case Param::kLowThreshold: return decibels(lowToDb(value));
        case Param::kDrumSelect: return value == kDrumSelectDynamic ? "dynamic" : drumAt(value, &Drum::drumSelect, "?");
        case Param::kFunction: return value > 0.5f ? "detection" : "template";
        case Param::kTemplateInst: return drumAt(value, &Drum::templateInst, "none");
        default: return "";
    }
}

// Tamboro's own displays are bare numbers, so the command shows what its
// editor shows; any other plug-in's displays are shown as it gives them.
std::string display(host::Instance& plugin, int32_t index) {
    if (plugin.effect()->uniqueID == plugin_info::kUniqueId) return hostDisplay(index, plugin.getParameter(index));
    const std::string label = plugin.getString(effGetParamLabel, index);
    const std::string shown = plugin.getString(effGetParamDisplay, index);
    return label.empty() ? shown : shown + " " + label;
}

void describeParameters(std::ostringstream& out, host::Instance& plugin, int32_t count) {
    out << "Parameters       " << count << "\n";
    char row[160];
    std::snprintf(row, sizeof row, "  %-3s %-16s %-14s %-10s %s\n", "#", "name", "label", "display", "value");
    out << row;
    for (int32_t i = 0; i < count; i++) {
        std::snprintf(row, sizeof row, "  %-3d %-16s %-14s %-10s %.6f\n", i,
                      plugin.getString(effGetParamName, i).c_str(), plugin.getString(effGetParamLabel, i).c_str(),
                      display(plugin, i).c_str(), plugin.getParameter(i));
        out << row;
    }
}

}  // namespace

std::string describePlugin(const host::PluginLibrary& library, const std::string& path) {
    std::string error;
    auto plugin = host::Instance::create(library, error);
    if (!plugin) throw Failure(path + ": " + error);
    plugin->dispatch(effOpen);
    const AEffect& e = *plugin->effect();
    std::ostringstream out;
    intptr_t category = plugin->dispatch(effGetPlugCategory);
    out << "Plug-in          " << path << " (entry " << library.entryName() << ")\n"
        << "Effect name      " << plugin->getString(effGetEffectName) << "\n"
        << "Product          " << plugin->getString(effGetProductString) << "\n"
        << "Vendor           " << plugin->getString(effGetVendorString) << ", version "
        << plugin->dispatch(effGetVendorVersion) << "\n"
        << "Unique ID        " << hex(e.uniqueID) << " ('" << fourCharacters(e.uniqueID) << "')\n"
        << "Version          " << e.version << ", for VST " << plugin->dispatch(effGetVstVersion) << "\n"
        << "Category         "
        << (category >= 0 && category < (intptr_t)std::size(kCategories) ? kCategories[category] : "other") << "\n"
        << "Audio            " << e.numInputs << " inputs, " << e.numOutputs << " outputs\n"
        << "Flags            " << hex(e.flags) << ": " << flagList(e.flags) << "\n"
        << "Latency          " << e.initialDelay << " samples (initial delay)\n"
        << "Programs         " << e.numPrograms << ", current \"" << plugin->getString(effGetProgramName) << "\"\n";
    out << "Can do           ";
    for (const char* capability : kCapabilities)
        out << (capability == kCapabilities[0] ? "" : ", ") << capability << " " << answerText(plugin->canDo(capability));
    out << "\n";
    ERect* rect = nullptr;
    if ((e.flags & effFlagsHasEditor) && plugin->dispatch(effEditGetRect, 0, 0, &rect) && rect)
        out << "Editor           " << rect->right - rect->left << " x " << rect->bottom - rect->top << " pixels\n";
    describeParameters(out, *plugin, e.numParams);
    return out.str();
}

}  // namespace cli
