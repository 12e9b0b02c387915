// What a run is asked to do: the source and target names, the kind of
// module, the display level and the lock flag.  Start-up sets them; the
// input and output layers open the files they name and the report reads the
// rest.
#pragma once

#include <cstdint>

// Source file name; default "TESTFILE.IN"; empty means standard input.
extern const char* InFileName;
// Target file name; default "TESTFILE.VNK"; empty means standard output.
extern const char* OutFileName;
// Kind of module: 'I' import (this one), 'O' export, other conversion.
extern char TransType;
// Display level: 0 silent, 1 normal, above 1 debugging.
extern int32_t Display;
// 1 when failures are to be recorded in the error lock file.
extern int32_t ErrLock;

// Back to the start-of-run state: no names, kind 0, display 1, no lock flag.
void ResetRunSettings();
