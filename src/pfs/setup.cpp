// Document setup.
//
// InitPfsp loads the first window (whose byte i is then file byte i for the
// whole header), tests the signature at offset 641 before anything is
// written, writes the prologue and the document's page layout (lines and
// columns turned into twips, each kept to 16 bits), the default tab ruler,
// the header and footer blocks and the justification, and leaves the input
// at the first byte of the body.
//
// PfsHeadFoot runs a header or footer line through the body loop itself: it
// plants the end-of-text byte right after the line's text, so that the loop
// ends there, and puts the byte it replaced back afterwards.

#include "pfs/setup.h"

#include "common/error_codes.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/defaults.h"
#include "pfs/format.h"
#include "pfs/head_foot.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/paragraph.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "stream/records.h"

constexpr int PfsProgram = 10;

// Unsigned 16-bit header number at offset, low byte first.
static int HeaderWord(int offset) {
    return InAt(offset) | (InAt(offset + 1) << 8);
}

static bool HasSignature() {
    for (int i = 0; i < 3; ++i)
        if (InAt(pfs::Signature + i) != pfs::SignatureText[i])
            return false;
    return true;
}

// Stores a measure kept to 16 bits and writes it at once.
static void PutMeasure(uint8_t code, int16_t* global, int value) {
    *global = (int16_t)value;
    PutIControl(code, *global);
}

// ------------------------------------------------------------- page layout ---

static void PageLayout() {
    const int lpi = LPI != 0 ? LPI : 6;
    // The page length goes through tenths of an inch (144 twips), rounding there.
    constexpr int TenthInchTwips = InchTwips / 10;
    PutMeasure(vnk::PageLen, &PageLength,
               ((HeaderWord(pfs::PageLines) * TenthInchTwips) / lpi) * 10);
    PutMeasure(vnk::TopMarg, &TopMargin, (HeaderWord(pfs::TopLines) * InchTwips) / lpi);
    PutMeasure(vnk::BotMarg, &BotMargin,
               PageLength - (HeaderWord(pfs::BottomLines) * InchTwips) / lpi);
    PutMeasure(vnk::LeftMarg, &LtMargin, HeaderWord(pfs::LeftColumns) * ColumnTwips);
    PutMeasure(vnk::RightMarg, &RtMargin, HeaderWord(pfs::RightColumns) * ColumnTwips);
    RtMargin = (int16_t)(RtMargin / ColumnTwips);
    LtMargin = (int16_t)(LtMargin / ColumnTwips);
}

// A stop every fifth column from column 5 (6 without a left margin) while
// below the right margin; the first one always.  The margins have passed
// through 16-bit twips, so no stop lies outside the table.
static void DefaultTabs() {
    int c = LtMargin > 0 ? 5 : 6;
    TabArray[c][TabStopByte] = 1;
    for (c += 5; c < RtMargin && c < 256; c += 5)
        TabArray[c][TabStopByte] = 1;
    SetTabs();
}

// ------------------------------------------------------ header and footer ---

// PFS alignment byte: 0 centred, 2 right, anything else left.
static uint8_t AlignmentOf(uint8_t b) {
    if (b == pfs::AlignByteCentre)
        return 2;
    if (b == pfs::AlignByteRight)
        return 1;
    return 0;
}

static void AttributesOf(uint8_t a) {
    if (a & (pfs::HfUnderline | pfs::HfUnderline2))
        PutUnderScore(1);
    if (a & pfs::HfBold)
        PutBold(1);
    if (a & pfs::HfSuper)
        PutScript(1);
    else if (a & pfs::HfSub)
        PutScript(2);
}

// One header or footer block: kind 1 or 2, its two lines, alignment and
// attribute bytes.  Nothing when the first line is empty.
static void HeadFootBlock(uint8_t kind, int line1, int line2, int alignAt, int attrAt) {
    if (InAt(line1) == 0)
        return;
    StartHeadFoot(kind);
    Alignment = AlignmentOf(InAt(alignAt));
    if (Alignment != 0)
        PutBControl(vnk::Align, Alignment);
    AttributesOf(InAt(attrAt));
    PfsHeadFoot((int16_t)line1);
    if (InAt(line2) != 0)
        PfsHeadFoot((int16_t)line2);
    if (Alignment != 0)
        CancelAlignment();
    CancelPfsFonts();
    EndHeadFoot();
}

void PfsHeadFoot(int16_t offset) {
    const int after = offset + InAt(offset) + 1; // the byte right after the text
    const uint8_t saved = InAt(after);
    InBuf[after] = pfs::EndOfText; // offset <= 558, so after <= 814
    IRead = (int16_t)(offset + 1);
    while (Done == 0 && ErrType == ErrNone)
        BodyStep();
    PutHardCr();
    InBuf[after] = saved;
    Done = 0;
}

// -------------------------------------------------------------- the setup ---

int InitPfsp() {
    Progname = PfsProgram;
    InitInBuf(PfsInKeep);
    InitOutBuf(PfsOutKeep);
    if (!HasSignature()) {
        ErrType = ErrNotPfs;
        return 0;
    }
    InitControl();
    InitEsp();
    PageLayout();
    DefaultTabs();
    HeadFootBlock(1, pfs::HeaderLine1, pfs::HeaderLine2, pfs::HeaderAlign, pfs::HeaderAttr);
    HeadFootBlock(2, pfs::FooterLine1, pfs::FooterLine2, pfs::FooterAlign, pfs::FooterAttr);
    if (InAt(pfs::Justify) == 1) {
        Alignment = 3;
        PutBControl(vnk::Align, 3);
    }
    IRead = pfs::BodyStart;
    Hard = 1;
    DoubleSpace = 0;
    CrFlag = 1;
    return 1;
}
