// The pool's loop: keep each worker a few jobs ahead, wait on the result
// pipes (and the stop pipe) with a deadline, take results, replace dead
// workers.
//
// A worker converts its jobs in the order it was sent them, so the oldest
// job a worker holds is the one it is on.  Up to Ahead jobs are queued per
// worker, so that it goes on to the next document at once instead of
// waiting for the batch to be scheduled, read its result and send another.
// A worker that ends while it holds jobs took the oldest down with it: that
// document is reported as crashed with the signal (or exit status) and not
// retried; the others go back to the front of the work.  A worker past the
// time limit on its oldest job is killed (SIGKILL) and that document
// reported as timeout.  Either way a fresh worker takes the slot.  The
// clock of a job starts when the worker is known to be on it: when it was
// sent to an idle worker, or when the result before it came in.

#include "pool.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "common/error_codes.h"
#include "interrupt.h"

namespace {

using Clock = std::chrono::steady_clock;

// Jobs queued per worker.
constexpr size_t Ahead = 4;

struct Slot {
    pid_t pid = -1;
    int jobFd = -1;            // the batch writes job indexes here
    int resultFd = -1;         // and reads results here
    std::deque<uint32_t> jobs; // sent and not yet answered, oldest first
    Clock::time_point started; // when the oldest job was started
};

struct Pool {
    const PoolSetup& setup;
    const std::function<void(Result&)>& sink;
    std::vector<Slot> slots;
    std::deque<uint32_t> work; // not yet sent
    PoolEnd end = PoolEnd::Finished;
};

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

[[noreturn]] void WorkerMain(Pool& pool, size_t me, pid_t batch, int jobFd, int resultFd,
                             const sigset_t& mask) {
    WorkerSignals();
    sigprocmask(SIG_SETMASK, &mask, nullptr); // a SIGTERM held since the fork ends it now
    prctl(PR_SET_PDEATHSIG, SIGKILL);         // a batch killed outright takes its workers along
    if (getppid() != batch)
        _exit(0); // it was gone before that was set
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
    const pid_t batch = getpid();
    // SIGTERM is held from before the fork until the worker has its own
    // handler: a worker stopped at once must not run the batch's.
    sigset_t term, mask;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, &mask);
    pid_t pid = fork();
    if (pid == 0) {
        close(job[1]);
        close(res[0]);
        WorkerMain(pool, i, batch, job[0], res[1], mask);
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
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

// The slot's oldest job, lost with its worker; the others go back to the work.
Result Lost(Pool& pool, Slot& s, Status status) {
    Result r;
    r.index = s.jobs.front();
    r.status = status;
    r.ms = MsSince(s.started);
    r.done = true;
    s.jobs.pop_front();
    pool.work.insert(pool.work.begin(), s.jobs.begin(), s.jobs.end());
    s.jobs.clear();
    return r;
}

void ReportCrash(Pool& pool, Slot& s, int status) {
    Result r = Lost(pool, s, Status::Crashed);
    r.error = ErrInternal;
    std::string text;
    if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
        text = "ended by signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
    } else {
        text = "the worker ended with exit status " + std::to_string(WEXITSTATUS(status));
    }
    SetMessage(r, text.c_str());
    pool.sink(r);
}

void ReportTimeout(Pool& pool, Slot& s) {
    Result r = Lost(pool, s, Status::Timeout);
    char text[80];
    std::snprintf(text, sizeof text, "no result within %g s", pool.setup.timeout);
    SetMessage(r, text);
    pool.sink(r);
}

// Sends jobs to the slot's worker (started when needed) until it holds Ahead.
void Feed(Pool& pool, size_t i) {
    Slot& s = pool.slots[i];
    if (s.pid < 0 && !Spawn(pool, i))
        return;
    while (s.jobs.size() < Ahead && !pool.work.empty()) {
        uint32_t index = pool.work.front();
        if (write(s.jobFd, &index, sizeof index) != static_cast<ssize_t>(sizeof index)) {
            int status = Reap(s, SIGKILL);
            if (!s.jobs.empty())
                ReportCrash(pool, s, status);
            return;
        }
        pool.work.pop_front();
        if (s.jobs.empty())
            s.started = Clock::now();
        s.jobs.push_back(index);
    }
}

void TakeResult(Pool& pool, Slot& s) {
    Result r;
    if (read(s.resultFd, &r, sizeof r) == static_cast<ssize_t>(sizeof r) && !s.jobs.empty() &&
        r.index == s.jobs.front()) {
        s.jobs.pop_front();
        s.started = Clock::now();
        if (r.noSpace)
            pool.end = PoolEnd::NoSpace;
        pool.sink(r);
        return;
    }
    int status = Reap(s, SIGKILL);
    if (!s.jobs.empty())
        ReportCrash(pool, s, status);
}

void CheckTimes(Pool& pool) {
    if (pool.setup.timeout <= 0)
        return;
    for (Slot& s : pool.slots)
        if (!s.jobs.empty() && MsSince(s.started) > pool.setup.timeout * 1000) {
            Reap(s, SIGKILL);
            ReportTimeout(pool, s);
        }
}

// Milliseconds until the first deadline, at most 100.
int PollTimeout(const Pool& pool) {
    double wait = 100;
    if (pool.setup.timeout > 0)
        for (const Slot& s : pool.slots)
            if (!s.jobs.empty())
                wait = std::min(wait, pool.setup.timeout * 1000 - MsSince(s.started) + 1);
    return wait < 0 ? 0 : static_cast<int>(wait);
}

// Every document not yet done fails when not one worker could be started.
void NoWorkers(Pool& pool) {
    for (uint32_t index : pool.work) {
        Result r;
        r.index = index;
        r.done = true;
        SetMessage(r, "no worker process could be started");
        pool.sink(r);
    }
    pool.work.clear();
}

// How long stopped workers get to end before they are killed.
constexpr auto StopGrace = std::chrono::seconds(5);

// Ends every worker: SIGTERM (and SIGCONT for one that was stopped) ends a
// worker at once, unless it is putting a target in place, which it then
// finishes and reports first.  The results the workers sent before they
// ended are still in the pipes: those documents are done and their targets
// in place, so they are taken (and reported) too.
void StopAll(Pool& pool) {
    for (Slot& s : pool.slots)
        if (s.pid > 0) {
            kill(s.pid, SIGTERM);
            kill(s.pid, SIGCONT);
        }
    const auto deadline = Clock::now() + StopGrace;
    for (Slot& s : pool.slots) {
        while (s.pid > 0 && waitpid(s.pid, nullptr, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(s.pid, SIGKILL);
                waitpid(s.pid, nullptr, 0);
                break;
            }
            usleep(1000);
        }
        s.pid = -1;
        Result r;
        while (s.resultFd >= 0 && !s.jobs.empty() &&
               read(s.resultFd, &r, sizeof r) == static_cast<ssize_t>(sizeof r) &&
               r.index == s.jobs.front()) {
            s.jobs.pop_front();
            pool.sink(r);
        }
        Reap(s, 0);
    }
}

} // namespace

