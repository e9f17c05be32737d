#include "locations.h"

#include <unistd.h>

#include <cstdlib>

namespace cli {

namespace {

constexpr const char* kPluginFile = "tamboro.so";
constexpr const char* kDemoFolder = "demo";
constexpr const char* kDemoLoop = "loop.flac";

std::string executableFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string exe(path, (size_t)n);
    size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash);
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

std::string defaultPluginPath() {
    if (const char* env = std::getenv("TAMBORO_PLUGIN"); env && *env) return env;
    std::string beside = executableFolder() + "/" + kPluginFile;
    if (exists(beside)) return beside;
    return TAMBORO_BUILT_PLUGIN;
}

std::string defaultDemoFolder() {
    if (const char* env = std::getenv("TAMBORO_DEMO_DIR"); env && *env) return env;
    std::string beside = executableFolder() + "/" + kDemoFolder;
    if (exists(beside + "/" + kDemoLoop)) return beside;
    return TAMBORO_DEMO_FOLDER;
}

}  // namespace cli
