// The end-of-run report on the console or in the error lock file.
#pragma once

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

// Reports ErrType: on the console unless the display level is 0; silent with
// the lock flag, a failure in the lock file (error 11 appended below the
// standing report, any other replacing it); silent without it, nowhere.
void ReportOutcome();
