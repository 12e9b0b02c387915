// Temporary files, the target's directory and allocation.
//
// Services of the toolkit that every module of the suite carries; this
// module calls none of them, other modules of the suite do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Room a caller gives CreateTempFile for the file's full name.
constexpr int TempNameSize = 1100;

// Makes a new unique file "mvtmp..." in MvTempDir (or the system's temporary
// directory), open for reading and writing; its full name goes into name.
FILE* CreateTempFile(char* name);
// Closes the stream if it is still open and deletes the file by name.
// A stream that is already closed must be passed as null: a closed FILE*
// cannot be inspected, so null is how a caller says "closed".
void DeleteTempFile(FILE* stream, const char* name);
// Puts the directory of OutFileName (with its closing '/') into buffer[1024].
void MvGetTargetPath(char* buffer);
// Allocates size bytes; null for 0; error 22 when the heap is exhausted.
void* GetMalloc(uint16_t size);
