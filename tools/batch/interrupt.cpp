// SIGINT, SIGTERM and SIGHUP stop the batch (exit status 128 + the signal).
// The self-pipe: the handler only stores the signal and writes one byte, so
// that a poll waiting for the workers wakes up at once.

#include "interrupt.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

volatile sig_atomic_t Received = 0;
int Pipe[2] = {-1, -1};

void OnStop(int sig) {
    if (Received == 0)
        Received = sig;
    int saved = errno;
    char b = 1;
    (void)!write(Pipe[1], &b, 1);
    errno = saved;
}

volatile sig_atomic_t Holding = 0;
volatile sig_atomic_t StopHeld = 0;

void OnWorkerStop(int) {
    if (Holding == 0)
        _exit(0);
    StopHeld = 1;
}

void SetAction(int sig, void (*handler)(int)) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

} // namespace

void InstallStopHandlers() {
    if (pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        Pipe[0] = Pipe[1] = -1;
    SetAction(SIGINT, OnStop);
    SetAction(SIGTERM, OnStop);
    SetAction(SIGHUP, OnStop);
    SetAction(SIGPIPE, SIG_IGN);
}

int StopFd() {
    return Pipe[0];
}

int StopSignal() {
    return Received;
}

void WorkerSignals() {
    SetAction(SIGINT, SIG_IGN);
    SetAction(SIGTERM, OnWorkerStop);
    SetAction(SIGHUP, SIG_IGN);
    SetAction(SIGPIPE, SIG_IGN);
    SetAction(SIGXFSZ, SIG_IGN); // a target past the file-size limit fails with error 5
    if (Pipe[0] >= 0) {
        close(Pipe[0]);
        close(Pipe[1]);
    }
}

void HoldStop() {
    Holding = 1;
}

void ReleaseStop() {
    Holding = 0;
    if (StopHeld != 0)
        _exit(0);
}
