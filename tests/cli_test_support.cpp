#include "cli_test_support.h"

#include "tools/demo_pattern.h"

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>


namespace cli_test {

namespace {

std::string quoted(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tamboro-cli-XXXXXX").string();
    folder = mkdtemp(pattern.data());
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

CommandResult runTamboro(const std::vector<std::string>& args, const std::string& input) {
    ScratchFolder capture;
    std::string command = quoted(TAMBORO_CLI_PATH);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " <" + quoted(input) + " >" + quoted(capture.path("out")) + " 2>" + quoted(capture.path("err"));
    int status = std::system(command.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readText(capture.path("out"));
    result.err = readText(capture.path("err"));
    return result;
}

void writeAudio(const std::string& path, int64_t frames, int channels, int rate,
                const std::function<float(int64_t, int)>& sample, int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format ? format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> data((size_t)(frames * channels));
    for (int64_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++) data[(size_t)(i * channels + c)] = sample(i, c);
    EXPECT_EQ(sf_writef_float(file, data.data(), frames), frames);
    sf_close(file);
}

void writeClicks(const std::string& path, const std::vector<int64_t>& at, int64_t frames, int rate) {
    constexpr double kFrequency = 5120.0, kDecaySamples = 60.0, kLength = 400;
    writeAudio(path, frames, 2, rate, [&](int64_t i, int) {
        double v = 0.0;
        for (int64_t start : at)
            if (i >= start && i < start + kLength)
                v += 0.8 * std::exp(-(double)(i - start) / kDecaySamples) *
                     std::sin(2 * M_PI * kFrequency * (double)(i - start) / rate);
        return (float)v;
    });
}

bool fileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

int countLines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

std::string demoFolder() { return TAMBORO_DEMO_FOLDER; }

std::vector<cli::Note> readCsvNotes(const std::string& csv) {
    std::vector<cli::Note> notes;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        notes.push_back({std::stoll(fields[2]), std::stoi(fields[3]), std::stoi(fields[4])});
    }
    return notes;
}

cli::DemoScore scoreSynthDemo(const std::vector<cli::Note>& notes) {
    // The plug-in reports twice the delay it has, so compensated notes may
    // come this much before the hit itself.
    constexpr int64_t kEarliestBeforeHit = 100;
    std::vector<cli::Note> known;
    for (const demo::Hit& hit : demo::kPattern)
        known.push_back({demo::hitSample(hit), cli::kDrums[(size_t)hit.kind].note, 0});
    return cli::scoreHits(known, notes, kEarliestBeforeHit, demo::kSamplesPerStep / 2);
}

}  // namespace cli_test
