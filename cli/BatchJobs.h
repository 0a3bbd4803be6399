#pragma once
// The analyses a batch runs, and one job run on the calling thread: the
// very command the analysis has on the command line, run in this process
// with its output kept, so that a batch files the numbers the command
// prints alone.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/BatchTable.h"

namespace ordavia {

class AppServices;
struct MeasureSet;

struct BatchAnalysis {
    const char* name;     // as the manifest names it
    const char* command;  // the command that computes it
    const MeasureSet* (*measures)();  // its declared figures; null where this build has none
    // Memory a job needs at most, as a multiple of its file's size, over a
    // fixed part for the program's own buffers: pictures are decoded from
    // compressed files, videos are held a few frames at a time.
    double peakPerFileByte;
};

const std::vector<BatchAnalysis>& batchAnalyses();
// Null for a name no analysis has.
const BatchAnalysis* findBatchAnalysis(const std::string& name);

// The memory a job may take at most, from its file's size and kind.
uint64_t estimatePeakBytes(const BatchJob& job);
// What the machine can give now (MemAvailable of /proc/meminfo); 0 when unknown.
uint64_t availableMemoryBytes();

// Runs the job and gives its row. `services` are the run's (the profile,
// the prompter, the start-up settings); the job gets its own set made from
// them, so that jobs on other threads never share a document or a run value.
BatchRow runBatchJob(const BatchJob& job, const AppServices& services);

}  // namespace ordavia
