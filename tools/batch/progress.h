// The progress line: on a terminal only, one line on standard error that
// is rewritten in place.
#pragma once

#include <chrono>
#include <cstdint>

#include "summary.h"

class Progress {
  public:
    // On only when enabled and standard error is a terminal.
    Progress(bool enabled, int64_t total, int64_t totalBytes);
    // Redraws the line, at most ten times a second.
    void Update(const Tally& t);
    // Clears the line.
    void Finish();

  private:
    bool on_;
    int64_t total_;
    int64_t totalBytes_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_, last_;
};
