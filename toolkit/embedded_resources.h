// The module's resources, compiled into it from the resource script at build
// time: nothing is read from disk while the plug-in runs.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedResource {
    int32_t id;
    const unsigned char* data;
    size_t size;
};

// Null when the module has no resource with this number.
const EmbeddedResource* findEmbeddedResource(int32_t id);
