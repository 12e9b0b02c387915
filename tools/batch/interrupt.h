// SIGINT and SIGTERM to the batch: noted, never acted on inside the handler.
#pragma once

// Installs the handlers and ignores SIGPIPE (a closed report pipe is seen
// as a failed write instead).
void InstallStopHandlers();
// A descriptor that becomes readable once a stop signal came in.
int StopFd();
// The stop signal received, 0 when none.
int StopSignal();
// Back to the default actions, ignoring SIGINT and SIGTERM: for workers,
// which the batch itself stops.
void WorkerSignals();
