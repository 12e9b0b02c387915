// SIGINT, SIGTERM and SIGHUP to the batch: noted, never acted on inside the
// handler.
#pragma once

// Installs the handlers and ignores SIGPIPE (a closed report pipe is seen
// as a failed write instead).
void InstallStopHandlers();
// A descriptor that becomes readable once a stop signal came in.
int StopFd();
// The stop signal received, 0 when none.
int StopSignal();
// For workers, which the batch itself stops: SIGINT and SIGHUP ignored, and
// SIGPIPE and SIGXFSZ (a failed write is reported instead).  SIGTERM ends
// the worker at once, except between HoldStop and ReleaseStop, at whose
// end it takes effect.
void WorkerSignals();
// Defers SIGTERM: from the rename of a target until its result is sent, so
// that a target in place is always reported.
void HoldStop();
// Ends the worker if SIGTERM came while it was deferred.
void ReleaseStop();
