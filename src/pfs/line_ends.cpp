// Line ends, spacing and pages.
//
// ProcessCR runs right after a line-end code has been read: IRead stands on
// the first byte of the next line.  It looks at the bytes around the read
// position (the previous, current and next byte) to tell a paragraph end
// from a line wrap: a line end is hard when the previous code said so
// (Hard), or when an empty line or format records follow.  In double
// spacing each code is followed by two filler bytes, which are stepped over.
// Every look goes through InAt, so the fixed steps over fillers and empty
// lines can never carry a read outside the buffer: past the data InAt reads
// what the buffer holds and, outside the array, 0.

#include "pfs/line_ends.h"

#include "io/input.h"
#include "io/output.h"
#include "pfs/format.h"
#include "pfs/format_records.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/records.h"

constexpr uint8_t LinesPerPage = 60; // LineCount runs 0..60

// The bytes around the read position.
static inline uint8_t Prev() {
    return InAt(IRead - 1);
}
static inline uint8_t Cur() {
    return InAt(IRead);
}
static inline uint8_t Next() {
    return InAt(IRead + 1);
}
static inline void Advance(int n) {
    IRead = (int16_t)(IRead + n);
}
static inline bool DoubleCode(uint8_t b) {
    return b == pfs::LineEnd2 || b == pfs::LineEnd3;
}

// --------------------------------------------------------------- line ends ---

// In double spacing, steps over the two fillers after the code and any
// format records there; a further double-spacing code not followed by a
// space is stepped over too.
static void SkipFiller() {
    Advance(2);
    GetFormat();
    if (DoubleCode(Cur()) && Next() != pfs::Space)
        Advance(1);
}

// Hard when Hard is set or an empty line or format records follow.
static void EndTheLine() {
    bool hard = Hard || (Cur() == pfs::Space && (CrChars(Next()) || Next() == pfs::FormatOpen));
    if (hard) {
        PutHardCr();
        KillIndents();
    } else {
        PutSoftCr(LastOut() == pfs::Hyphen || Cur() == pfs::FormatOpen ? 0 : 1);
    }
}

// The code last passed says whether the next line end is hard (bit 0) and
// whether the text is double spaced (bit 1).
static void TakeLineEndValue() {
    uint8_t c = Prev();
    if (c == pfs::LineEnd1 || c == pfs::LineEnd3)
        Hard = 1;
    if (c == pfs::LineEnd0 || c == pfs::LineEnd2)
        Hard = 0;
    if (c == pfs::LineEnd0 || c == pfs::LineEnd1)
        PutSingleSpace();
    if (DoubleCode(c))
        PutDoubleSpace();
}

// The common line end in short: a wrap inside a single-spaced paragraph.
// When Hard, DoubleSpace and CrFlag are all clear, the code just read is 0
// or 1 (single spacing, so no fillers and no spacing record while the
// spacing is not already double) and neither an empty line nor a format
// record follows, ProcessCR below does exactly this: EndTheLine takes the
// soft branch, SingleLoop finds no empty line, TakeLineEndValue sets Hard
// from bit 0 of the code and writes nothing, and the spaces that start the
// next line are eaten.  Anything else returns false and takes the full path.
static bool SoftWrap() {
    const uint8_t code = Prev();
    if (Hard || DoubleSpace || CrFlag || code > pfs::LineEnd1 || LineSpacing == DoubleTwips)
        return false;
    const uint8_t cur = Cur(), next = Next();
    if (next == pfs::FormatOpen || (cur == pfs::Space && CrChars(next)))
        return false;
    PutSoftCr(LastOut() == pfs::Hyphen || cur == pfs::FormatOpen ? 0 : 1);
    Hard = code == pfs::LineEnd1 ? 1 : 0;
    EatSpaces();
    return true;
}

void ProcessCR() {
    if (SoftWrap())
        return;
    if (DoubleSpace)
        SkipFiller();
    EndTheLine();
    if (DoubleSpace)
        DoubleLoop();
    else
        SingleLoop();
    TakeLineEndValue();
    if (Next() == pfs::FormatOpen) {
        Hard = 1;
        Advance(1);
    }
    if (!CrFlag)
        EatSpaces();
}

void PutHardCr() {
    if (TabType != 0)
        EndTab();
    PutOut(vnk::HardReturn);
    IPos = FirstColumn;
    CrFlag = 1;
    CheckLineCount();
}

void PutSoftCr(uint8_t join) {
    if (join)
        PutOut(pfs::Space);
    IPos = Lindent != 0 ? Lindent : FirstColumn;
    SoftCr = 1;
    CheckLineCount();
}

// ------------------------------------------------------------------- pages ---

void PutHardPage() {
    if (TabType != 0)
        EndTab();
    PutBControl(vnk::HardPage, 0);
    IPos = FirstColumn;
    CrFlag = 1;
    LineCount = 0;
}

void PutSoftPage() {
    PutBControl(vnk::SoftPage, 0);
    IPos = Lindent != 0 ? Lindent : FirstColumn;
    LineCount = 0;
}

void CheckLineCount() {
    LineCount = (uint8_t)(LineCount + 1);
    if (LineCount > LinesPerPage)
        LineCount = 0;
}

// ----------------------------------------------------------------- spacing ---

void PutSingleSpace() {
    if (LineSpacing == DoubleTwips) {
        LineSpacing = SingleTwips;
        PutIControl(vnk::Spacing, LineSpacing);
    }
    DoubleSpace = 0;
}

void PutDoubleSpace() {
    if (LineSpacing == SingleTwips) {
        LineSpacing = DoubleTwips;
        PutIControl(vnk::Spacing, LineSpacing);
    }
    DoubleSpace = 1;
}

// -------------------------------------------------------------- empty lines ---

void SingleLoop() {
    while (CrChars(Next()) && Cur() == pfs::Space) {
        PutHardCr();
        Advance(2);
    }
}

void DoubleLoop() {
    if (!DoubleCode(Prev()) || Cur() != pfs::Space)
        return;
    do {
        if (!DoubleCode(Next()))
            return;
        PutHardCr();
        Advance(4);
        GetFormat();
        if (Cur() == pfs::LineEnd2)
            Advance(1);
    } while (DoubleCode(Prev()) && Cur() == pfs::Space);
}

int CrChars(uint8_t b) {
    return pfs::IsLineEnd(b) ? 1 : 0;
}

// ---------------------------------------------------------------- word wrap ---

void SpaceOrCr() {
    if (IPos > LastIPos) {
        uint8_t w = (uint8_t)((IPos & 0xFF) - LastSpace);
        PutSoftCr(1);
        IPos = (int16_t)(IPos + w + 1);
    } else {
        WriteNormalChar(pfs::Space);
    }
    LastSpace = (uint8_t)(IPos & 0xFF);
}
