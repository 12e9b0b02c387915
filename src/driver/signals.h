// Signal handlers: a fault ends the run with status 9, a request to stop
// with status 18.
#pragma once

#include <cstdint>

// Installs the signal handlers.
void SetUpError();
// Handler for SIGSEGV, SIGFPE, SIGBUS: a message unless silent, exit status 9.
[[noreturn]] void InternalError(int32_t sig);
// Handler for SIGTERM, SIGINT: exit status 18.
[[noreturn]] void ExitNow(int32_t sig);
