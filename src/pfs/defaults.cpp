// The layout defaults.
//
// InitEsp sets the layout state to the defaults every stream starts from
// and has the stream layer write the default page layout from the values
// just set, then clears the tab stops (which writes their record), so the
// prologue's records and the state always agree.  The order of the steps is
// the order of the bytes: nothing may move.

#include "pfs/defaults.h"

#include <cstring>

#include "pfs/attributes.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/tabs.h"
#include "stream/prologue.h"

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
    TopMargin = InchTwips;
    BotMargin = 10 * InchTwips;
    PageLength = 11 * InchTwips;
    PageWidth = 12240; // 8.5 inches
    FirstColumn = 1;
    IPos = 1;
    LastColumn = 65;
    EndPos = 65;
    LPI = 6;
    LineSpacing = SingleTwips;
    HalfLineTwips = 120;
    LineCount = 0;
    Pitch = 100;
    ColTwips = ColumnTwips;
}

void InitEsp() {
    SetDefaults();
    PutDefaultLayout((int16_t)(RtMargin * ColumnTwips), TopMargin, BotMargin, PageLength, PageWidth,
                     LineSpacing, (uint8_t)Pitch);
    InitializeTabs();
    TabType = 0;
}
