// Replays the fuzzer's seed corpus and every input that once found a fault
// (fuzz/regressions/, one file per finding, named after it) against the
// built tamboro.so, in every build including the sanitizer ones.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/host_actions.h"
#include "plugin_fixture.h"
#include "validator_support.h"

namespace {

namespace fs = std::filesystem;

std::string currentInput;

void failOnFault(const std::string& what) { ADD_FAILURE() << currentInput << ": " << what; }

std::vector<fs::path> inputsIn(const std::string& folder) {
    std::vector<fs::path> files;
    fs::path dir = fs::path(TAMBORO_FUZZ_DIR) / folder;
    if (fs::exists(dir))
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const std::string& folder) {
    validator::ParentWindow parent;
    for (const fs::path& file : inputsIn(folder)) {
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        currentInput = file.filename().string();
        fuzzing::resetHost(failOnFault);
        AEffect* effect = host::Instance::callEntry(pluginLibrary(), fuzzing::hostCallback);
        ASSERT_TRUE(effect);
        fuzzing::playActions(effect, bytes.data(), bytes.size(), parent.handle());
        parent.drain();
    }
}

TEST(FuzzReplay, SeedCorpus) {
    ASSERT_FALSE(inputsIn("corpus").empty());
    replay("corpus");
}

TEST(FuzzReplay, PastFindings) { replay("regressions"); }

}  // namespace
