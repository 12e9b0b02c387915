// The worker pool: a fixed number of worker processes, each converting one
// document at a time, replaced when one crashes or overruns its time.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "result.h"
#include "workdir.h"
#include "worker.h"

struct PoolSetup {
    WorkerSetup worker;
    WorkFolders* folders = nullptr; // one slot folder per worker
    int jobs = 1;
    double timeout = 60; // seconds; 0 for none
};

enum class PoolEnd { Finished, Interrupted, NoSpace };

// Converts the documents at these positions of the work list.  sink gets
// every result (ok, failed, crashed, timeout...) as it comes in; tick is
// called at least every 100 ms.  Stops early, after stopping its workers,
// on SIGINT or SIGTERM or when the target file system is full.
PoolEnd RunPool(const PoolSetup& setup, const std::vector<uint32_t>& queue,
                const std::function<void(Result&)>& sink, const std::function<void()>& tick);
