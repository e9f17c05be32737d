// Where the command finds the plug-in and the demo material when the user
// names neither.
#pragma once

#include <string>

namespace cli {

// $TAMBORO_PLUGIN, else tamboro.so beside this executable, else the one
// this executable was built with.
std::string defaultPluginPath();
// $TAMBORO_DEMO_DIR, else a demo folder beside this executable (as a release
// archive unpacks), else the demo folder of the source tree this executable
// was built from.
std::string defaultDemoFolder();

}  // namespace cli
