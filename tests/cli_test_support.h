// Helpers for the command-line tests: a scratch folder, audio files written
// on the spot and runs of the built `tamboro` command.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/cli/demo.h"

namespace cli_test {

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string path(const std::string& name) const { return folder + "/" + name; }

private:
    std::string folder;
};

struct CommandResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the built tamboro with args (each passed as one word), standard input from input.
CommandResult runTamboro(const std::vector<std::string>& args, const std::string& input = "/dev/null");

// Writes frames of channels at rate; sample(frame, channel) gives each value.
void writeAudio(const std::string& path, int64_t frames, int channels, int rate,
                const std::function<float(int64_t, int)>& sample, int format = 0);

// Stereo clicks: one short burst of a 5 kHz tone at each of the samples.
void writeClicks(const std::string& path, const std::vector<int64_t>& at, int64_t frames, int rate = 44100);

bool fileExists(const std::string& path);
std::vector<uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);
int countLines(const std::string& text);

// The notes of --csv output (file,time,sample,note,velocity).
std::vector<cli::Note> readCsvNotes(const std::string& csv);

// The synthesised groove the plug-in engine's tests convert.
std::string demoFolder();
// The notes against the synthesised groove's pattern, with the plug-in's timing.
cli::DemoScore scoreSynthDemo(const std::vector<cli::Note>& notes);

}  // namespace cli_test
