// A batch over its work list: results in, report, progress and summary out.
#pragma once

#include <vector>

#include "options.h"
#include "walk.h"

// Exit statuses of the batch.
constexpr int ExitOk = 0;
constexpr int ExitFailures = 1;
constexpr int ExitUsage = 2;
constexpr int ExitInterrupted = 128; // plus the signal number

// Converts the items (already cut to this shard) from the open source
// folder into the open target folder and returns the exit status.
int RunBatch(const Options& opts, const std::vector<WorkItem>& items, int sourceFd, int targetFd);
