// Following the batch and its first worker with ptrace.
//
// The batch is started with PTRACE_TRACEME, so it stops at its exec; with
// PTRACE_O_TRACEFORK its first fork (the first worker) is traced from its
// first instruction, and the batch is detached at that fork.  The worker is
// then run with PTRACE_SYSCALL: it stops at every system call's entry and
// exit, where its open files and the target tree can be looked at while it
// stands still.  A worker that something kills while it is held (the batch,
// at its time limit) is reaped here, so that the batch's own wait sees it end.

#include "batch/traced_batch.h"

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace batchtest {

namespace fs = std::filesystem;

TracedBatch::TracedBatch(const Tree& tree, const std::vector<std::string>& args)
    : batch_(tree / "", args, {}, PFS2VNK_BATCH_EXE, true) {
    int st = 0;
    batchTraced_ = waitpid(pid(), &st, 0) == pid() && WIFSTOPPED(st) && WSTOPSIG(st) == SIGTRAP;
    if (!batchTraced_)
        ADD_FAILURE() << "pfs2vnk-batch could not be traced";
}

TracedBatch::~TracedBatch() {
    ReleaseWorker(false);
    Go();
}

void TracedBatch::Go() {
    if (batchTraced_)
        ptrace(PTRACE_DETACH, pid(), nullptr, nullptr);
    batchTraced_ = false;
}

pid_t TracedBatch::FirstWorker() {
    if (!batchTraced_ || ptrace(PTRACE_SETOPTIONS, pid(), nullptr, PTRACE_O_TRACEFORK) != 0)
        return -1;
    int sig = 0;
    while (ptrace(PTRACE_CONT, pid(), nullptr, sig) == 0) {
        int st = 0;
        if (waitpid(pid(), &st, __WALL) != pid() || !WIFSTOPPED(st))
            break; // it ended without starting a worker
        sig = 0;
        if (st >> 8 == (SIGTRAP | (PTRACE_EVENT_FORK << 8))) {
            unsigned long child = 0;
            ptrace(PTRACE_GETEVENTMSG, pid(), nullptr, &child);
            Go();
            worker_ = static_cast<pid_t>(child);
            // Its first stop (SIGSTOP) is taken here and not passed on.
            if (waitpid(worker_, &st, __WALL) != worker_ || !WIFSTOPPED(st) ||
                ptrace(PTRACE_SETOPTIONS, worker_, nullptr,
                       PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL) != 0)
                worker_ = -1;
            return worker_;
        }
        if ((st >> 16) == 0)
            sig = WSTOPSIG(st); // a signal for the batch: passed on
    }
    batchTraced_ = false;
    return -1;
}

bool TracedBatch::RunWorkerUntil(const std::function<bool(pid_t)>& holds) {
    int sig = 0;
    while (worker_ > 0 && ptrace(PTRACE_SYSCALL, worker_, nullptr, sig) == 0) {
        int st = 0;
        if (waitpid(worker_, &st, __WALL) != worker_ || !WIFSTOPPED(st))
            break;
        sig = 0;
        if (WSTOPSIG(st) == (SIGTRAP | 0x80)) {
            if (holds(worker_))
                return true;
        } else if ((st >> 16) == 0) {
            sig = WSTOPSIG(st); // a signal for the worker: passed on
        }
    }
    worker_ = -1;
    return false;
}

void TracedBatch::ReleaseWorker(bool stopped) {
    const pid_t w = worker_;
    if (w <= 0)
        return;
    worker_ = -1;
    if (stopped)
        kill(w, SIGSTOP); // taken as soon as it runs again, untraced
    if (ptrace(PTRACE_DETACH, w, nullptr, nullptr) != 0) {
        waitpid(w, nullptr, __WALL); // killed while held: its end goes on to the batch
        return;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (stopped && std::chrono::steady_clock::now() < end) {
        std::ifstream stat("/proc/" + std::to_string(w) + "/stat");
        std::string text;
        if (!std::getline(stat, text) || text.rfind(')') == std::string::npos ||
            text[text.rfind(')') + 2] == 'T')
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Translating(pid_t worker, const std::string& source) {
    if (!HasOpen(worker, fs::canonical(source).string()))
        return false;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(worker) + "/fd", ec)) {
        const std::string link = fs::read_symlink(e.path(), ec).string();
        if (link.find("/.pfs2vnk-batch-work/") != std::string::npos && link.ends_with("/doc.vnk"))
            return true;
    }
    return false;
}

pid_t StopWorkerOn(TracedBatch& batch, const std::string& source) {
    const pid_t worker = batch.FirstWorker();
    if (worker <= 0 || !batch.RunWorkerUntil([&](pid_t w) { return Translating(w, source); }))
        return -1;
    batch.ReleaseWorker(true);
    return worker;
}

} // namespace batchtest
