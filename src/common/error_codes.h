// The error code of a run and the table of its messages.
//
// A run has one outcome, a small code in ErrType (0 for success) that is also
// the process's exit status.  Whichever module meets a failure stores its
// code and returns; every loop tests ErrType and stops.  The table of codes
// is shared by every module of the suite, so it names codes this module
// never gives.
#pragma once

#include <cstdint>

// The codes of the error table.  ErrType stays a plain 32-bit signed value
// (a code above 27 is possible and is reported as unknown); these names are
// what the code writes instead of bare numbers.
enum ErrCode : int32_t {
    ErrNone = 0,
    ErrArguments = 1,     // wrong number of arguments, or no usable response file
    ErrSourceOpen = 2,    // the source cannot be opened
    ErrTargetOpen = 3,    // the target cannot be created (code line of the message file)
    ErrRead = 4,          // a read, seek or position query on the source failed
    ErrWrite = 5,         // writing the target failed
    ErrSourceClose = 6,   // not given by this module
    ErrTargetClose = 7,   // not given by this module
    ErrNotPfs = 8,        // the source is not a PFS document
    ErrInternal = 9,      // ended by SIGSEGV, SIGFPE or SIGBUS
    ErrLocked = 11,       // an error lock file stands
    ErrTempDeleted = 13,  // not given by this module
    ErrExec = 14,         // not given by this module
    ErrFork = 15,         // not given by this module
    ErrChildCore = 16,    // not given by this module
    ErrChildStopped = 17, // not given by this module
    ErrStopped = 18,      // ended by a request to stop (SIGTERM, SIGINT, SIGHUP)
    ErrWait = 19,         // not given by this module
    ErrRename = 20,       // not given by this module
    ErrFontTable = 21,    // not given by this module
    ErrMemory = 22,       // memory ran out
    ErrOverwrite = 23,    // the target names the source
    ErrDetailed = 24,     // a detailed message is in the error message file
    ErrTableSize = 27,    // codes 1..27 have a slot in ErrMsg
};

// Error code of the run; 0 for none.
extern int32_t ErrType;

// Message of code c in slot c - 1; codes 10, 12 and 25 to 27 have a slot and no text.
extern const char* const ErrMsg[ErrTableSize];

// Text of code c from ErrMsg, or null when c has no slot or its slot no text.
const char* ErrText(int32_t code);

// Back to the start-of-run state: ErrType 0.
void ResetErrorCode();
