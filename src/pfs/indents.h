// Indents and paragraph start.
//
// PFS documents indent with spaces.  At the start of every paragraph the
// spaces that open its first and second lines are measured and turned into
// indent settings (left, first-line, hanging), tab stops at the indent
// columns, the indent records and the paragraph-start record (0xD6).  The
// paragraph's hard return cancels exactly the records that were written.
#pragma once

#include <cstdint>

// Measures the indentation of the paragraph that starts at IRead.
void FigureIndents();
// Turns the measured Pindent and Lindent into indent settings and tab stops.
void SetSpaceIndents();
// Writes the indent records and 0xD6; resets the position state.
void InitPara();
// Cancels every indent record in force and sets all indents to 0.
void KillIndents();
// Advances pos over spaces, stopping at ILimit.
void DeleteSpaces(int16_t* pos);

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Makes the next tab stop the left indent.
void IndentToTab();
// Moves to the left indent; inside a paragraph also writes code 0x44.
void IndentOrNot();
// Reads a decimal number at pos (after spaces); 16-bit, wrapping.
int16_t ArrayToInteger(int16_t* pos);
