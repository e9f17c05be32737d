// How the fuzzers read their input: a byte at a time, or the bytes of a
// value. Past the end every read gives zeros, so any string is a valid
// program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzzing {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data(data), left(size) {}
    bool empty() const { return left == 0; }
    uint8_t byte() { return left ? (left--, *data++) : 0; }
    template <typename T>
    T raw() {
        uint8_t bytes[sizeof(T)] = {};
        for (uint8_t& b : bytes) b = byte();
        T value;
        memcpy(&value, bytes, sizeof value);
        return value;
    }

private:
    const uint8_t* data;
    size_t left;
};

}  // namespace fuzzing
