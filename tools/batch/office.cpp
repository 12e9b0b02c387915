// The LibreOffice runners' loop: chunks out, PDFs in, retries, time limits.
//
// The jobs are cut into chunks of equal size, at most setup.chunk and
// small enough that every runner gets work.  A runner copies its chunk's
// ODT files into its folder, starts LibreOffice on them and is watched
// every 50 ms: LibreOffice writes the PDFs one after another, so a new PDF
// in its out/ folder shows progress.  The time limit follows --timeout:
// twice the limit for the start and the first document, then the limit
// again from each new PDF; a LibreOffice that passes it is killed with its
// process group.  When LibreOffice ends cleanly (exit status 0) each whole
// PDF is put in place and each missing one (LibreOffice exits 0 when a file
// fails to load) is tried again alone; after a crash, an error exit or the
// time limit, none of the chunk's PDFs is trusted and every document of it
// is tried again alone.  A document that fails alone is reported.  The
// profile of a LibreOffice that failed is removed, so that the next one
// starts afresh.

#include "office.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>

#include "interrupt.h"
#include "office_process.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Runner {
    std::string name; // its folder's name in the working folder
    OfficeProcess proc;
    std::vector<OfficeJob> jobs; // the chunk running, numbered from 1
    std::vector<timespec> mtimes;
    size_t seen = 0; // PDFs written so far
    Clock::time_point deadline;
};

struct Office {
    const OfficeSetup& setup;
    const std::function<void(const OfficeOutcome&)>& sink;
    std::deque<std::vector<OfficeJob>> chunks;
    std::vector<Runner> runners;
};

void Fail(Office& o, const OfficeJob& job, const std::string& why) {
    o.sink({job.index, false, "pdf: " + why});
}

Clock::duration Seconds(double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

// Starts the next chunk that has a readable ODT on the idle runner r.
void StartNext(Office& o, Runner& r) {
    while (!o.chunks.empty() && r.proc.pid < 0) {
        const std::vector<OfficeJob> chunk = std::move(o.chunks.front());
        o.chunks.pop_front();
        r.jobs.clear();
        r.mtimes.clear();
        for (const OfficeJob& job : chunk) {
            timespec mtime{};
            const int e = CopyOdtIn(r.proc, o.setup.targetFd, job.odt, r.jobs.size() + 1, mtime);
            if (e != 0) {
                Fail(o, job, std::string("the ODT could not be read: ") + std::strerror(e));
                continue;
            }
            r.jobs.push_back(job);
            r.mtimes.push_back(mtime);
        }
        if (r.jobs.empty())
            continue;
        if (!StartOffice(o.setup.soffice, r.proc, r.jobs.size())) {
            const std::string why =
                std::string("LibreOffice could not be started: ") + std::strerror(errno);
            for (const OfficeJob& job : r.jobs)
                Fail(o, job, why);
            ClearOfficeFolder(r.proc, false);
            r.jobs.clear();
            continue;
        }
        r.seen = 0;
        r.deadline = Clock::now() + 2 * Seconds(o.setup.timeout);
    }
}

std::string Why(int status, bool timedOut, double timeout) {
    char text[120];
    if (timedOut)
        std::snprintf(text, sizeof text, "LibreOffice passed its time limit (%g s without a PDF)",
                      timeout);
    else if (WIFSIGNALED(status))
        std::snprintf(text, sizeof text, "LibreOffice ended by signal %d (%s)", WTERMSIG(status),
                      strsignal(WTERMSIG(status)));
    else
        std::snprintf(text, sizeof text, "LibreOffice ended with exit status %d",
                      WEXITSTATUS(status));
    return text;
}

// After r's LibreOffice ended: its PDFs put in place, its failures retried
// one by one (at the front of the work, so that they are settled soon) or
// reported.
void Finish(Office& o, Runner& r, int status, bool timedOut) {
    const bool clean = !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const bool alone = r.jobs.size() == 1;
    std::vector<OfficeJob> retry;
    for (size_t k = 1; k <= r.jobs.size(); ++k) {
        const OfficeJob& job = r.jobs[k - 1];
        std::string error = Why(status, timedOut, o.setup.timeout);
        if (clean) {
            error = PlacePdf(r.proc, k, o.setup.targetFd, job.pdf, r.mtimes[k - 1], o.setup.sync);
            if (error.empty()) {
                o.sink({job.index, true, ""});
                continue;
            }
        }
        if (alone)
            Fail(o, job, error);
        else
            retry.push_back(job);
    }
    for (auto it = retry.rbegin(); it != retry.rend(); ++it)
        o.chunks.push_front({*it});
    ClearOfficeFolder(r.proc, !clean);
    r.jobs.clear();
}

// Watches the running r: ended, progressing or past its time.
void Watch(Office& o, Runner& r) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(r.proc.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == r.proc.pid) {
        const int status = EndOffice(r.proc, false);
        Finish(o, r, status, false);
        return;
    }
    const size_t n = PdfsWritten(r.proc);
    const auto now = Clock::now();
    if (n > r.seen) {
        r.seen = n;
        r.deadline = now + Seconds(o.setup.timeout);
    }
    if (o.setup.timeout > 0 && now > r.deadline) {
        EndOffice(r.proc, true);
        Finish(o, r, 0, true);
    }
}

void CutIntoChunks(Office& o, const std::vector<OfficeJob>& jobs) {
    const size_t runners = static_cast<size_t>(o.setup.runners < 1 ? 1 : o.setup.runners);
    size_t size = (jobs.size() + runners - 1) / runners;
    size = std::max<size_t>(1, std::min(size, o.setup.chunk));
    for (size_t at = 0; at < jobs.size(); at += size)
        o.chunks.emplace_back(jobs.begin() + static_cast<ptrdiff_t>(at),
                              jobs.begin() +
                                  static_cast<ptrdiff_t>(std::min(at + size, jobs.size())));
}

} // namespace

OfficeEnd ConvertToPdf(const OfficeSetup& setup, const std::vector<OfficeJob>& jobs,
                       const std::function<void(const OfficeOutcome&)>& sink,
                       const std::function<void()>& tick) {
    // The soffice.bin of a soffice that ended comes back here, to be reaped
    // and counted as gone (see EndOffice).
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    Office o{setup, sink, {}, {}};
    CutIntoChunks(o, jobs);
    o.runners.resize(std::min(o.chunks.size(), static_cast<size_t>(std::max(1, setup.runners))));
    for (size_t i = 0; i < o.runners.size(); ++i) {
        Runner& r = o.runners[i];
        r.name = "o" + std::to_string(i + 1);
        if (!MakeOfficeFolder(setup.runFd, r.name, r.proc)) {
            const std::string why =
                std::string("no working folder for LibreOffice: ") + std::strerror(errno);
            for (const auto& chunk : o.chunks)
                for (const OfficeJob& job : chunk)
                    Fail(o, job, why);
            o.chunks.clear();
        }
    }
    OfficeEnd end = OfficeEnd::Finished;
    for (;;) {
        bool running = false;
        for (Runner& r : o.runners) {
            StartNext(o, r);
            running = running || r.proc.pid > 0;
        }
        if (!running)
            break;
        pollfd stop = {StopFd(), POLLIN, 0};
        poll(&stop, 1, 50);
        if (StopSignal() != 0) {
            end = OfficeEnd::Interrupted;
            break;
        }
        for (Runner& r : o.runners)
            if (r.proc.pid > 0)
                Watch(o, r);
        tick();
    }
    for (Runner& r : o.runners) {
        EndOffice(r.proc, true);
        RemoveOfficeFolder(setup.runFd, r.name, r.proc);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    return end;
}
