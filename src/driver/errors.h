// Error codes of a run, the error message file and the end-of-run report.
//
// A run has one outcome, a small code in ErrType (0 for success) that is also
// the process's exit status.  A module that wants to pass a detailed message
// (free text with its own code) writes it to the error message file
// "mvErrMsg.333" with CreateErrMsgFile; the end-of-run report reads it back.
// With the lock flag and silent running, a failed run leaves its report in
// the error lock file "Morvane.Error".
#pragma once

#include <cstdint>

// Error code of the run; 0 for none.  Set by whichever module meets a failure.
extern int32_t ErrType;

// Message of code c in slot c - 1; codes 25 to 27 have a slot and no text.
extern const char* const ErrMsg[27];

// Text of a detailed message: filled by its writer before CreateErrMsgFile,
// and by GetErrMsgFileData when it reads one back.
extern char mvErrMsg[1125];

// Full name of the error message file as last built; empty until the first
// detailed message.
extern char mvErrMsgFileName[1024];

// "Morvane.Error", the error lock file, always in the current directory.
extern const char* ErrFileName;

// Module kinds named in the lock file: "input", "output", "conversion".
extern const char* const MTName[3];

// Console formats of the end-of-run report.
extern const char* MvErrType;    // "Morvane error %d: %s.\n"
extern const char* MvErrUnknown; // "Morvane error %d: unknown type.\n"
extern const char* MvFinished;   // "%s finished.\n"

// The lock report for error 11.
extern const char* ELocked;
extern const char* const ELockMsg[5];

// The lines of the lock report for other errors.
extern const char* EFMsg1;
extern const char* EFMsg2;
extern const char* EFMsg3;
extern const char* EFMsg4;

// Text of code c from ErrMsg, or null when c has no slot or its slot no text.
const char* ErrText(int32_t code);

// Records a detailed message in the error message file beside path (see the
// rules in errors.cpp).  Without a message: the end-of-run call, which turns
// a deferred message into error 24.
void CreateErrMsgFile(int32_t code, const char* msg, const char* path);

// Reads the error message file in path's directory into out (room for 1122
// characters and a terminator), deletes it, and returns its code (0 if none).
int32_t GetErrMsgFileData(char* out, const char* path);

// The end-of-run report on the console or in the lock file.
void ReportOutcome();

// Back to the start-of-run state (ErrType 0, no message file, deferred flag clear).
void ResetErrors();
