// Loading a plug-in library where the system has dlopen.
#include <dlfcn.h>

#include "plugin_host.h"

namespace host {

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    // Kept mapped after dlclose: libraries the plug-in pulls in (pixman
    // through cairo) leave their load-time allocations behind when unloaded,
    // which leak checkers report, and reports need the plug-in's symbols.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load plug-in " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    for (const char* name : kEntryNames) {
        if (void* symbol = dlsym(handle, name)) {
            auto entry = reinterpret_cast<VstPluginMainProc>(symbol);
            return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, entry, name));
        }
    }
    dlclose(handle);
    error = "no plug-in entry point (VSTPluginMain or main) in " + path;
    return nullptr;
}

PluginLibrary::~PluginLibrary() { dlclose(handle); }

}  // namespace host
