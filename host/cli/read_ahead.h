// Decodes a recording on a second thread, a few blocks ahead of the caller,
// so that reading and decoding the file overlap the detection that consumes
// it. The channels are exactly those of AudioReader::read, and their mean
// (what the transcriber hears) is taken there too.
//
// Threading: one caller thread calls next(); a reading thread of its own,
// started by the constructor and joined by the destructor, is the only one
// that touches the AudioReader meanwhile. They share the blocks, handed over
// under a mutex.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "audio_file.h"

namespace cli {

class ReadAhead {
public:
    ReadAhead(AudioReader& reader, int64_t blockFrames);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    struct Block {
        std::vector<float> left, right, mean;
        int64_t frames = 0;
    };
    // The next block, valid until the next call; null at the end. Throws
    // what the reader threw (a read error).
    const Block* next();

private:
    // Enough to ride out a slow read without holding much of the file.
    static constexpr size_t kBlocks = 4;

    void readAll();
    bool readInto(Block& block);

    AudioReader& reader;
    std::array<Block, kBlocks> blocks;
    std::mutex mutex;
    std::condition_variable changed;
    size_t filled = 0;  // blocks read and not yet given back, the one in use included
    size_t nextToRead = 0;
    bool handedOut = false;
    bool ended = false;  // the reading thread has stopped
    bool stopping = false;
    std::exception_ptr failure;
    std::thread thread;
};

}  // namespace cli
