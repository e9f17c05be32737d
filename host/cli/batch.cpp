#include "batch.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "audio_file.h"
#include "failure.h"
#include "progress_bar.h"
#include "report.h"

namespace cli {

namespace {

struct Outcome {
    bool done = false;
    std::optional<ConversionResult> result;
    std::string error;
};

// A MIDI file on standard output leaves no room there for anything else.
bool anyToStdout(const std::vector<BatchJob>& jobs) {
    for (const BatchJob& job : jobs)
        if (job.outputs.midi == kStandardStream) return true;
    return false;
}

// Everything the workers share; every member is used under the mutex.
class BatchState {
public:
    BatchState(const std::vector<BatchJob>& jobs, const BatchOptions& options)
        : jobs(jobs), options(options), outcomes(jobs.size()), fractions(jobs.size(), 0.0),
          bar(options.verbosity == Verbosity::Quiet ? nullptr : stderr),
          summaries(options.csv || anyToStdout(jobs) ? stderr : stdout) {}

    void progress(size_t job, double fraction) {
        std::lock_guard<std::mutex> lock(mutex);
        fractions[job] = fraction;
        drawBar();
    }

    void finish(size_t job, Outcome outcome) {
        std::lock_guard<std::mutex> lock(mutex);
        outcome.done = true;
        fractions[job] = 1.0;
        outcomes[job] = std::move(outcome);
        filesDone++;
        bar.clear();
        // In input order, so that the output does not depend on the timing.
        while (nextToPrint < outcomes.size() && outcomes[nextToPrint].done) print(nextToPrint++);
        drawBar();
    }

    int failures() const {
        int n = 0;
        for (const Outcome& o : outcomes) n += o.result ? 0 : 1;
        return n;
    }

    void printCsv() const {
        if (!options.csv) return;
        std::printf("%s\n", kCsvHeader);
        for (size_t i = 0; i < jobs.size(); i++)
            if (outcomes[i].result) std::fputs(csvRows(jobs[i].input, *outcomes[i].result).c_str(), stdout);
    }

    void closeBar() {
        std::lock_guard<std::mutex> lock(mutex);
        bar.clear();
    }

private:
    void drawBar() {
        double sum = 0.0;
        for (double f : fractions) sum += f;
        bar.update(sum / (double)fractions.size(), filesDone, (int)jobs.size());
    }

    void print(size_t i) {
        const Outcome& o = outcomes[i];
        if (!o.result) {
            std::fprintf(stderr, "tamboro: %s\n", o.error.c_str());
            return;
        }
        if (options.verbosity == Verbosity::Quiet) return;
        for (const std::string& warning : o.result->warnings) std::fprintf(stderr, "tamboro: warning: %s\n", warning.c_str());
        std::fprintf(summaries, "%s\n", summaryLine(jobs[i].input, jobs[i].outputs.midi, *o.result).c_str());
        bool verbose = options.verbosity == Verbosity::Verbose;
        if (verbose || o.result->settingsChosen) std::fprintf(summaries, "  %s\n", o.result->settingsLine.c_str());
        if (verbose)
            for (const std::string& detail : o.result->details) std::fprintf(summaries, "  %s\n", detail.c_str());
        std::fflush(summaries);
    }

    const std::vector<BatchJob>& jobs;
    const BatchOptions& options;
    std::mutex mutex;
    std::vector<Outcome> outcomes;
    std::vector<double> fractions;
    size_t nextToPrint = 0;
    int filesDone = 0;
    ProgressBar bar;
    FILE* summaries;
};

Outcome convertOne(const EngineFactory& makeEngine, const ConversionSettings& settings, const BatchJob& job,
                   const ProgressCallback& progress) {
    Outcome outcome;
    try {
        outcome.result = convertFile(makeEngine, settings, job.input, job.outputs, progress);
    } catch (const Failure& failure) {
        outcome.error = failure.what();
    } catch (const std::exception& e) {
        outcome.error = job.input + ": " + e.what();
    }
    return outcome;
}

}  // namespace

int runBatch(const EngineFactory& makeEngine, const ConversionSettings& settings, const std::vector<BatchJob>& jobs,
             const BatchOptions& options) {
    BatchState state(jobs, options);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            ProgressCallback progress = [&state, i](double f) { state.progress(i, f); };
            state.finish(i, convertOne(makeEngine, settings, jobs[i], progress));
        }
    };
    size_t threads = std::min<size_t>((size_t)std::max(options.threads, 1), jobs.size());
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; t++) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    state.closeBar();
    state.printCsv();
    return state.failures();
}

}  // namespace cli
