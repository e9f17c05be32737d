// Outputs that appear whole or not at all, and never replace an existing file
// unless the user asked for it: the data goes to a hidden temporary file
// beside the target, which is moved into place only when it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// Throws Failure when target exists and overwrite is false, or when target
// is a directory.
void refuseExisting(const std::string& target, bool overwrite);

// On SIGINT, SIGTERM or SIGHUP, removes the temporary files of outputs still
// being made, then ends the program as the signal would have.
void removePartialOutputsOnInterrupt();

class PendingOutput {
public:
    // Creates the temporary file; throws Failure when that is impossible.
    PendingOutput(std::string target, bool overwrite);
    // Removes the temporary file unless it was committed.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const std::string& target() const { return targetPath; }
    const std::string& tempPath() const { return temporaryPath; }

    void writeAll(const std::vector<uint8_t>& bytes);
    void writeAll(const std::string& text);
    // Moves the finished file into place. Without overwrite, a target that
    // appeared in the meantime is left alone and Failure is thrown.
    void commit();

private:
    std::string targetPath;
    std::string temporaryPath;
    bool overwrite;
    bool committed = false;
};

}  // namespace cli
