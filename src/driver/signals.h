// Signal handlers: a fault ends the run with status 9, a request to stop
// with status 18; both remove the target of the unfinished translation.
// SIGPIPE and SIGXFSZ are ignored, so that the failed write reports error 5.
#pragma once

#include <cstdint>

// Installs the signal handlers.
void SetUpError();
// Handler for SIGSEGV, SIGFPE, SIGBUS: the unfinished target removed, a
// message unless silent, exit status 9.
[[noreturn]] void InternalError(int32_t sig);
// Handler for SIGTERM, SIGINT, SIGHUP: the unfinished target removed, exit status 18.
[[noreturn]] void ExitNow(int32_t sig);
