// Reading drum recordings and writing the plug-in's audio output through
// libsndfile, in blocks, so that a long recording never sits in memory whole.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// The name that stands for standard input and standard output.
constexpr const char* kStandardStream = "-";

// A mono or stereo file, delivered as two channels (mono duplicated).
class AudioReader {
public:
    // Throws Failure with a one-line reason: missing, unreadable, unsupported
    // format, more than two channels, no audio. "-" reads standard input.
    explicit AudioReader(const std::string& path);
    // Audio file bytes held in memory, called name in messages; bytes must
    // outlive the reader.
    AudioReader(const std::string& name, const std::string* bytes);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // As the file's header says; a damaged or crafted header may claim more
    // than the file holds, so nothing is sized by it.
    int64_t frames() const { return info.frames; }
    // Frames read since the file was opened or rewound: after reading to the
    // end, how long the recording really is.
    int64_t framesRead() const { return delivered; }
    // Of those, the frames holding a sample that is not a number or is
    // infinite (a damaged floating-point file).
    int64_t nonFiniteFramesRead() const { return nonFinite; }
    int sampleRate() const { return info.samplerate; }
    int channels() const { return info.channels; }
    const std::string& path() const { return filePath; }

    // Reads up to maxFrames into left and right; returns the frames read, 0 at the end.
    int64_t read(float* left, float* right, int64_t maxFrames);
    int64_t read(double* left, double* right, int64_t maxFrames);
    // Back to the first frame, for another pass.
    void rewind();

private:
    template <typename Sample>
    int64_t readBlock(Sample* left, Sample* right, int64_t maxFrames);
    SNDFILE* open(SF_INFO& into);
    void openChecked();

    std::string filePath;
    // Standard input, read whole, with this reader's position in it.
    struct MemoryFile {
        const std::string* bytes;
        sf_count_t position;
    };
    MemoryFile memory{nullptr, 0};
    SF_INFO info{};
    SNDFILE* file = nullptr;
    int64_t delivered = 0;
    int64_t nonFinite = 0;
    std::vector<float> interleavedFloat;
    std::vector<double> interleavedDouble;
};

// A stereo file whose format follows the name's extension: .wav and .aiff as
// 32-bit float (the plug-in's output is not limited to +-1), .flac as 24-bit
// PCM, .ogg as Vorbis.
class AudioWriter {
public:
    // Throws Failure for an unknown extension or a file that cannot be created.
    // formatName chooses the format and names the file in messages; path is
    // where the bytes go (a temporary file until the output is complete).
    AudioWriter(const std::string& path, const std::string& formatName, int sampleRate);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    template <typename Sample>
    void write(const Sample* left, const Sample* right, int64_t frames);
    // Flushes and closes; throws Failure if the data could not be written.
    void close();

    // Throws Failure unless the name's extension is one AudioWriter can write.
    static void checkFormatName(const std::string& formatName);

private:
    std::string displayName;
    SNDFILE* file = nullptr;
    std::vector<double> interleaved;
};

}  // namespace cli
