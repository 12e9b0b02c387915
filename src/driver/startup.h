// Start-up: the command line, the directories and the life of the process.
//
// main hands the process's arguments to StartUp, which takes them from the
// command line or from a response file ("@name"), sets the directories, the
// file names, the display level and the lock flag, installs the signal
// handlers, refuses to run while an error lock stands, runs tmain, has the
// outcome reported and ends the process with ErrType as its exit status.
#pragma once

#include <cstdint>
#include <cstdio>

// Entries of ArgV: the program name and up to 19 arguments.
constexpr int ArgVSize = 20;

// Argument entries: 0 is the program name, 1 on the arguments.  They point
// into the process's argument vector, or to heap copies from a response file.
extern char* ArgV[ArgVSize];
// Number of arguments including the program name.
extern int32_t ArgC;
// Index of the next entry while a response file is read; 0 at other times.
extern int32_t ArgPos;
// The response file; stays set after reading to mark that ArgV holds heap copies.
extern FILE* cmdLineFP;
// Directory part of the program name.
extern char mvPath[1024];
// Directory for temporary files; empty unless set at start-up.
extern char MvTempDir[1024];
// Name of the environment variable for the display level, "MVDEBUG".
extern const char* DebugEnv;
// The module's version, answered to "-v".
extern const char* MvVersion;

// The whole life of the process; never returns.
[[noreturn]] void StartUp(int argc, char** argv);
// The stages of StartUp, each usable on its own:
// ArgC and ArgV from the command line or a response file.  Returns
// 0, or 1 when a response file is named badly ("@" alone) or cannot be opened.
int32_t TakeArgs(int argc, char** argv);
// mvPath from the program name, MvTempDir from TMPDIR, and TMPDIR
// emptied in the process's environment.
void SetDirectories();
// Defaults, positional arguments and the display level from MVDEBUG.
void ApplyArgs();
// Sets InFileName, OutFileName and TransType to their defaults.
void InitTran();

// Back to the start-of-run state (frees the response-file copies).
void ResetStartup();
