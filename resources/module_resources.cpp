// On Windows the bitmaps are the module's own resources, compiled in from the
// resource script. They stay mapped while the module is loaded, so a lookup
// is kept for the next one.
#include <windows.h>

#include <mutex>

#include "shell/module_handle.h"
#include "toolkit/embedded_resources.h"

namespace {

// The script numbers seven bitmaps; room for a few more.
constexpr int kMaxResources = 16;

std::mutex foundMutex;
EmbeddedResource found[kMaxResources];
int foundCount = 0;

bool loadBitmap(int32_t id, EmbeddedResource& resource) {
    HMODULE module = static_cast<HMODULE>(pluginModuleHandle());
    HRSRC info = FindResource(module, MAKEINTRESOURCE(id), RT_BITMAP);
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return false;
    resource = {id, static_cast<const unsigned char*>(data), SizeofResource(module, info)};
    return true;
}

}  // namespace

const EmbeddedResource* findEmbeddedResource(int32_t id) {
    std::lock_guard<std::mutex> lock(foundMutex);
    for (int i = 0; i < foundCount; i++)
        if (found[i].id == id) return &found[i];
    if (foundCount == kMaxResources || !loadBitmap(id, found[foundCount])) return nullptr;
    return &found[foundCount++];
}
