// The output buffer.
//
// Everything the module writes goes into OutBuf.  When a put leaves OWrite
// above OLimit the buffer is flushed to the target, except for its most
// recent OWrap bytes, which stay at the front: the translator looks back at
// the last byte it wrote (OutBuf[OWrite - 1]).  OLimit = 16383 - OWrap, so
// there are OWrap + 3 bytes of room past the limit for a record's payload,
// which is copied without a limit test.  OutBuf is a window into a larger
// staging block and moves when the buffer is flushed: a pointer into it is
// good only until the next put that may flush.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "io/slots.h"

constexpr int OutBufSize = 16387;

extern FILE* OutFile;                // the target stream
extern uint8_t* OutBuf;              // OutBufSize bytes not yet written to the target
extern int16_t OWrite;               // where the next byte goes = bytes held
extern int16_t OLimit;               // a put that leaves OWrite above this flushes
extern int16_t OWrap;                // keep-back of a flush during translation
extern int16_t OutPtrList[PtrSlots]; // saved output positions; -1 once written out

// The target this run created and has not finished: its name and descriptor,
// set by InitOut when the target is a regular file, cleared by EndOut once
// the last byte is written.  Read by DiscardTarget from a signal handler.
extern const char* volatile OutCreatedName;
extern volatile sig_atomic_t OutCreatedFd;

// Creates the target ("w+"; standard output when the name is empty).
// A target that is the source itself (the same regular file by device and
// inode, under any name) is refused with ErrType 23 before anything is opened
// for writing or cut.  On any other failure records code 3 in the error
// message file.  Returns 0 or ErrType (23 or 24).
int InitOut();
// Async-signal-safe.  Empties and removes the target of an unfinished run
// (OutCreatedName); does nothing once EndOut has written it out.
void DiscardTarget();
// Hands count bytes to the target, after the flushed bytes still staged;
// ErrType 5 when a write of the target falls short.  Returns count.
int WriteOutFile(const uint8_t* buf, int count);
// Writes every flushed byte still staged to the target; ErrType 5 on a
// short write.  OutBuf may move (its contents stay).
void FlushOutFile();
// Final flush, close of both files, removal of a target that received nothing.
void EndOut();
// OWrap = keepBack, OLimit = 16383 - keepBack, OWrite = 0.
void InitOutBuf(int16_t keepBack);
// Flush: writes all but the keep-back (everything once Done is set).
void WriteOutBuf();

// Appends one byte.
inline void PutOut(uint8_t b) {
    OutBuf[OWrite++] = b;
    if (OWrite > OLimit)
        WriteOutBuf();
}

// Appends a 16-bit value, low byte first.
void PutInt(int16_t v);
// Appends a 32-bit value, least significant byte first.
void PutLong(int32_t v);
// True when n more bytes fit below the limit, so that n puts in a row would
// not flush: a writer may then store them without a test each.
inline bool OutRoomFor(int n) {
    return OWrite >= 0 && OWrite + n <= OLimit;
}
// The byte most recently written to the stream (0 when the buffer is empty).
inline uint8_t LastOut() {
    return OWrite > 0 ? OutBuf[OWrite - 1] : 0;
}

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Appends a text without its terminator; tests the limit after the last byte.
void PutString(const char* s);
// Saves OWrite in a slot (above 5 means slot 0).
void SetOutPtr(uint8_t slot);
// A saved position, sign-extended; -1 once its byte left the buffer.
int GetOutPtr(uint8_t slot);

// Back to the start-of-run state (closes nothing; staged bytes are dropped).
void ResetOutput();
