// The input window.
//
// The source is presented as one window of at most 16384 bytes in InBuf.
// The translator reads it byte by byte with GetIn but also indexes InBuf
// directly, ahead of and behind IRead, and sets IRead itself.  So the window
// moves in jumps, not as a ring: when IRead reaches ILimit the buffer is
// compacted, keeping IWrap already-read bytes in front of the read position
// and every unread byte behind it, and the rest is filled from the file.
// Six saved positions (InPtrList) are re-based whenever the window moves.
//
// Invariants: InBuf[0..ILast] are consecutive source bytes, InBuf[ILast] the
// one just before the file position.  While IDone is 0 the buffer is full
// (ILast 16383) and ILimit = 16383 - IWrap; when IDone is 1, ILimit = ILast.
#pragma once

#include <cstdint>
#include <cstdio>

#include "io/slots.h"

constexpr int InBufData = 16384; // bytes of file data the window holds
constexpr int InBufSize = 16387; // ...and 3 more behind them for look-ahead

extern FILE* InFile;                // the source stream
extern uint8_t InBuf[InBufSize];    // the window; zero at start, never cleared
extern int16_t IRead;               // index of the next byte GetIn returns
extern int16_t ILast;               // index of the last valid byte (-1: none)
extern int16_t ILimit;              // last index GetIn returns before moving the window
extern int16_t IWrap;               // keep-back: read bytes kept when the window moves
extern int32_t IDone;               // 1: no further file data; all of it is in InBuf
extern int32_t Done;                // 1: the end of the input has been reached
extern int16_t InPtrList[PtrSlots]; // saved positions; -1 once a byte left the buffer

// Byte i of the window, or 0 for an index outside the array.  Every look
// ahead of or behind IRead goes through here: a damaged document can push
// an index anywhere, and the bytes past ILast are simply what the buffer holds.
inline uint8_t InAt(int i) {
    return (unsigned)i < (unsigned)InBufSize ? InBuf[i] : 0;
}

// Opens the source named by InFileName ("r"; standard input when empty).
// Returns 0, or 2 with ErrType 2.
int InitIn();
// Reads count bytes of InFile, fewer only when the stream ends or fails
// first; sets ErrType 4 when nothing is read before the end.  The stream is
// read ahead in large blocks; its end and its failures count from the byte
// where they happen, not from the block read that met them.
int ReadInFile(uint8_t* buf, int count);
// Sets the file position of InFile (read-ahead dropped); 0 on success.
int SeekInFile(long offset);
// First fill of the window with the given keep-back.  IRead is left to the caller.
void InitInBuf(int16_t keepBack);
// Sets IDone and ILimit after a fill.
void SetILim();
// Moves the window forward (IRead taken to be on the byte just consumed).
void RefillBuf();

// Returns InBuf[IRead] and advances; at the limit moves the window, or at the
// end of the input sets Done and stays (the same byte comes back again).
inline int GetIn() {
    uint8_t b = InAt(IRead);
    if (IRead < ILimit)
        ++IRead;
    else if (IDone == 1)
        Done = 1;
    else
        RefillBuf();
    return b;
}

// Moves the window early so that the read position is near its start.
void FillInBuf();
// Re-bases the saved positions after the window moved by d bytes.
void FixInPtrs(int d);
// Consumes a run of c.
void EatChar(uint8_t c);
// Consumes a run of spaces.  A line that does not start with one is
// answered here: below the limit the byte is looked at and nothing moves.
inline void EatSpaces() {
    if (IRead >= 0 && IRead < ILimit && InAt(IRead) != ' ')
        return;
    EatChar(' ');
}

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Positions the input at an absolute file offset; 0 or the error code.
int Iseek(long offset);
// File offset of the byte at IRead; 0 (and ErrType 4) when the position is unknown.
long Itell();
// Saves IRead in a slot (above 5 means slot 0).
void SetInPtr(uint8_t slot);
// A saved position, sign-extended; -1 for a lost one.
int GetInPtr(uint8_t slot);
// Two bytes, low first, as a signed 16-bit value.
int GetDosInt();
// Four bytes, least significant first.
long GetDosLong();
// Consumes bytes up to and including c.
void EatToChar(uint8_t c);

// Back to the start-of-run state (closes nothing).
void ResetInput();
