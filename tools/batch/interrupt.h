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
// For workers, which the batch itself stops: SIGINT, SIGTERM and SIGHUP
// ignored, and SIGPIPE and SIGXFSZ (a failed write is reported instead).
void WorkerSignals();
