#include "audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "failure.h"

namespace cli {

namespace {

std::string lowerExtension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

struct OutputFormat {
    const char* extension;
    int format;
};

constexpr OutputFormat kOutputFormats[] = {
    {"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
    {"aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
};

const OutputFormat* findOutputFormat(const std::string& name) {
    std::string ext = lowerExtension(name);
    for (const OutputFormat& f : kOutputFormats)
        if (ext == f.extension) return &f;
    return nullptr;
}

// libsndfile's messages end with a full stop; ours continue after them.
std::string trimmed(const char* message) {
    std::string text = message ? message : "unknown error";
    while (!text.empty() && (text.back() == '.' || text.back() == '\n')) text.pop_back();
    return text;
}

constexpr int kStereo = 2;

// Standard input, read whole the first time it is asked for: most formats
// need seeking, which a pipe cannot do, and auto thresholds read it twice.
const std::string& standardInput() {
    static const std::string bytes = [] {
        std::string all;
        char chunk[1 << 16];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;) all.append(chunk, n);
        return all;
    }();
    return bytes;
}

template <typename Memory>
Memory& asMemory(void* user) { return *static_cast<Memory*>(user); }

template <typename Memory>
SF_VIRTUAL_IO memoryIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) { return (sf_count_t)asMemory<Memory>(user).bytes->size(); };
    io.seek = [](sf_count_t offset, int whence, void* user) {
        Memory& m = asMemory<Memory>(user);
        sf_count_t base = whence == SEEK_CUR ? m.position : whence == SEEK_END ? (sf_count_t)m.bytes->size() : 0;
        m.position = std::clamp<sf_count_t>(base + offset, 0, (sf_count_t)m.bytes->size());
        return m.position;
    };
    io.read = [](void* out, sf_count_t count, void* user) {
        Memory& m = asMemory<Memory>(user);
        sf_count_t n = std::min<sf_count_t>(count, (sf_count_t)m.bytes->size() - m.position);
        std::memcpy(out, m.bytes->data() + m.position, (size_t)n);
        m.position += n;
        return n;
    };
    io.write = [](const void*, sf_count_t, void*) { return (sf_count_t)0; };
    io.tell = [](void* user) { return asMemory<Memory>(user).position; };
    return io;
}

}  // namespace

SNDFILE* AudioReader::open(SF_INFO& into) {
    if (!memory.bytes) return sf_open(filePath.c_str(), SFM_READ, &into);
    static SF_VIRTUAL_IO io = memoryIo<MemoryFile>();
    memory.position = 0;
    return sf_open_virtual(&io, SFM_READ, &into, &memory);
}

AudioReader::AudioReader(const std::string& path) : filePath(path) {
    if (path == kStandardStream) {
        if (isatty(fileno(stdin)) == 1) throw Failure("-: standard input is a terminal; pipe a recording in");
        memory.bytes = &standardInput();
    } else {
        struct stat status {};
        if (stat(path.c_str(), &status) != 0) throw Failure(path + ": " + std::strerror(errno));
        if (S_ISDIR(status.st_mode)) throw Failure(path + ": is a directory, not an audio file");
    }
    openChecked();
}

AudioReader::AudioReader(const std::string& name, const std::string* bytes) : filePath(name) {
    memory.bytes = bytes;
    openChecked();
}

void AudioReader::openChecked() {
    const std::string& path = filePath;
    file = open(info);
    if (!file)
        throw Failure(path + ": cannot read audio: " + trimmed(sf_strerror(nullptr)) +
                      " (WAV, AIFF, FLAC and Ogg are supported)");
    if (info.channels > kStereo) {
        sf_close(file);
        throw Failure(path + ": has " + std::to_string(info.channels) +
                      " channels; only mono and stereo files can be converted");
    }
    if (info.frames <= 0) {
        sf_close(file);
        throw Failure(path + ": contains no audio");
    }
}

AudioReader::~AudioReader() {
    if (file) sf_close(file);
}

template <typename Sample>
int64_t AudioReader::readBlock(Sample* left, Sample* right, int64_t maxFrames) {
    std::vector<Sample>* buffer;
    if constexpr (sizeof(Sample) == sizeof(float))
        buffer = &interleavedFloat;
    else
        buffer = &interleavedDouble;
    buffer->resize((size_t)(maxFrames * info.channels));
    sf_count_t got;
    if constexpr (sizeof(Sample) == sizeof(float))
        got = sf_readf_float(file, buffer->data(), maxFrames);
    else
        got = sf_readf_double(file, buffer->data(), maxFrames);
    if (got < 0) got = 0;
    if (sf_error(file) != SF_ERR_NO_ERROR && got == 0)
        throw Failure(filePath + ": read error: " + trimmed(sf_strerror(file)));
    delivered += got;
    const Sample* in = buffer->data();
    for (sf_count_t i = 0; i < got; i++) {
        left[i] = in[i * info.channels];
        right[i] = in[i * info.channels + info.channels - 1];
        if (!std::isfinite(left[i]) || !std::isfinite(right[i])) nonFinite++;
    }
    return got;
}

int64_t AudioReader::read(float* left, float* right, int64_t maxFrames) {
    return readBlock(left, right, maxFrames);
}

int64_t AudioReader::read(double* left, double* right, int64_t maxFrames) {
    return readBlock(left, right, maxFrames);
}

void AudioReader::rewind() {
    delivered = 0;
    nonFinite = 0;
    if (sf_seek(file, 0, SEEK_SET) < 0) {
        // Some formats cannot seek; opening again starts from the first frame too.
        sf_close(file);
        SF_INFO again{};
        file = open(again);
        if (!file) throw Failure(filePath + ": cannot read audio again: " + trimmed(sf_strerror(nullptr)));
    }
}

void AudioWriter::checkFormatName(const std::string& formatName) {
    if (!findOutputFormat(formatName))
        throw Failure(formatName + ": unknown audio format; use a name ending in .wav, .aiff, .flac or .ogg");
}

AudioWriter::AudioWriter(const std::string& path, const std::string& formatName, int sampleRate)
    : displayName(formatName) {
    checkFormatName(formatName);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = kStereo;
    info.format = findOutputFormat(formatName)->format;
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw Failure(formatName + ": cannot write audio: " + trimmed(sf_strerror(nullptr)));
}

AudioWriter::~AudioWriter() {
    if (file) sf_close(file);
}

template <typename Sample>
void AudioWriter::write(const Sample* left, const Sample* right, int64_t frames) {
    interleaved.resize((size_t)(frames * kStereo));
    for (int64_t i = 0; i < frames; i++) {
        interleaved[(size_t)(2 * i)] = left[i];
        interleaved[(size_t)(2 * i + 1)] = right[i];
    }
    if (sf_writef_double(file, interleaved.data(), frames) != frames)
        throw Failure(displayName + ": cannot write audio: " + trimmed(sf_strerror(file)));
}

template void AudioWriter::write<float>(const float*, const float*, int64_t);
template void AudioWriter::write<double>(const double*, const double*, int64_t);

void AudioWriter::close() {
    if (!file) return;
    sf_write_sync(file);
    int result = sf_close(file);
    file = nullptr;
    if (result != 0) throw Failure(displayName + ": cannot finish the audio file: " + trimmed(sf_error_number(result)));
}

}  // namespace cli
