#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "failure.h"

namespace cli {

namespace {

// Read once before main, while no other thread can create files: umask can
// only be read by setting it.
const mode_t kUmask = [] {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}();

constexpr mode_t kNewFileMode = 0666;

std::string temporaryPattern(const std::string& target) {
    size_t slash = target.find_last_of('/');
    std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return dir + "." + name + ".partial-XXXXXX";
}

std::string existsMessage(const std::string& target) {
    return target + ": already exists; use --force to overwrite it";
}

// The temporary files being written, for the signal handler: plain C strings
// in lock-free slots, because a handler may neither lock nor allocate. A file
// that finds no free slot is merely not cleaned up after an interruption.
constexpr size_t kTrackedFiles = 256;
std::array<std::atomic<const char*>, kTrackedFiles> partialFiles{};

void track(const char* path) {
    for (auto& slot : partialFiles) {
        const char* expected = nullptr;
        if (slot.compare_exchange_strong(expected, path)) return;
    }
}

void untrack(const char* path) {
    for (auto& slot : partialFiles) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

extern "C" void removePartialFiles(int signal) {
    for (auto& slot : partialFiles)
        if (const char* path = slot.load()) unlink(path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void removePartialOutputsOnInterrupt() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, removePartialFiles);
}

void refuseExisting(const std::string& target, bool overwrite) {
    struct stat status {};
    if (stat(target.c_str(), &status) != 0) return;
    if (S_ISDIR(status.st_mode)) throw Failure(target + ": is a directory");
    if (!overwrite) throw Failure(existsMessage(target));
}

PendingOutput::PendingOutput(std::string target, bool overwrite)
    : targetPath(std::move(target)), overwrite(overwrite) {
    refuseExisting(targetPath, overwrite);
    std::string pattern = temporaryPattern(targetPath);
    int fd = mkstemp(pattern.data());
    if (fd < 0) throw Failure(targetPath + ": cannot create: " + std::strerror(errno));
    fchmod(fd, kNewFileMode & ~kUmask);
    ::close(fd);
    temporaryPath = pattern;
    track(temporaryPath.c_str());
}

PendingOutput::~PendingOutput() {
    untrack(temporaryPath.c_str());
    if (!committed) unlink(temporaryPath.c_str());
}

void PendingOutput::writeAll(const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(temporaryPath.c_str(), "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) ok = false;
    if (!ok) throw Failure(targetPath + ": cannot write: " + std::strerror(errno));
}

void PendingOutput::writeAll(const std::string& text) {
    writeAll(std::vector<uint8_t>(text.begin(), text.end()));
}

void PendingOutput::commit() {
    if (overwrite) {
        if (std::rename(temporaryPath.c_str(), targetPath.c_str()) != 0)
            throw Failure(targetPath + ": cannot write: " + std::strerror(errno));
    } else {
        // A hard link fails when the target exists, so a file that appeared
        // since the start is never replaced.
        if (link(temporaryPath.c_str(), targetPath.c_str()) != 0) {
            if (errno == EEXIST) throw Failure(existsMessage(targetPath));
            refuseExisting(targetPath, false);
            if (std::rename(temporaryPath.c_str(), targetPath.c_str()) != 0)
                throw Failure(targetPath + ": cannot write: " + std::strerror(errno));
        } else {
            unlink(temporaryPath.c_str());
        }
    }
    committed = true;
}

}  // namespace cli
