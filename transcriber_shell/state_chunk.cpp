#include "state_chunk.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <new>

#include "transcriber/analysis_grid.h"
#include "transcriber_plugin_info.h"

namespace {

using transcriber::DrumTemplate;
using transcriber::kDrumCount;

// The chunk opens with the plug-in's unique ID, highest character first.
constexpr uint32_t kMagic = (uint32_t)transcriber_plugin_info::kUniqueId;
constexpr size_t kHeaderBytes = 12;  // magic, version, body size
constexpr size_t kCrcBytes = 4;

size_t templateValues() { return (size_t)transcriber::kTemplateFrames * transcriber::bandCount(); }

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void u32(uint32_t v) {
        for (int i = 0; i < 4; i++) out_.push_back((uint8_t)(v >> (8 * i)));
    }
    void u64(uint64_t v) {
        for (int i = 0; i < 8; i++) out_.push_back((uint8_t)(v >> (8 * i)));
    }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void f64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u64(bits);
    }

private:
    std::vector<uint8_t>& out_;
};

// Reads within bounds; once a read would pass the end, every later read
// fails too and gives zero.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    size_t left() const { return ok_ ? size_ - at_ : 0; }
    uint64_t bytes(int n) {
        if (!ok_ || size_ - at_ < (size_t)n) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; i++) v |= (uint64_t)data_[at_ + i] << (8 * i);
        at_ += n;
        return v;
    }
    uint32_t u32() { return (uint32_t)bytes(4); }
    float f32() {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    double f64() {
        const uint64_t bits = bytes(8);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

uint32_t crcOf(const uint8_t* data, size_t size) {
    return (uint32_t)crc32(crc32(0L, Z_NULL, 0), data, (uInt)size);
}

bool validValue(float v) { return std::isfinite(v) && v >= 0.0f; }

bool readTemplate(Reader& in, DrumTemplate& t) {
    t.strength = in.f32();
    if (!validValue(t.strength)) return false;
    // Not more values than bytes left: a forged count cannot make us allocate.
    if (in.left() / 4 < templateValues()) return false;
    t.frames.resize(templateValues());
    for (float& v : t.frames) {
        v = in.f32();
        if (!validValue(v)) return false;
    }
    return in.ok();
}

bool readDrum(Reader& in, std::vector<DrumTemplate>& templates, double& rate) {
    const uint32_t count = in.u32();
    rate = in.f64();
    if (!in.ok() || count > (uint32_t)transcriber::Transcriber::kMaxTemplatesPerDrum) return false;
    // No templates are written with rate 0; anything else would not read back the same.
    if (count > 0 ? !transcriber::sampleRateSupported(rate) : (rate != 0.0 || std::signbit(rate))) return false;
    templates.resize(count);
    for (DrumTemplate& t : templates)
        if (!readTemplate(in, t)) return false;
    return true;
}

bool readBody(Reader& in, PluginState& state) {
    for (float& s : state.sensitivity) {
        s = in.f32();
        if (!(s >= 0.0f && s <= 1.0f)) return false;
    }
    const uint32_t frames = in.u32();
    const uint32_t bands = in.u32();
    if (frames != (uint32_t)transcriber::kTemplateFrames || bands != (uint32_t)transcriber::bandCount()) return false;
    for (int d = 0; d < kDrumCount; d++)
        if (!readDrum(in, state.templates.templates[d], state.templates.rates[d])) return false;
    return in.ok() && in.left() == 0;
}

}  // namespace

std::vector<uint8_t> writeChunk(const PluginState& state) {
    std::vector<uint8_t> out;
    Writer w(out);
    w.u32(kMagic);
    w.u32(kChunkVersion);
    w.u32(0);  // the body's size, filled in below
    for (float s : state.sensitivity) w.f32(s);
    w.u32((uint32_t)transcriber::kTemplateFrames);
    w.u32((uint32_t)transcriber::bandCount());
    for (int d = 0; d < kDrumCount; d++) {
        const std::vector<DrumTemplate>& templates = state.templates.templates[d];
        w.u32((uint32_t)templates.size());
        w.f64(templates.empty() ? 0.0 : state.templates.rates[d]);
        for (const DrumTemplate& t : templates) {
            w.f32(t.strength);
            for (float v : t.frames) w.f32(v);
        }
    }
    const uint32_t bodySize = (uint32_t)(out.size() - kHeaderBytes);
    for (int i = 0; i < 4; i++) out[8 + i] = (uint8_t)(bodySize >> (8 * i));
    w.u32(crcOf(out.data(), out.size()));
    return out;
}

bool readChunk(const uint8_t* data, size_t size, PluginState& state) {
    if (!data || size < kHeaderBytes + kCrcBytes) return false;
    Reader header(data, kHeaderBytes);
    if (header.u32() != kMagic || header.u32() != kChunkVersion) return false;
    const uint32_t bodySize = header.u32();
    if (bodySize != size - kHeaderBytes - kCrcBytes) return false;
    Reader crc(data + size - kCrcBytes, kCrcBytes);
    if (crc.u32() != crcOf(data, size - kCrcBytes)) return false;
    PluginState read;
    try {
        Reader body(data + kHeaderBytes, bodySize);
        if (!readBody(body, read)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    state = std::move(read);
    return true;
}
