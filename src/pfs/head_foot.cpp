// Headers, footers, footnotes and columns.
//
// A header or footer opens with code 0xA0 and 0xA1 (1 header, 2 footer),
// saves the body's formatting state (SaveFlags) and sets Header or Footer,
// which tells the indent, command and body code that they are inside one.
// It closes with the cancelling indent records and 0xA1 with 0, and the
// body's state comes back without a record.  Column layouts step through
// the entries of ColArray.

#include "pfs/head_foot.h"

#include <cstring>

#include "pfs/attributes.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "stream/codes.h"
#include "stream/records.h"

uint8_t ColArray[ColEntries][3];
uint8_t ColArrPtr = 0;

constexpr uint8_t LastColumnEntry = ColEntries - 1; // 50

void StartHeadFoot(uint8_t kind) {
    PutBControl(vnk::HeadFoot, kind);
    PutBControl(vnk::HeadFootDef, kind);
    SaveFlags();
    if (kind & 1)
        Header = 1;
    else
        Footer = 1;
}

void EndHeadFoot() {
    KillIndents();
    PutBControl(vnk::HeadFootDef, 0);
    RestoreFlags();
    Header = Footer = 0;
}

void EndFootnote() {
    KillIndents();
    PutBControl(vnk::FootnoteEnd, 0);
    Footnote = 0;
    RestoreFlags();
}

void CancelAlignment() {
    Alignment = 0;
    PutBControl(vnk::Align, 0);
}

void BeginColumnLayout() {
    InColumn = 1;
    ColArrPtr = 0;
    GetNextColumn();
}

// The table has 50 columns.  Asked for a column after the 50th, the layout
// stays in column 50 and its records are written again: the text goes on
// in the last column rather than reading an entry that is not there.
void GetNextColumn() {
    ColArrPtr = ColArrPtr < LastColumnEntry ? (uint8_t)(ColArrPtr + 1) : LastColumnEntry;
    PutBControl(vnk::ColumnNo, ColArrPtr);
    IPos = ColArray[ColArrPtr][1];
    PutBControl(vnk::ColumnStart, ColArray[ColArrPtr][1]);
    PutBControl(vnk::ColumnEnd, ColArray[ColArrPtr][2]);
    CrFlag = 1;
}

void EndColumnLayout() {
    PutBControl(vnk::ColumnNo, 0);
    ColArrPtr = 0;
    InColumn = 0;
    CrFlag = 1;
    IPos = FirstColumn;
}

void ResetHeadFoot() {
    memset(ColArray, 0, sizeof ColArray);
    ColArrPtr = 0;
}
