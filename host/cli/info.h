// `tamboro info`: what a host sees of a plug-in before it processes anything.
#pragma once

#include <string>

#include "host/plugin_host.h"

namespace cli {

// The report for the plug-in at path, loaded from library; throws Failure.
std::string describePlugin(const host::PluginLibrary& library, const std::string& path);

}  // namespace cli
