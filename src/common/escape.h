// File names written into reports, with their control characters escaped.
//
// A report file is read line by line by people and by the suite's driver, so
// a name holding a line feed must not start a line of its own.  Control
// characters (0x00 to 0x1F and 0x7F) become "\n", "\r", "\t" or "\xNN", and a
// backslash becomes "\\" so that an escape can be told from the name's own
// text.  Every other byte, those of UTF-8 names included, stays as it is.
#pragma once

#include <cstddef>
#include <cstdio>

// Writes text to fp with its control characters escaped.
void PutEscaped(FILE* fp, const char* text);

// Copies text into out (room for size bytes) with its control characters
// escaped; a copy that does not fit ends before the escape or byte that would
// not fit.  Always terminated when size is above 0.
void CopyEscaped(char* out, size_t size, const char* text);
