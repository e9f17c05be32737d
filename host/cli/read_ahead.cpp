#include "read_ahead.h"

namespace cli {

ReadAhead::ReadAhead(AudioReader& reader, int64_t blockFrames) : reader(reader) {
    for (Block& b : blocks) {
        b.left.resize((size_t)blockFrames);
        b.right.resize((size_t)blockFrames);
        b.mean.resize((size_t)blockFrames);
    }
    thread = std::thread([this] { readAll(); });
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

void ReadAhead::readAll() {
    for (size_t slot = 0;; slot = (slot + 1) % kBlocks) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return filled < kBlocks || stopping; });
            if (stopping) break;
        }
        // The slot is free: the caller has given it back.
        bool more = readInto(blocks[slot]);
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!more) break;
            filled++;
        }
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
    }
    changed.notify_all();
}

bool ReadAhead::readInto(Block& block) {
    try {
        block.frames = reader.read(block.left.data(), block.right.data(), (int64_t)block.left.size());
        for (size_t i = 0; i < (size_t)block.frames; i++) block.mean[i] = 0.5f * (block.left[i] + block.right[i]);
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        failure = std::current_exception();
        return false;
    }
    return block.frames > 0;
}

const ReadAhead::Block* ReadAhead::next() {
    std::unique_lock<std::mutex> lock(mutex);
    if (handedOut) {
        filled--;
        nextToRead = (nextToRead + 1) % kBlocks;
        handedOut = false;
        changed.notify_all();
    }
    changed.wait(lock, [this] { return filled > 0 || ended; });
    if (filled == 0) {
        if (failure) std::rethrow_exception(failure);
        return nullptr;
    }
    handedOut = true;
    return &blocks[nextToRead];
}

}  // namespace cli
