// Indents and paragraph start.
//
// FigureIndents looks at the paragraph before a byte of it is translated:
// the spaces at the read position give the first line's column (Pindent),
// and, unless this first line is also the last (Hard), the spaces after the
// first line end give the column of the lines that follow (Lindent).
// SetSpaceIndents settles the two into a left indent, a first-line indent or
// a hanging indent and puts tab stops at those columns; InitPara writes the
// records.  The scans read InBuf through InAt: in a damaged document with no
// line end ahead they run into the bytes past the data (whatever the buffer
// holds) and at the latest stop at the end of the array, where InAt reads 0,
// which counts as a line end.

#include "pfs/indents.h"

#include <cstring>

#include "common/scan.h"
#include "io/input.h"
#include "pfs/format.h"
#include "pfs/layout.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/records.h"

// IndentFlag entries, in the order KillIndents cancels them, with their codes.
static const uint8_t CancelOrder[5][2] = {
    {1, vnk::IndentLeft},  // Lindent - Hindent
    {2, vnk::IndentHang},  // Lindent of a hanging paragraph
    {3, vnk::IndentFirst}, // Pindent
    {4, vnk::IndentRight}, // Rindent
    {5, vnk::IndentTo},    // Lindent inside a paragraph
};

// Number of spaces from index i on.
static int CountSpaces(int i) {
    int n = 0;
    while (InAt(i + n) == pfs::Space)
        ++n;
    return n;
}

// Index of the first line end or end-of-text byte from index p on (the
// scan is by InAt, so it always ends: 0 lies beyond the array).
static int LineEndFrom(int p) {
    while (scan::Wide && p >= 0 && p + 16 <= InBufSize) {
        int k = scan::FirstAtMostOrEqual16(InBuf + p, pfs::LineEnd3, pfs::EndOfText);
        if (k < 16)
            return p + k;
        p += 16;
    }
    while (scan::Enabled && p >= 0 && p + 8 <= InBufSize) {
        uint64_t w = scan::Load8(InBuf + p);
        uint64_t stop = scan::Below(w, pfs::LineEnd3 + 1) | scan::Equal(w, pfs::EndOfText);
        if (stop != 0)
            return p + scan::First(stop);
        p += 8;
    }
    while (!pfs::IsLineEnd(InAt(p)) && InAt(p) != pfs::EndOfText)
        ++p;
    return p;
}

// ---------------------------------------------------------------- measuring ---

void FigureIndents() {
    if (Header || Footer)
        return;
    if (Alignment == 1 || Alignment == 2) {
        EatSpaces();
        return;
    }
    if (IRead > ILast - 2000)
        FillInBuf();
    // The leading spaces are stepped over by index: no refill, no Done.
    int lead = CountSpaces(IRead);
    IRead = (int16_t)(IRead + lead);
    if (lead > 0)
        Pindent = (uint8_t)(lead + 1);
    if (Hard)
        return;
    int p = LineEndFrom(IRead);
    if (InAt(p) == pfs::LineEnd3)
        p += 2;
    if (pfs::IsLineEnd(InAt(p + 2)))
        return;
    if (InAt(p + 1) != pfs::Space)
        return;
    Lindent = (uint8_t)(CountSpaces(p + 1) + 1);
    SetSpaceIndents();
}

// A first-line column of 0 lowered for a positive left margin becomes -1;
// it is taken as column 0, for the test and for the stop alike (SetTabs
// never writes column 0, so the stop is harmless).
static int TabColumn(int f) {
    return f < 0 ? 0 : f;
}

void SetSpaceIndents() {
    if (Lindent <= 1)
        Lindent = 0;
    int f = Lindent;
    if (Pindent == Lindent) {
        Pindent = 0;
    } else if (Pindent < Lindent) {
        Hindent = (uint8_t)(Lindent - Pindent);
        f = Pindent;
        Pindent = 0;
    }
    if (Lindent == 0 && Hindent == 0)
        return;
    if (LtMargin > 0) {
        Lindent = (uint8_t)(Lindent - 1);
        f -= 1;
    }
    int fc = TabColumn(f);
    if (TabArray[Lindent][TabStopByte] && TabArray[fc][TabStopByte])
        return;
    SetIndentStops(Lindent != 0 ? Lindent : -1, Hindent != 0 ? fc : -1);
}

// ------------------------------------------------------------------ writing ---

void InitPara() {
    IPos = FirstColumn;
    EndPos = LastColumn;
    if (Hindent > Lindent) {
        uint8_t neg = (uint8_t)(Hindent - Lindent);
        PutBControl(vnk::IndentLeft, 0);
        PutBControl(vnk::IndentNeg, neg);
        IPos = (int16_t)(IPos - neg);
    } else {
        uint8_t l = (uint8_t)(Lindent - Hindent);
        if (l > FirstColumn) {
            PutBControl(vnk::IndentLeft, l);
            IndentFlag[1] = 1;
            IPos = l;
        }
    }
    if (Hindent != 0) {
        PutBControl(vnk::IndentHang, Lindent);
        IndentFlag[2] = 1;
    }
    if (Pindent != 0) {
        PutBControl(vnk::IndentFirst, Pindent);
        IndentFlag[3] = 1;
        IPos = Pindent;
    }
    if (Rindent != 0) {
        PutBControl(vnk::IndentRight, Rindent);
        IndentFlag[4] = 1;
        EndPos = (uint8_t)(EndPos - Rindent);
    }
    PutBControl(vnk::ParaStart, 0);
    CrFlag = 0;
    SoftCr = 0;
    LastIPos = (uint8_t)(EndPos + 1);
}

// --------------------------------------------------------------- cancelling ---

void KillIndents() {
    Lindent = Rindent = Pindent = Hindent = 0;
    for (const auto& e : CancelOrder)
        if (IndentFlag[e[0]] == 1)
            PutBControl(e[1], 0);
    if (NegIndent != 0)
        PutBControl(vnk::IndentNeg, 0);
    memset(IndentFlag, 0, sizeof IndentFlag);
}

// ------------------------------------------------------- toolkit services ---

void IndentToTab() {
    Lindent = FindNextTab();
    if (Lindent != 0)
        IPos = Lindent;
    else
        Lindent = (uint8_t)(IPos & 0xFF);
}

void IndentOrNot() {
    IPos = Lindent;
    if (!CrFlag) {
        PutBControl(vnk::IndentTo, Lindent);
        IndentFlag[5] = 1;
    }
}

void DeleteSpaces(int16_t* pos) {
    while (InAt(*pos) == pfs::Space && *pos < ILimit)
        *pos = (int16_t)(*pos + 1);
}

int16_t ArrayToInteger(int16_t* pos) {
    DeleteSpaces(pos);
    int value = 0;
    for (uint8_t b = InAt(*pos); b >= '0' && b <= '9'; b = InAt(*pos)) {
        value = (int16_t)(value * 10 + (b - '0'));
        *pos = (int16_t)(*pos + 1);
    }
    return (int16_t)value;
}
