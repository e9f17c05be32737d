// Drives the built plug-in (through the host library) and the reference model
// side by side, block by block, and reports the first sample, event or
// parameter in which they differ.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "host/plugin_host.h"
#include "reference_model.h"
#include "reference_signals.h"

namespace reference {

enum class Path { Single, Double };

// Seeded block sizes: many single samples and small odd sizes, some large,
// and now and then an empty call.
class BlockSizes {
public:
    explicit BlockSizes(uint32_t seed, int32_t largest = 3000) : rng(seed), largest(largest) {}
    int32_t next();

private:
    std::mt19937 rng;
    int32_t largest;
};

class Lockstep {
public:
    explicit Lockstep(host::HostSettings settings = {});

    void setParameter(int32_t index, float value);
    // Host answers for the following processing calls.
    void setHost(const host::HostSettings& settings);
    void setSampleRate(float rate);  // effSetSampleRate

    // One processing call on frames [begin, begin + count) of signal.
    ::testing::AssertionResult block(const Stereo& signal, size_t begin, int32_t count, Path path);
    // The whole signal; between runs before every block (parameter or host changes).
    ::testing::AssertionResult run(const Stereo& signal, BlockSizes& sizes,
                                   const std::function<Path()>& path,
                                   const std::function<void(Lockstep&)>& between = {});
    ::testing::AssertionResult run(const Stereo& signal, BlockSizes& sizes, Path path) {
        return run(signal, sizes, [path] { return path; });
    }

    // Every parameter read back, and the display of "Ratio Divide".
    ::testing::AssertionResult compareParameters();

    int64_t position() const { return plugin->samplePosition(); }
    size_t noteOns() const;
    size_t noteOffs() const;
    const Model& model() const { return reference; }

private:
    ::testing::AssertionResult compareEvents();

    std::unique_ptr<host::Instance> plugin;
    Model reference;
    HostAnswers answers;
    size_t eventsCompared = 0;
};

}  // namespace reference
