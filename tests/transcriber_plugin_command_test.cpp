// Tamboro Transcriber in a host and `tamboro convert --engine transcriber`
// give the same notes: taught the same example files (through the learn
// action and through --learn) and set to the same sensitivities, the notes a
// host records after taking off the reported delay are the command's, event
// by event, whatever blocks the host plays in.
#include <cstdio>
#include <functional>
#include <random>

#include "cli_test_support.h"
#include "host/cli/audio_file.h"
#include "host/cli/midi_file.h"
#include "tests/transcriber_plugin_support.h"

namespace {

using namespace transcriber_plugin_info;
using transcriber_plugin_test::newTranscriber;

struct Stereo {
    std::vector<float> left, right;
};

constexpr const char* kDrumNames[kNumDrums] = {"kick", "snare", "hihat"};
// Per drum: 0 dB, +6 dB and -4.8 dB.
constexpr float kSensitivityParameters[kNumDrums] = {0.5f, 0.625f, 0.4f};
// Plays on past the recording until every note has ended.
constexpr double kTailSeconds = 0.5;

std::string demoFile(const std::string& name) { return std::string(TAMBORO_RECORDED_DEMO_FOLDER) + "/" + name; }

Stereo readAudio(const std::string& path, size_t tail = 0) {
    cli::AudioReader reader(path);
    Stereo audio{std::vector<float>((size_t)reader.frames()), std::vector<float>((size_t)reader.frames())};
    EXPECT_EQ(reader.read(audio.left.data(), audio.right.data(), reader.frames()), reader.frames());
    audio.left.resize(audio.left.size() + tail, 0.0f);
    audio.right.resize(audio.right.size() + tail, 0.0f);
    return audio;
}

// Nine significant digits carry a float exactly through text.
std::string exactText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", (double)value);
    return text;
}

// A note-on or note-off at a sample; the velocity of note-ons only.
struct NoteEvent {
    int64_t sample;
    bool on;
    int note;
    int velocity;
    bool operator==(const NoteEvent& o) const {
        return sample == o.sample && on == o.on && note == o.note && velocity == o.velocity;
    }
};

void PrintTo(const NoteEvent& e, std::ostream* out) {
    *out << (e.on ? "on " : "off ") << e.note << " at " << e.sample << " velocity " << e.velocity;
}

uint32_t readVariableLength(const std::vector<uint8_t>& bytes, size_t& at) {
    uint32_t value = 0;
    while (at < bytes.size()) {
        const uint8_t b = bytes[at++];
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) break;
    }
    return value;
}

// The note track of the command's file (its second), with each tick read
// back as the sample it stands for: at 120 beats per minute and 44.1 kHz a
// tick is one sample.
std::vector<NoteEvent> readNoteTrack(const std::vector<uint8_t>& file) {
    const cli::MidiTimeBase base = cli::MidiTimeBase::forTempo(cli::kDefaultTempo, 44100);
    EXPECT_EQ(base.ticksAt(44100), 44100);
    constexpr size_t kHeaderChunk = 14, kChunkHeader = 8;
    auto chunkLength = [&file](size_t at) {
        return (size_t)file[at + 4] << 24 | (size_t)file[at + 5] << 16 | (size_t)file[at + 6] << 8 | file[at + 7];
    };
    const size_t notes = kHeaderChunk + kChunkHeader + chunkLength(kHeaderChunk);
    const size_t end = notes + kChunkHeader + chunkLength(notes);
    std::vector<NoteEvent> events;
    int64_t tick = 0;
    for (size_t at = notes + kChunkHeader; at < end;) {
        tick += readVariableLength(file, at);
        const uint8_t status = file[at];
        if (status == 0xFF) {  // meta event: type, length, data
            at += 2;
            at += readVariableLength(file, at);
            continue;
        }
        const bool on = (status & 0xF0) == 0x90;
        events.push_back({tick, on, file[at + 1], on ? file[at + 2] : 0});
        at += 3;
    }
    return events;
}

