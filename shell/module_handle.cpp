#include "module_handle.h"

#include <windows.h>

namespace {

HINSTANCE loadedModule = nullptr;

}  // namespace

void* pluginModuleHandle() { return loadedModule; }

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) loadedModule = module;
    return TRUE;
}
