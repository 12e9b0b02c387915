// A run of pfs2vnk-batch whose first worker process the test follows with
// ptrace, one system call at a time, so that it can hold the worker at an
// exact point of its work (in the middle of a document, just after a target
// was renamed into place) whatever the machine's load.  The batch itself is
// started traced, held before its first instruction, and let go untraced as
// soon as it has started that worker.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "batch/batch_support.h"

namespace batchtest {

class TracedBatch {
  public:
    // Starts pfs2vnk-batch with these arguments in the tree's folder; it is
    // held before its first instruction, so its process number is known
    // before it does anything.
    TracedBatch(const Tree& tree, const std::vector<std::string>& args);
    // Lets everything go.
    ~TracedBatch();
    TracedBatch(const TracedBatch&) = delete;
    TracedBatch& operator=(const TracedBatch&) = delete;

    pid_t pid() const { return batch_.pid(); }
    testprog::Program& program() { return batch_; }

    // Lets the batch run untraced.
    void Go();
    // Lets the batch run until it starts its first worker, then lets it go
    // untraced; the worker is held before it does anything.  -1 when the
    // batch ended first.
    pid_t FirstWorker();
    // Lets the held worker run one system call at a time until holds(worker)
    // is true between two of them; it is held there.  False when it ended first.
    bool RunWorkerUntil(const std::function<bool(pid_t)>& holds);
    // Lets the worker go: running, or stopped (SIGSTOP, as from a shell) in
    // the place where it was held.
    void ReleaseWorker(bool stopped);

  private:
    testprog::Program batch_;
    bool batchTraced_ = false;
    pid_t worker_ = -1;
};

// True when the worker has the source open and is writing its target: it is
// in the middle of translating that document.
bool Translating(pid_t worker, const std::string& source);
// FirstWorker, then RunWorkerUntil(Translating source), then the worker let
// go stopped: it stays in the middle of that document until it is continued
// or killed.  -1 when it never got there.
pid_t StopWorkerOn(TracedBatch& batch, const std::string& source);

} // namespace batchtest
