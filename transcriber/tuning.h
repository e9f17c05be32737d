// TEMPORARY (development only): override constants from the environment.
#pragma once
#include <cstdlib>
inline float tune(const char* name, float value) {
    const char* v = std::getenv(name);
    return v ? static_cast<float>(std::atof(v)) : value;
}
