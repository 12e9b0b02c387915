// Line ends, spacing and pages.
//
// PFS stores lines, each closed by a line-end code 0..3; the stream carries
// paragraphs.  At every line end ProcessCR decides between a hard return
// (the text byte 0x0D) and a soft one (a space, or nothing after a hyphen),
// turns empty lines into further hard returns, follows the single or double
// spacing the codes announce, and keeps the position state on which the
// indent and tab code rely.  Every text character goes out through
// WriteNormalChar, which counts it in IPos.
#pragma once

#include <cstdint>

// Translates the line end whose code has just been read.
void ProcessCR();
// Writes a hard return (closing an open tab first).
void PutHardCr();
// Ends a line softly; writes a space when join is nonzero.
void PutSoftCr(uint8_t join);
// Writes a hard page break (code 0xD5).
void PutHardPage();
// Counts one line: 0..60, then 0 again.
void CheckLineCount();
// Switches to single spacing (code 0x21 on a change).
void PutSingleSpace();
// Switches to double spacing (code 0x21 on a change).
void PutDoubleSpace();
// Turns the empty lines after a line end into hard returns, single spacing.
void SingleLoop();
// The same for double-spaced text.
void DoubleLoop();
// 1 when b is a line-end code (0..3).
int CrChars(uint8_t b);
// Writes a space, or a soft return in its place when the line is full.
void SpaceOrCr();

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Writes a soft page break (code 0xD7).
void PutSoftPage();
