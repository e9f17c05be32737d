#include "progress_bar.h"

#include <unistd.h>

#include <string>

namespace cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(FILE* stream) : stream(stream), enabled(stream && isatty(fileno(stream)) == 1) {}

void ProgressBar::update(double fraction, int filesDone, int filesTotal) {
    if (!enabled) return;
    auto now = std::chrono::steady_clock::now();
    if (shown && now - lastDraw < kRedrawInterval && filesDone < filesTotal) return;
    lastDraw = now;
    int filled = (int)(fraction * kBarWidth);
    std::string bar = std::string((size_t)filled, '#') + std::string((size_t)(kBarWidth - filled), '.');
    std::fprintf(stream, "\r[%s] %3d%%  %d/%d files", bar.c_str(), (int)(fraction * 100), filesDone, filesTotal);
    std::fflush(stream);
    shown = true;
}

void ProgressBar::clear() {
    if (!shown) return;
    std::fprintf(stream, "\r\033[K");
    std::fflush(stream);
    shown = false;
}

}  // namespace cli
