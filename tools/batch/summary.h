// Counts of the batch and the summary printed at its end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "result.h"

struct Tally {
    int64_t count[StatusCount] = {};
    int64_t done = 0;
    int64_t bytesIn = 0; // of the documents converted or skipped
    int64_t bytesOut = 0;
    int64_t rendered = 0;                    // renderings written
    int64_t renderFailures = 0;              // renderings that could not be written
    std::map<std::string, int64_t> messages; // of failures, by text

    void Add(const Result& r);
    int64_t Failures() const;
};

// The summary: counts by status, the renderings (when any were written or
// failed), the ten most common error messages, the total time and the
// throughput.
void PrintSummary(FILE* out, const Tally& t, double seconds);
