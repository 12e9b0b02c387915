// The error message file: a detailed message beside the file that failed.
//
// A module that wants to pass a detailed message (free text with its own
// code) writes it to "mvErrMsg.333" in the directory of the file that
// failed: a decimal code line, then free text.  The first failure keeps its
// message; only a message written with code 0 (a deferred one, which turns
// into error 24 at the end of a run that met nothing worse) can be
// replaced.  The end-of-run report reads the file back (and deletes it).
// A symbolic link, FIFO or device under the file's name counts as a file
// that cannot be opened: nothing is written to it, read from it or deleted.
#pragma once

#include <cstdint>

// Text of a detailed message: filled by its writer before CreateErrMsgFile,
// and by GetErrMsgFileData when it reads one back.
extern char mvErrMsg[1125];

// Full name of the error message file as last built; empty until the first
// detailed message.
extern char mvErrMsgFileName[1024];

// Records a detailed message with its code in the error message file beside
// path, and sets ErrType 24 (a code of 0 defers that to the end of the run).
// Without a message: the end-of-run call, which turns a deferred message
// into error 24.
void CreateErrMsgFile(int32_t code, const char* msg, const char* path);

// Reads the error message file in path's directory into out (room for 1122
// characters and a terminator), deletes it, and returns its code (0 if none;
// out then holds a fallback text).
int32_t GetErrMsgFileData(char* out, const char* path);

// Reads back the error message file this run wrote (mvErrMsgFileName) like
// GetErrMsgFileData.  When this run wrote none, or the file now under that
// name is not the one it wrote, out holds the fallback text, nothing is
// deleted and the result is 0.
int32_t GetOwnErrMsgFileData(char* out);

// Back to the start-of-run state: no message, no file name, deferred flag
// clear, no file written.
void ResetErrorFile();
