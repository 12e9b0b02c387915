// Indents and paragraph start.
//
// PFS documents indent with spaces.  At the start of every paragraph the
// spaces that open its first and second lines are measured and turned into
// indent settings (left, first-line, hanging), tab stops at the indent
// columns, the indent records and the paragraph-start record (0xD6).  The
// paragraph's hard return cancels exactly the records that were written.
#pragma once

#include <cstdint>

extern uint8_t Lindent;      // left indent: column of the lines after the first; 0 none
extern uint8_t Pindent;      // first-line column when it starts right of the others; 0 none
extern uint8_t Hindent;      // hanging indent: columns the first line starts left of Lindent
extern uint8_t Rindent;      // right indent, columns; 0 none
extern int16_t NegIndent;    // nonzero while a toolkit user's negative indent is in force
extern uint8_t IndentFlag[6];// 1 = record written and not yet cancelled:
                             // [1] 0x40, [2] 0x43, [3] 0x42, [4] 0x41, [5] 0x44; [0] unused
extern uint8_t EndPos;       // last column of a line of the current paragraph

// Measures the indentation of the paragraph that starts at IRead.
void FigureIndents();
// Turns the measured Pindent and Lindent into indent settings and tab stops.
void SetSpaceIndents();
// Writes the indent records and 0xD6; resets the position state.
void InitPara();
// Cancels every indent record in force and sets all indents to 0.
void KillIndents();
// Makes the next tab stop the left indent.
void IndentToTab();
// Moves to the left indent; inside a paragraph also writes code 0x44.
void IndentOrNot();
// Advances pos over spaces, stopping at ILimit.
void DeleteSpaces(int16_t* pos);
// Reads a decimal number at pos (after spaces); 16-bit, wrapping.
int16_t ArrayToInteger(int16_t* pos);

void ResetIndents();
