// Signal handlers: a fault ends the run with status 9, a request to stop
// (SIGTERM, SIGINT, SIGHUP) with status 18.  Either way the target of the
// unfinished translation is emptied and removed (DiscardTarget), so that a
// half-written stream is never mistaken for a finished one.
//
// SIGPIPE and SIGXFSZ are ignored: a target pipe closed early or a file-size
// limit then makes the write fail, and the run ends with error 5 and its
// report instead of being killed without one.  A console line to a closed
// pipe is lost and the run goes on.
//
// A handler may interrupt any code, stdio and malloc included, so it uses
// only what is safe there: it formats its message into a stack buffer, sends
// it with write(2) and ends the process with _exit(2).  It does not free the
// response-file copies (free is not safe in a handler, and the process's
// memory goes with it anyway) and closes nothing: the response file is
// closed long before the handlers are installed.  Console lines printed
// before a handler can run are flushed when they are printed, so they are
// not lost in a stdio buffer that _exit does not write.
//
// At a debugging display level (above 1) the faults keep the system's own
// action, so that they end the process the usual way (with a core dump).

#include "driver/signals.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

#include "common/error_codes.h"
#include "common/run_settings.h"
#include "io/output.h"

// Appends text to buf at *len, as far as room allows.
static void Append(char* buf, size_t size, size_t* len, const char* text) {
    while (*text != '\0' && *len + 1 < size)
        buf[(*len)++] = *text++;
}

// Appends n in decimal.
static void AppendInt(char* buf, size_t size, size_t* len, int32_t n) {
    char digits[12];
    int i = 0;
    uint32_t u = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
    do {
        digits[i++] = (char)('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (n < 0 && *len + 1 < size)
        buf[(*len)++] = '-';
    while (i > 0 && *len + 1 < size)
        buf[(*len)++] = digits[--i];
}

// Writes all of buf to fd, going on after a partial write or an interruption.
static void WriteAll(int fd, const char* buf, size_t len) {
    while (len > 0) {
        ssize_t w = write(fd, buf, len);
        if (w <= 0)
            return;
        buf += w;
        len -= (size_t)w;
    }
}

[[noreturn]] void InternalError(int32_t sig) {
    DiscardTarget();
    if (Display != 0) {
        char buf[96];
        size_t len = 0;
        Append(buf, sizeof buf, &len, "Terminating by OS.\n");
        const char* name = sig == 11  ? "SIGSEGV"
                           : sig == 8 ? "SIGFPE"
                           : sig == 7 ? "SIGBUS"
                                      : nullptr;
        Append(buf, sizeof buf, &len, name != nullptr ? "Signal: " : "Unknown signal: ");
        AppendInt(buf, sizeof buf, &len, sig);
        if (name != nullptr) {
            Append(buf, sizeof buf, &len, " \"");
            Append(buf, sizeof buf, &len, name);
            Append(buf, sizeof buf, &len, "\"");
        }
        Append(buf, sizeof buf, &len, "\n");
        WriteAll(STDOUT_FILENO, buf, len);
    }
    _exit(ErrInternal);
}

[[noreturn]] void ExitNow(int32_t) {
    DiscardTarget();
    _exit(ErrStopped);
}

static void OnFault(int sig) {
    InternalError(sig);
}
static void OnStop(int sig) {
    ExitNow(sig);
}

// Installs handler for sig; the other signals stay deliverable meanwhile.
static void Handle(int sig, void (*handler)(int)) {
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

void SetUpError() {
    Handle(SIGTERM, OnStop);
    Handle(SIGINT, OnStop);
    Handle(SIGHUP, OnStop);
    Handle(SIGPIPE, SIG_IGN);
    Handle(SIGXFSZ, SIG_IGN);
    if (Display <= 1) {
        Handle(SIGSEGV, OnFault);
        Handle(SIGFPE, OnFault);
        Handle(SIGBUS, OnFault);
    }
}