PoolEnd RunPool(const PoolSetup& setup, const std::vector<uint32_t>& queue,
                const std::function<void(Result&)>& sink, const std::function<void()>& tick) {
    Pool pool{setup, sink, std::vector<Slot>(static_cast<size_t>(setup.jobs)),
              std::deque<uint32_t>(queue.begin(), queue.end())};
    std::vector<pollfd> fds;
    std::vector<Slot*> polled;
    while (pool.end == PoolEnd::Finished) {
        for (size_t i = 0; i < pool.slots.size(); ++i)
            Feed(pool, i);
        fds.assign(1, {StopFd(), POLLIN, 0});
        polled.clear();
        for (Slot& s : pool.slots)
            if (!s.jobs.empty()) {
                fds.push_back({s.resultFd, POLLIN, 0});
                polled.push_back(&s);
            }
        if (polled.empty()) {
            NoWorkers(pool);
            break;
        }
        poll(fds.data(), fds.size(), PollTimeout(pool));
        if (StopSignal() != 0) {
            pool.end = PoolEnd::Interrupted;
            break;
        }
        for (size_t i = 0; i < polled.size(); ++i)
            if (fds[i + 1].revents != 0)
                TakeResult(pool, *polled[i]);
        CheckTimes(pool);
        tick();
    }
    StopAll(pool);
    return pool.end;
}
