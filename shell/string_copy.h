#pragma once

#include <cstddef>
#include <cstring>

// Copies at most maxChars characters of src and one terminator. Hosts size
// their buffers differently (one passes 64 bytes for a 64-character limit), so
// nothing past the copied text and its terminator is ever written.
inline void copyString(char* dest, const char* src, size_t maxChars) {
    size_t n = strnlen(src, maxChars);
    memcpy(dest, src, n);
    dest[n] = '\0';
}