// The events of the MIDI file `tamboro convert` writes for the recording.
std::vector<NoteEvent> convert(const std::string& recording) {
    cli_test::ScratchFolder scratch;
    std::vector<std::string> args = {"convert", recording, "--engine", "transcriber", "-o", scratch.path("notes.mid")};
    for (int d = 0; d < kNumDrums; d++) {
        const std::string drum = kDrumNames[d];
        args.insert(args.end(), {"--learn", drum + "=" + demoFile(drum + ".flac"), "--sensitivity",
                                 drum + "=" + exactText(sensitivityOf(kSensitivityParameters[d]))});
    }
    cli_test::CommandResult r = cli_test::runTamboro(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return readNoteTrack(cli_test::readBytes(scratch.path("notes.mid")));
}

std::unique_ptr<host::Instance> taughtPlugin() {
    auto plugin = newTranscriber();
    for (int d = 0; d < kNumDrums; d++) {
        const Stereo example = readAudio(demoFile(std::string(kDrumNames[d]) + ".flac"));
        transcriber_plugin_test::teachLive(*plugin, static_cast<transcriber::Drum>(d), example.left, example.right);
        plugin->setParameter(d, kSensitivityParameters[d]);
    }
    transcriber_plugin_test::restartStream(*plugin);
    return plugin;
}

// The note events the host records, in the order it receives them, moved
// back by the plug-in's reported delay.
std::vector<NoteEvent> pluginEvents(host::Instance& plugin, Stereo audio, const std::function<int32_t()>& nextBlock) {
    const int64_t start = plugin.samplePosition();
    std::vector<float> outLeft(audio.left.size()), outRight(audio.right.size());
    for (size_t at = 0; at < audio.left.size();) {
        const int32_t frames = (int32_t)std::min<size_t>((size_t)nextBlock(), audio.left.size() - at);
        float* in[2] = {audio.left.data() + at, audio.right.data() + at};
        float* out[2] = {outLeft.data() + at, outRight.data() + at};
        plugin.process(in, out, frames);
        at += (size_t)frames;
    }
    std::vector<NoteEvent> events;
    for (const host::MidiRecord& r : plugin.midiEvents()) {
        const int64_t sample = r.samplePosition - start - plugin.effect()->initialDelay;
        events.push_back({sample, r.isNoteOn(), r.data1(), r.isNoteOn() ? r.data2() : 0});
    }
    return events;
}

// The command's notes against the plug-in's, played in each host's blocks.
void expectSameNotes(const std::string& recording) {
    const std::vector<NoteEvent> expected = convert(recording);
    ASSERT_GT(expected.size(), 10u);
    auto plugin = taughtPlugin();
    const Stereo audio = readAudio(recording, (size_t)(kTailSeconds * transcriber_plugin_test::kRate));
    std::mt19937 random(14);
    const std::vector<std::pair<std::string, std::function<int32_t()>>> hosts = {
        {"1", [] { return 1; }},
        {"64", [] { return 64; }},
        {"511", [] { return 511; }},
        {"4096", [] { return 4096; }},
        {"random", [&random] { return std::uniform_int_distribution<int32_t>(1, 3000)(random); }},
    };
    for (const auto& [name, nextBlock] : hosts) {
        EXPECT_EQ(pluginEvents(*plugin, audio, nextBlock), expected) << "blocks of " << name;
        transcriber_plugin_test::restartStream(*plugin);
    }
}

TEST(TranscriberPluginAndCommand, TheRecordedGroove) { expectSameNotes(demoFile("loop.flac")); }

// The taught hits struck within a note's length of each other, the same
// drum too: notes overlap and a struck-again drum ends its note early.
TEST(TranscriberPluginAndCommand, HitsCloserThanANotesLength) {
    struct Stroke {
        int drum;
        double seconds;
    };
    const Stroke strokes[] = {{2, 0.2},  {1, 0.215}, {0, 0.7},  {2, 0.72}, {1, 1.2},
                              {1, 1.225}, {2, 1.7},  {2, 1.73}, {0, 2.2},  {1, 2.2}};
    constexpr double kSeconds = 3.0;
    const int rate = (int)transcriber_plugin_test::kRate;
    Stereo mix{std::vector<float>((size_t)(kSeconds * rate)), std::vector<float>((size_t)(kSeconds * rate))};
    for (const Stroke& stroke : strokes) {
        const Stereo hit = readAudio(demoFile(std::string(kDrumNames[stroke.drum]) + ".flac"));
        const size_t at = (size_t)(stroke.seconds * rate);
        for (size_t i = 0; i < hit.left.size() && at + i < mix.left.size(); i++) {
            mix.left[at + i] += hit.left[i];
            mix.right[at + i] += hit.right[i];
        }
    }
    cli_test::ScratchFolder scratch;
    cli_test::writeAudio(scratch.path("close.wav"), (int64_t)mix.left.size(), 2, rate,
                         [&mix](int64_t i, int c) { return (c ? mix.right : mix.left)[(size_t)i]; });
    expectSameNotes(scratch.path("close.wav"));
}

}  // namespace
