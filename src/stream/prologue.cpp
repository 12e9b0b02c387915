// The prologue that opens every stream, and the layout defaults.
//
// InitControl writes the number of the source program and seven records of
// fixed values that the readers of the stream expect.  InitEsp gives every
// global of the layout state its default and writes the default page layout:
// margins, page size, line spacing, two fixed measures, code 0x12 and the
// clearing of the tab stops.  85 bytes in all.

#include "stream/prologue.h"

#include <cstring>

#include "pfs/attributes.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/records.h"

int32_t Progname = 0;
int16_t PageWidth = 0;
uint8_t LPI = 0;
int16_t HalfLineTwips = 0;
int16_t Pitch = 0;
int16_t ColTwips = 0;
uint8_t FirstColumn = 0;
uint8_t LastColumn = 0;
int16_t PageNumb = 0;
int16_t FntNumber = 0;

// The fixed records after the source-program record, in stream order.
static const uint8_t FixedRecords[][2] = {
    {vnk::Prologue00, 7},
    {vnk::Prologue01, 6},
    {vnk::Prologue02, 7},
    {vnk::Prologue03, 7},
    {vnk::Prologue04, 0},
    {vnk::Prologue06, 0},
    {vnk::Prologue09, 144},
};

void InitControl() {
    PutBControl(vnk::PrologueF0, (uint8_t)(Progname & 0xFF));
    for (const auto& r : FixedRecords) PutBControl(r[0], r[1]);
}

// Attributes, alignment and indents first (the cleared IndentFlag makes
// KillIndents write nothing), then flags, page and line measures.
static void SetDefaults() {
    CancelAttributes();
    StrikeChar = '-';
    Alignment = 0;
    memset(IndentFlag, 0, sizeof IndentFlag);
    KillIndents();
    Header = Footer = Footnote = InColumn = 0;
    CrFlag = 1;
    SoftCr = 0;
    UnderLine = 1;
    PageNumb = 1;
    FntNumber = 1;
    LtMargin = 0;
    RtMargin = 65;
    TopMargin = 1440;
    BotMargin = 14400;
    PageLength = 15840;
    PageWidth = 12240;
    FirstColumn = 1;
    IPos = 1;
    LastColumn = 65;
    EndPos = 65;
    LPI = 6;
    LineSpacing = 240;
    HalfLineTwips = 120;
    LineCount = 0;
    Pitch = 100;
    ColTwips = 144;
}

void InitEsp() {
    SetDefaults();
    PutIControl(vnk::LeftMarg, 0);
    PutIControl(vnk::RightMarg, (int16_t)(RtMargin * 144));
    PutIControl(vnk::TopMarg, TopMargin);
    PutIControl(vnk::BotMarg, BotMargin);
    PutIControl(vnk::PageLen, PageLength);
    PutIControl(vnk::PageWid, PageWidth);
    PutIControl(vnk::Spacing, LineSpacing);
    PutIControl(vnk::Prologue22, 0);
    PutIControl(vnk::Prologue24, 0);
    PutBControl(vnk::Prologue12, 100);
    InitializeTabs();
    TabType = 0;
}

void ResetPrologue() {
    Progname = 0;
    PageWidth = 0;
    LPI = 0;
    HalfLineTwips = Pitch = ColTwips = 0;
    FirstColumn = LastColumn = 0;
    PageNumb = FntNumber = 0;
}
