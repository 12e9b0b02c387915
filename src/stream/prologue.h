// The stream prologue and the layout defaults.
//
// Every stream opens with the source-program record, seven fixed records and
// a default page layout; at the same moment the translator's layout state is
// set to its defaults, here, in one place.
#pragma once

#include <cstdint>

extern int32_t Progname;      // number of the source program; 10 for PFS
extern int16_t PageWidth;     // page width, twips (12240)
extern uint8_t LPI;           // lines per inch (6)
extern int16_t HalfLineTwips; // twips of half a line (120)
extern int16_t Pitch;         // 100
extern int16_t ColTwips;      // twips per column (144)
extern uint8_t FirstColumn;   // first column of a line (1)
extern uint8_t LastColumn;    // last column of a line of the page (65)
extern int16_t PageNumb;      // 1
extern int16_t FntNumber;     // 1

// Writes the source-program record and the seven fixed records.
void InitControl();
// Sets every layout default and writes the default layout records.
void InitEsp();

// Back to the start-of-run state.
void ResetPrologue();
