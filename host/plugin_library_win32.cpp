// Loading a plug-in library on Windows.
#include <windows.h>

#include "plugin_host.h"

namespace host {

namespace {

std::string systemMessage(DWORD code) {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) length--;
    return length ? std::string(text, length) : "error " + std::to_string(code);
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load plug-in " + path + ": " + systemMessage(GetLastError());
        return nullptr;
    }
    for (const char* name : kEntryNames) {
        if (FARPROC symbol = GetProcAddress(module, name)) {
            auto entry = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(symbol));
            return std::unique_ptr<PluginLibrary>(new PluginLibrary(module, entry, name));
        }
    }
    FreeLibrary(module);
    error = "no plug-in entry point (VSTPluginMain or main) in " + path;
    return nullptr;
}

PluginLibrary::~PluginLibrary() { FreeLibrary(static_cast<HMODULE>(handle)); }

}  // namespace host
