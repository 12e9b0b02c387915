// Format records.
//
// A format record (opened by 0x07) sets new margins: size byte, margin
// flag, left and right margin in columns.  Margins are written as twips in
// 16 bits.  Both the body loop and the line ends read them (a line end can
// be followed by a run of records), so they sit below both.

#include "pfs/format_records.h"

#include "io/input.h"
#include "pfs/format.h"
#include "pfs/layout.h"
#include "stream/codes.h"
#include "stream/records.h"

// Margins of one record: written as twips kept to 16 bits, then kept in
// columns (the left one as that 16-bit value over 144, the right one as the
// byte itself).
static void SetMargins(uint8_t left, uint8_t right) {
    LtMargin = (int16_t)(left * ColumnTwips);
    PutIControl(vnk::LeftMarg, LtMargin);
    LtMargin = (int16_t)(LtMargin / ColumnTwips);
    RtMargin = (int16_t)(right * ColumnTwips);
    PutIControl(vnk::RightMarg, RtMargin);
    RtMargin = right;
}

// A record whose size byte is 0 is taken as size 2: it ends right after its
// size byte, so a run of records always moves forward.
void GetFormat() {
    if (InAt(IRead - 1) != pfs::FormatOpen)
        return;
    for (;;) {
        const int q = IRead;
        int size = InAt(q + pfs::FmtSize);
        if (size == 0)
            size = 2;
        if (InAt(q + pfs::FmtFlag) != 0)
            SetMargins(InAt(q + pfs::FmtLeft), InAt(q + pfs::FmtRight));
        IRead = (int16_t)(q + size - 1);
        if (InAt(IRead) != pfs::FormatOpen)
            return;
        IRead = (int16_t)(q + size);
    }
}
