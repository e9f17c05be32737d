// Writes the demo material, or a long groove for speed measurements.
//   tamboro_make_demo FOLDER              loop.flac, kick.flac, snare.flac, hihat.flac
//   tamboro_make_demo --long SECONDS FILE the groove repeated for SECONDS (.wav or .flac)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo_material.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: tamboro_make_demo FOLDER | tamboro_make_demo --long SECONDS FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (argc == 2 && argv[1][0] != '-') {
        if (demo::writeDemoMaterial(argv[1], error)) return 0;
    } else if (argc == 4 && std::strcmp(argv[1], "--long") == 0) {
        char* end = nullptr;
        double seconds = std::strtod(argv[2], &end);
        if (*end != '\0' || !(seconds > 0)) return usage();
        if (demo::writeAudio(argv[3], demo::renderLong(seconds), demo::kSampleRate, error)) return 0;
    } else {
        return usage();
    }
    std::fprintf(stderr, "tamboro_make_demo: %s\n", error.c_str());
    return 1;
}
