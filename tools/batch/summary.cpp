// Tallying results and printing the summary.

#include "summary.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace {

// Messages listed in the summary.
constexpr size_t TopMessages = 10;

// The text a failure is counted under: the first line of its message, with its code.
std::string MessageKey(const Result& r) {
    std::string text = r.message;
    size_t nl = text.find('\n');
    if (nl != std::string::npos)
        text.resize(nl);
    if (r.status == Status::Crashed || r.status == Status::Timeout || r.status == Status::Changed)
        return std::string(StatusName(r.status)) + ": " + text;
    return "error " + std::to_string(r.error) + ": " + text;
}

} // namespace

void Tally::Add(const Result& r) {
    ++count[static_cast<int>(r.status)];
    ++done;
    bytesIn += r.bytesIn;
    bytesOut += r.bytesOut;
    if (IsFailure(r.status))
        ++messages[MessageKey(r)];
    rendered += std::popcount(r.rendered);
    renderFailures += std::popcount(r.renderFailed);
    if (r.renderError[0] != '\0')
        ++messages[r.renderError];
}

int64_t Tally::Failures() const {
    return count[static_cast<int>(Status::Failed)] + count[static_cast<int>(Status::Crashed)] +
           count[static_cast<int>(Status::Timeout)] + count[static_cast<int>(Status::Changed)];
}

void PrintSummary(FILE* out, const Tally& t, double seconds) {
    const double mb = static_cast<double>(t.bytesIn) / 1e6;
    const double s = seconds > 1e-9 ? seconds : 1e-9;
    std::fprintf(out, "pfs2vnk-batch: %lld documents in %.2f s (%.0f documents/s, %.1f MB/s)\n",
                 static_cast<long long>(t.done), seconds, static_cast<double>(t.done) / s, mb / s);
    for (int i = 0; i < StatusCount; ++i)
        std::fprintf(out, "  %-12s %lld\n", StatusName(static_cast<Status>(i)),
                     static_cast<long long>(t.count[i]));
    if (t.rendered > 0 || t.renderFailures > 0)
        std::fprintf(out, "  %-12s %lld written, %lld failed\n", "renderings",
                     static_cast<long long>(t.rendered), static_cast<long long>(t.renderFailures));
    if (t.messages.empty())
        return;
    std::vector<std::pair<std::string, int64_t>> top(t.messages.begin(), t.messages.end());
    std::stable_sort(top.begin(), top.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (top.size() > TopMessages)
        top.resize(TopMessages);
    std::fprintf(out, "most common errors:\n");
    for (const auto& [text, n] : top)
        std::fprintf(out, "  %6lld  %s\n", static_cast<long long>(n), text.c_str());
}
