// The pool's loop: hand a job to each idle worker, wait on the result pipes
// (and the stop pipe) with a deadline, take results, replace dead workers.
//
// A worker that ends while it holds a job took that document down with it:
// the document is reported as crashed with the signal (or exit status) and
// not retried.  A worker past the time limit is killed (SIGKILL) and its
// document reported as timeout.  Either way a fresh worker takes the slot.

#include "pool.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/error_codes.h"
#include "interrupt.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Slot {
    pid_t pid = -1;
    int jobFd = -1;    // the batch writes job indexes here
    int resultFd = -1; // and reads results here
    int64_t job = -1;  // the index being converted, -1 when idle
    Clock::time_point started;
};

struct Pool {
    const PoolSetup& setup;
    std::vector<Slot> slots;
};

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

[[noreturn]] void WorkerMain(Pool& pool, size_t me, int jobFd, int resultFd) {
    WorkerSignals();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (Slot& s : pool.slots) {
        CloseFd(s.jobFd);
        CloseFd(s.resultFd);
    }
    RunWorker(pool.setup.worker, pool.setup.folders->slotFds[me], jobFd, resultFd);
}

bool Spawn(Pool& pool, size_t i) {
    int job[2], res[2];
    if (pipe(job) != 0)
        return false;
    if (pipe(res) != 0) {
        close(job[0]);
        close(job[1]);
        return false;
    }
    ClearSlot(pool.setup.folders->slotFds[i]);
    std::fflush(nullptr); // a child must not inherit unwritten output
    pid_t pid = fork();
    if (pid == 0) {
        close(job[1]);
        close(res[0]);
        WorkerMain(pool, i, job[0], res[1]);
    }
    close(job[0]);
    close(res[1]);
    if (pid < 0) {
        close(job[1]);
        close(res[0]);
        return false;
    }
    Slot& s = pool.slots[i];
    s.pid = pid;
    s.jobFd = job[1];
    s.resultFd = res[0];
    s.job = -1;
    return true;
}

// Ends the slot's worker (with sig, unless 0) and waits for it; returns its wait status.
int Reap(Slot& s, int sig) {
    CloseFd(s.jobFd);
    CloseFd(s.resultFd);
    int status = 0;
    if (s.pid > 0) {
        if (sig != 0)
            kill(s.pid, sig);
        waitpid(s.pid, &status, 0);
    }
    s.pid = -1;
    return status;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

Result Lost(const Slot& s, Status status) {
    Result r;
    r.index = static_cast<uint32_t>(s.job);
    r.status = status;
    r.ms = MsSince(s.started);
    r.done = true;
    return r;
}

void ReportCrash(Slot& s, int status, const std::function<void(Result&)>& sink) {
    Result r = Lost(s, Status::Crashed);
    r.error = ErrInternal;
    std::string text;
    if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
        text = "ended by signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
    } else {
        text = "the worker ended with exit status " + std::to_string(WEXITSTATUS(status));
    }
    SetMessage(r, text.c_str());
    s.job = -1;
    sink(r);
}

void ReportTimeout(Slot& s, double limit, const std::function<void(Result&)>& sink) {
    Result r = Lost(s, Status::Timeout);
    char text[80];
    std::snprintf(text, sizeof text, "no result within %g s", limit);
    SetMessage(r, text);
    s.job = -1;
    sink(r);
}

bool SendJob(Slot& s, uint32_t index) {
    s.job = index;
    s.started = Clock::now();
    return write(s.jobFd, &index, sizeof index) == static_cast<ssize_t>(sizeof index);
}

// Milliseconds until the first deadline, at most 100.
int PollTimeout(const Pool& pool) {
    double wait = 100;
    if (pool.setup.timeout > 0)
        for (const Slot& s : pool.slots)
            if (s.job >= 0)
                wait = std::min(wait, pool.setup.timeout * 1000 - MsSince(s.started) + 1);
    return wait < 0 ? 0 : static_cast<int>(wait);
}

void StopAll(Pool& pool) {
    for (Slot& s : pool.slots)
        if (s.pid > 0)
            kill(s.pid, SIGKILL);
    for (Slot& s : pool.slots)
        Reap(s, 0);
}

} // namespace

PoolEnd RunPool(const PoolSetup& setup, const std::vector<uint32_t>& queue,
                const std::function<void(Result&)>& sink, const std::function<void()>& tick) {
    Pool pool{setup, std::vector<Slot>(static_cast<size_t>(setup.jobs))};
    size_t next = 0;
    PoolEnd end = PoolEnd::Finished;
    auto takeResult = [&](Slot& s) {
        Result r;
        if (read(s.resultFd, &r, sizeof r) == static_cast<ssize_t>(sizeof r) && s.job >= 0) {
            s.job = -1;
            if (r.noSpace)
                end = PoolEnd::NoSpace;
            sink(r);
            return;
        }
        int status = Reap(s, SIGKILL);
        if (s.job >= 0)
            ReportCrash(s, status, sink);
    };
    while (end == PoolEnd::Finished) {
        for (size_t i = 0; i < pool.slots.size() && next < queue.size(); ++i) {
            Slot& s = pool.slots[i];
            if (s.pid < 0 && !Spawn(pool, i))
                continue;
            if (s.job < 0 && !SendJob(s, queue[next++]))
                --next, Reap(s, SIGKILL);
        }
        std::vector<pollfd> fds{{StopFd(), POLLIN, 0}};
        std::vector<Slot*> polled;
        for (Slot& s : pool.slots)
            if (s.pid > 0 && s.job >= 0) {
                fds.push_back({s.resultFd, POLLIN, 0});
                polled.push_back(&s);
            }
        if (polled.empty() && next >= queue.size())
            break;
        if (polled.empty()) { // not one worker could be started
            for (; next < queue.size(); ++next) {
                Result r;
                r.index = queue[next];
                r.done = true;
                SetMessage(r, "no worker process could be started");
                sink(r);
            }
            break;
        }
        poll(fds.data(), fds.size(), PollTimeout(pool));
        if (StopSignal() != 0) {
            end = PoolEnd::Interrupted;
            break;
        }
        for (size_t i = 0; i < polled.size(); ++i)
            if (fds[i + 1].revents != 0)
                takeResult(*polled[i]);
        for (Slot& s : pool.slots)
            if (s.job >= 0 && setup.timeout > 0 && MsSince(s.started) > setup.timeout * 1000) {
                Reap(s, SIGKILL);
                ReportTimeout(s, setup.timeout, sink);
            }
        tick();
    }
    StopAll(pool);
    return end;
}
