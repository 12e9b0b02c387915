// Character attributes and the saved formatting state.
//
// One flag per attribute; a record is written only when an attribute really
// changes.  Bold and italic share code 0x10 (2 for bold plus 1 for italic).
// A header, footer or footnote saves the body's formatting state in a single
// slot on entry and restores it on exit.
#pragma once

#include <cstdint>

// The one-slot saved state.
extern uint8_t OldLind, OldRind, OldHind, OldPind; // the four indents
extern uint8_t OldIndFlag[6];                      // a copy of IndentFlag
extern uint8_t AttrSave;   // attribute flags as bits: 0x01 italic, 0x02 bold,
                           // 0x04 underline, 0x08 super, 0x10 sub, 0x20 strike
extern uint8_t OldAlign;   // Alignment
extern int16_t OldLm;      // LtMargin, columns
extern int16_t OldRm;      // RtMargin, columns
extern uint8_t SaveIPos;   // low byte of IPos
extern int32_t SaveCrFlag; // CrFlag

// Requests: 1 on, 0 off; PutScript: 1 super, 2 sub, 0 neither.  Other values do nothing.
void PutBold(uint8_t r);
void PutItalic(uint8_t r);
void PutUnderScore(uint8_t r);
void PutScript(uint8_t r);
// Clears the six attribute flags; writes nothing.
void CancelAttributes();
// Turns off every attribute that is on, writing the records that do it.
void CancelPfsFonts();

void SaveIndents();
void SaveAttributes();
void SaveAlignments();
void SaveMargins();
void RestoreIndents();
void RestoreMargins();
void RestoreAlignment();
// Saves the whole formatting state and starts a fresh paragraph state; writes nothing.
void SaveFlags();
// Restores what SaveFlags saved; writes nothing.
void RestoreFlags();

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

void PutShadow(uint8_t r);  // written as bold
void PutOutline(uint8_t r); // written as bold
void PutStrike(uint8_t r);

// Back to the start-of-run state: nothing saved.
void ResetAttributes();
