// Headers, footers, footnotes and columns.
//
// Text outside the body flow is written between an opening and a closing
// record, with the body's formatting state saved around it.
#pragma once

#include <cstdint>

constexpr int ColEntries = 51;
extern uint8_t ColArray[ColEntries][3]; // columns 1..50: [1] first position, [2] code 0x83 value
extern uint8_t ColArrPtr;               // number of the current column; 0 outside a layout

// Opens a header (odd kind) or footer (even kind).
void StartHeadFoot(uint8_t kind);
// Closes the header or footer.
void EndHeadFoot();
// Ends a special alignment (code 0x4F with 0).
void CancelAlignment();

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Closes a footnote.
void EndFootnote();
// Starts a column layout in column 1.
void BeginColumnLayout();
// Moves to the next column (never past column 50).
void GetNextColumn();
// Ends the column layout.
void EndColumnLayout();

void ResetHeadFoot();
