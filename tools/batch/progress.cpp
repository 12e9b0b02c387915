// Documents done of the total, failures, documents and megabytes a second,
// and the time left, estimated from the bytes still to convert.

#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto Interval = std::chrono::milliseconds(100);

void FormatTime(char* buf, size_t size, double seconds) {
    long s = static_cast<long>(seconds + 0.5);
    if (s >= 3600)
        std::snprintf(buf, size, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, size, "%ld:%02ld", s / 60, s % 60);
}

} // namespace

Progress::Progress(bool enabled, int64_t total, int64_t totalBytes)
    : on_(enabled && isatty(STDERR_FILENO) == 1), total_(total), totalBytes_(totalBytes),
      start_(Clock::now()), last_(start_ - Interval) {}

void Progress::Update(const Tally& t) {
    auto now = Clock::now();
    if (!on_ || now - last_ < Interval)
        return;
    last_ = now;
    const double s = std::chrono::duration<double>(now - start_).count();
    const double docs = s > 0 ? static_cast<double>(t.done) / s : 0;
    const double bytes = s > 0 ? static_cast<double>(t.bytesIn) / s : 0;
    char left[32] = "-";
    if (bytes > 0 && totalBytes_ >= t.bytesIn)
        FormatTime(left, sizeof left, static_cast<double>(totalBytes_ - t.bytesIn) / bytes);
    else if (docs > 0)
        FormatTime(left, sizeof left, static_cast<double>(total_ - t.done) / docs);
    std::fprintf(stderr,
                 "\r%lld/%lld documents, %lld failed, %.0f documents/s, %.1f MB/s, %s left\033[K",
                 static_cast<long long>(t.done), static_cast<long long>(total_),
                 static_cast<long long>(t.Failures()), docs, bytes / 1e6, left);
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::Finish() {
    if (drawn_)
        std::fprintf(stderr, "\r\033[K");
    drawn_ = false;
}
