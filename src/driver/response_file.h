// Reading the arguments from a response file ("@name" as first argument).
#pragma once

#include <cstdint>
#include <cstdio>

// Characters a response-file line may hold; a longer line refuses the file.
constexpr int ArgLineMax = 1023;
// Bytes of a response file that are read at most before its 19th line ends.
constexpr long ArgFileMax = 1L << 20;

// Reads the argument lines of fp into ArgV from entry ArgPos on, one heap copy
// per line, advancing ArgPos; stops when ArgV is full.  Returns 0; 1 when a
// line is longer than ArgLineMax, more than ArgFileMax bytes would be read or
// a read fails; 22 when a copy could not be made.  The copies made so far stay
// in ArgV for CleanCmdLine, which frees entries from 0 up to the first null one.
int32_t ReadArgLines(FILE* fp);

// Takes the arguments from the response file named fileName, with a heap copy
// of progName as entry 0: sets ArgV, ArgC and cmdLineFP.  Returns 0, or 1 when
// the file cannot be opened, is not a regular file, or is refused by
// ReadArgLines (ArgV then holds just the program name, ArgC 1, cmdLineFP null).
// Ends the process with status 22 when memory runs out.
int32_t TakeResponseFile(const char* progName, const char* fileName);

// Frees the heap copies in ArgV (entries from 0 up to the first null one) and
// closes the response file if it is still open.
void CleanCmdLine();
