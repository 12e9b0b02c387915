// Reading the arguments from a response file ("@name" as first argument).
#pragma once

#include <cstdint>
#include <cstdio>

// Characters of one response-file line that are kept; the rest of a longer
// line is dropped.
constexpr int ArgLineMax = 1023;

// Reads the argument lines of fp into ArgV from entry ArgPos on, one heap copy
// per line, advancing ArgPos; stops when ArgV is full.  Returns 0, or 22 when
// a copy could not be made (the copies made so far stay in ArgV for
// CleanCmdLine, which frees entries from 0 up to the first null one).
int32_t ReadArgLines(FILE* fp);

// Takes the arguments from the response file named fileName, with a heap copy
// of progName as entry 0: sets ArgV, ArgC and cmdLineFP.  Returns 0, or 1 when
// the file cannot be opened (ArgV then holds just the program name, ArgC 1).
// Ends the process with status 22 when memory runs out.
int32_t TakeResponseFile(const char* progName, const char* fileName);

// Frees the heap copies in ArgV (entries from 0 up to the first null one) and
// closes the response file if it is still open.
void CleanCmdLine();
