// The stream prologue: the records that open every stream.
//
// The source-program record and seven records of fixed values come first
// (InitControl); then the translator sets its layout state to the defaults
// and has the default page layout written from those values
// (PutDefaultLayout), so the records always say what the state holds.
#pragma once

#include <cstdint>

extern int32_t Progname; // number of the source program; 10 for PFS

// Writes the source-program record (low byte of Progname) and the seven fixed records.
void InitControl();
// Writes the default page layout: left margin 0, then the right margin, top
// and bottom margins, page length and width and line spacing given (twips),
// two fixed measures (codes 0x22, 0x24 with 0) and code 0x12 with the pitch.
void PutDefaultLayout(int16_t rightMargin, int16_t topMargin, int16_t botMargin, int16_t pageLength,
                      int16_t pageWidth, int16_t lineSpacing, uint8_t pitch);

// Back to the start-of-run state.
void ResetPrologue();
