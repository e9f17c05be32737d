// The plug-in's own module on Windows: resources are looked up in it, not in
// the host's program.
#pragma once

// The HINSTANCE the system gave the module when it was loaded.
void* pluginModuleHandle();
