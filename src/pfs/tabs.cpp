// Tab stops and tab moves.
//
// The table of stops is written to the stream as a bracketed list (0x79 to
// clear, 0x78 with 1, one record per stop, 0x78 with 0).  A tab character
// moves to the next stop: code 0x77 with the stop's leader, code 0x76 with
// the back-off (how many columns the tabbed text starts before the stop)
// and the record whose code is the stop's type, with its column.  The tab
// stays open until EndTab writes the type code with 0 and 0x77 with 0.

#include "pfs/tabs.h"

#include <cstring>
#include <initializer_list>

#include "common/scan.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/layout.h"
#include "stream/codes.h"
#include "stream/records.h"

constexpr uint8_t TypeOrdinary = 'p';
constexpr uint8_t TypeDecimalDot = '.';

// The stop searches test sixteen entries at once by their middle byte.
static_assert(sizeof TabArray[0] == 3 && TabStopByte == 1, "the stop flag is the middle byte");

void InitializeTabs() {
    memset(TabArray, 0, sizeof TabArray);
    PutBControl(vnk::TabClear, 0);
    for (int c = 1; c < 256; ++c)
        TabArray[c][TabTypeByte] = TypeOrdinary;
}

// One stop of the list: p, q, r by their own code; t and '.' as t; any other
// type as code 0x75 with the column and the type character.
static void PutStop(uint8_t column, uint8_t type) {
    if (type == vnk::TabP || type == vnk::TabQ || type == vnk::TabR) {
        PutBControl(type, column);
    } else if (type == vnk::TabT || type == TypeDecimalDot) {
        PutBControl(vnk::TabT, column);
    } else {
        const uint8_t payload[2] = {column, type};
        PutControl(vnk::TabOther, 2, payload);
    }
}

void SetTabs() {
    PutBControl(vnk::TabClear, 0);
    PutBControl(vnk::TabList, 1);
    for (int c = 1; c < TabColumns; ++c) {
        if (scan::Wide && c + 16 <= TabColumns) // to the first stop of the sixteen, or past them
            c += scan::FirstMiddleSet16(TabArray[c]);
        if (c < TabColumns && TabArray[c][TabStopByte])
            PutStop((uint8_t)c, TabArray[c][TabTypeByte]);
    }
    PutBControl(vnk::TabList, 0);
}

void SetIndentStops(int a, int b) {
    memset(TabArray, 0, sizeof TabArray);
    for (int c : {a, b}) {
        if (c >= 0) {
            TabArray[c][TabStopByte] = 1;
            TabArray[c][TabTypeByte] = TypeOrdinary;
        }
    }
    // The list SetTabs would write for this table: its stops in column
    // order, each once, column 0 left out.
    const int lo = a < b ? a : b, hi = a < b ? b : a;
    PutBControl(vnk::TabClear, 0);
    PutBControl(vnk::TabList, 1);
    if (lo >= 1)
        PutStop((uint8_t)lo, TypeOrdinary);
    if (hi >= 1 && hi != lo)
        PutStop((uint8_t)hi, TypeOrdinary);
    PutBControl(vnk::TabList, 0);
}

uint8_t FindNextTab() {
    int c = (uint8_t)((IPos & 0xFF) + 1);
    // The loop below tests columns c up to `last` and stops there at the
    // latest.  Sixteen columns at a time while all sixteen lie below `last`,
    // where the loop would only test each for a stop; it then goes on from
    // where this leaves off and takes `last` itself.
    const int last = LastColumn > c ? (LastColumn < 254 ? LastColumn : 254) : c;
    while (scan::Wide && c + 16 <= last) {
        int k = scan::FirstMiddleSet16(TabArray[c]);
        if (k < 16)
            return (uint8_t)(c + k);
        c += 16;
    }
    for (;;) {
        if (c > 254)
            return 0;
        if (TabArray[c][TabStopByte])
            return (uint8_t)c;
        if (c >= LastColumn)
            return 0;
        ++c;
    }
}

uint8_t FindPreviousTab() {
    if (IPos <= 1)
        return 1;
    int c = (uint8_t)((IPos & 0xFF) - 1);
    for (; c >= 1; --c)
        if (TabArray[c][TabStopByte])
            return (uint8_t)c;
    return 0;
}

// The code a tab move to a stop of this type is written with.  The table
// gets only types 0x70..0x74 from this module; a '.' stop (listed as a
// decimal stop) moves as a decimal tab, and a stop of any other type moves
// as an ordinary tab, so that the stream only ever carries tab codes its
// readers know and the tab closes with the same code it opened with.
static uint8_t MoveCode(uint8_t type) {
    if (type >= vnk::TabP && type <= vnk::TabT)
        return type;
    return type == TypeDecimalDot ? vnk::TabT : vnk::TabP;
}

// Back-off of a tab to a stop of the given (move) type.
static uint8_t BackOff(uint8_t type) {
    uint8_t fromWidth = TabDataWid == 0 ? 0 : (uint8_t)(TabDataWid - 1);
    switch (type) {
    case vnk::TabQ:
        return fromWidth;
    case vnk::TabR:
        return (uint8_t)(TabDataWid / 2);
    case vnk::TabT:
        return TabDecimal != 0 ? TabDecimal : fromWidth;
    default:
        TabEndPtr = -1;
        return 0;
    }
}

void WriteTab() {
    uint8_t c = FindNextTab();
    if (c == 0) {
        PutOut(' ');
        IPos = (int16_t)(IPos + 1);
        return;
    }
    TabType = MoveCode(TabArray[c][TabTypeByte]);
    IPos = c;
    uint8_t b = BackOff(TabType);
    PutBControl(vnk::TabLeader, TabArray[c][TabLeaderByte]);
    PutBControl(vnk::TabBackOff, b);
    PutBControl(TabType, c);
    IPos = (int16_t)(IPos - b);
}

void EndTab() {
    TabEndPtr = -1;
    PutBControl(TabType, 0);
    PutBControl(vnk::TabLeader, 0);
    TabType = 0;
}

void CheckTabEnd() {
    if (TabType != 0 && IRead == TabEndPtr)
        EndTab();
}
