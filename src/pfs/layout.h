// The layout state: the globals the translator's files share.
//
// Page measures, margins, columns, the current position and paragraph
// flags, indents, tab stops, character attributes and the header and footer
// flags.  Each is changed by the file whose rules own it (named beside each
// group) and read by the others; they live here, below every other file of
// the translator, so that no two files need each other for their data.
// InitEsp gives them their defaults at the start of every stream.
#pragma once

#include <cstdint>

#include "io/output.h"

// Twips per column of a line, and per inch.
constexpr int ColumnTwips = 144;
constexpr int InchTwips = 1440;
// Twips per line in single and double spacing (six lines to the inch).
constexpr int16_t SingleTwips = 240;
constexpr int16_t DoubleTwips = 480;

// ---- page measures and margins (document setup, format records) ----
extern int16_t PageLength;    // page length, twips
extern int16_t PageWidth;     // page width, twips
extern int16_t TopMargin;     // top margin, twips
extern int16_t BotMargin;     // end of the text area from the top of the page, twips
extern int16_t LtMargin;      // left margin: twips while written, then columns
extern int16_t RtMargin;      // right margin: twips while written, then columns
extern uint8_t Alignment;     // 0 none, 1 right, 2 centred, 3 justified
extern uint8_t LPI;           // lines per inch
extern int16_t HalfLineTwips; // twips of half a line
extern int16_t Pitch;         // written in the prologue (code 0x12)
extern int16_t ColTwips;      // twips per column
extern uint8_t FirstColumn;   // first column of a line
extern uint8_t LastColumn;    // last column of a line of the page
extern int16_t PageNumb;      // page number of the toolkit's users
extern int16_t FntNumber;     // font number of the toolkit's users

// ---- position, paragraphs and spacing (line ends) ----
extern int16_t IPos;        // column at which the next character will be written
extern int32_t CrFlag;      // 1: the next text begins a new paragraph
extern int32_t SoftCr;      // 1 after a soft return; cleared at a paragraph start
extern int32_t Hard;        // 1: the next line end is hard whatever follows it
extern int32_t DoubleSpace; // 1: every line end is followed by two filler bytes
extern int16_t LineSpacing; // twips per line: 240 single, 480 double
extern uint8_t LineCount;   // lines since the last page break, 0..60
extern uint8_t LastIPos;    // one past the last column of a line (EndPos + 1)
extern uint8_t LastSpace;   // low byte of IPos just after the last SpaceOrCr space

// ---- indents (indents) ----
extern uint8_t Lindent;       // left indent: column of the lines after the first; 0 none
extern uint8_t Pindent;       // first-line column when it starts right of the others; 0 none
extern uint8_t Hindent;       // hanging indent: columns the first line starts left of Lindent
extern uint8_t Rindent;       // right indent, columns; 0 none
extern int16_t NegIndent;     // nonzero while a toolkit user's negative indent is in force
extern uint8_t IndentFlag[6]; // 1 = record written and not yet cancelled:
                              // [1] 0x40, [2] 0x43, [3] 0x42, [4] 0x41, [5] 0x44; [0] unused
extern uint8_t EndPos;        // last column of a line of the current paragraph

// ---- tab stops (tabs) ----
constexpr int TabColumns = 256;         // entries of TabArray, one per column 0..255
constexpr int TabLeaderByte = 0;        // byte 0 of an entry: leader
constexpr int TabStopByte = 1;          // byte 1: 1 when a stop is set at the column
constexpr int TabTypeByte = 2;          // byte 2: the stop's type character ('p' ordinary)
extern uint8_t TabArray[TabColumns][3]; // the stops, indexed by column
extern uint8_t TabType;                 // type of the open tab; 0 when none
extern int16_t TabEndPtr;               // input position where the open tab's text ends; -1 none
extern uint8_t TabDataWid;              // width of the text a q, r or t stop aligns (0 here)
extern uint8_t TabDecimal;              // columns before the decimal point for a t stop (0 here)

// ---- character attributes (attributes) ----
extern int32_t Bold;        // bold is on
extern int32_t Italic;      // italic is on
extern int32_t UnderScore;  // underlining is on
extern int32_t SuperScript; // superscript is on
extern int32_t SubScript;   // subscript is on
extern int32_t StrikeOut;   // strike-out is on
extern uint8_t UnderLine;   // value of code 0xB0 when underlining starts (1)
extern uint8_t StrikeChar;  // value of code 0xB1 when strike-out starts ('-')

// ---- text outside the body flow (headers and footers) ----
extern int32_t Header;   // header text is being translated
extern int32_t Footer;   // footer text is being translated
extern int32_t Footnote; // footnote text is being translated (set by the toolkit user)
extern int32_t InColumn; // a column layout is in progress

// Writes c as a text byte and advances IPos.  Every text character of the
// translation goes out through here.
inline void WriteNormalChar(uint8_t c) {
    PutOut(c);
    IPos = (int16_t)(IPos + 1);
}

// Back to the start-of-run state: every value 0, TabEndPtr -1.
void ResetLayout();
