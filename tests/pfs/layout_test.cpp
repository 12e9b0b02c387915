// Covers src/pfs/attributes.cpp, tabs.cpp, indents.cpp, layout.cpp.
// Layout state: attributes, tab stops and moves, indents and the paragraph start.
#include <cstring>

#include "io/input.h"
#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/defaults.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {
using namespace vnk;
using V = std::vector<long>;

struct LayoutState : TranslatorTest {
    void SetUp() override { TranslatorTest::SetUp(), InitOutBuf(2048), InitEsp(), mark_ = Mark(); }
    std::string Since(size_t m) { return Hex(OutputSince(m)); }
    std::string Para() { // the paragraph set-up as the body loop runs it
        size_t m = Mark();
        FigureIndents(), InitPara();
        return Since(m);
    }
    size_t mark_ = 0;
};

Bytes Recs(uint8_t code, std::initializer_list<uint8_t> values) {
    Bytes b;
    for (uint8_t v : values)
        b = b + RecB(code, v);
    return b;
}
const auto Lf = [](uint8_t v) { return RecB(IndentLeft, v); };
const auto Hg = [](uint8_t v) { return RecB(IndentHang, v); };
const auto Fi = [](uint8_t v) { return RecB(IndentFirst, v); };
const auto Line = [](const std::string& text, uint8_t end) { return B(text) + Bytes{end}; };
void Stops(int from) {
    for (int c = from; c < 65; c += 5)
        TabArray[c][1] = 1;
} // a ruler
void Stop(int c, uint8_t type, uint8_t leader = 0) { // entry: leader, stop flag, type
    TabArray[c][0] = leader, TabArray[c][1] = 1, TabArray[c][2] = type;
}
Bytes Move(uint8_t code, uint8_t c, uint8_t b, uint8_t leader = 0) { // to c, back-off b
    return RecB(TabLeader, leader) + RecB(TabBackOff, b) + RecB(code, c);
}
const auto Close = [](uint8_t code) { return RecB(code, 0) + RecB(TabLeader, 0); };

// Only a change writes (scripts keep each other's flag); the on values are read at the time.
TEST_F(LayoutState, AttributesWriteOnlyOnAChange) {
    PutBold(1), PutItalic(1), PutBold(0), PutItalic(0), PutShadow(1), PutOutline(1), PutOutline(0);
    PutScript(1), PutScript(2), PutScript(2), PutScript(1), PutScript(0), PutScript(0);
    PutScript(2), PutScript(0), PutBold(0), PutUnderScore(0), PutUnderScore(1), PutUnderScore(1);
    PutStrike(1), PutStrike(1), PutStrike(0), PutStrike(0), PutUnderScore(0);
    UnderLine = 3, StrikeChar = '~';
    PutUnderScore(1), PutStrike(1), PutItalic(1);
    for (uint8_t r : {2, 3, 255}) { // other requests do nothing
        PutBold(r), PutItalic(r), PutShadow(r), PutOutline(r), PutUnderScore(r), PutStrike(r);
        if (r != 2)
            PutScript(r);
    }
    EXPECT_EQ(Since(mark_), Hex(Recs(Style, {2, 3, 1, 0, 2, 0}) + Recs(Script, {2, 3, 0, 3, 0}) +
                                Recs(Underline, {1}) + Recs(Strike, {'-', 0}) +
                                Recs(Underline, {0, 3}) + Recs(Strike, {'~'}) + Recs(Style, {1})));
    EXPECT_EQ((V{Bold, Italic, UnderScore, SuperScript, SubScript, StrikeOut}),
              (V{0, 1, 1, 0, 0, 1}));
}

// One saved bit per attribute; alignment, margins and IPos's low byte come back too.
TEST_F(LayoutState, AttributesSavedAndRestored) {
    int32_t* const flags[6] = {&Italic, &Bold, &UnderScore, &SuperScript, &SubScript, &StrikeOut};
    for (int i = 0; i < 6; ++i) {
        *flags[i] = 1, Alignment = 3, LtMargin = 5, RtMargin = 60, IPos = 300 + i, SaveFlags();
        EXPECT_EQ((V{AttrSave, Alignment, IPos}), (V{1 << i, 0, 1})) << i;
        *flags[(i + 1) % 6] = 1, Alignment = 2, LtMargin = 0, RtMargin = 70, RestoreFlags();
        for (int j = 0; j < 6; ++j)
            EXPECT_EQ(*flags[j], j == i ? 1 : 0) << i << "/" << j;
        EXPECT_EQ((V{Alignment, LtMargin, RtMargin, IPos}), (V{3, 5, 60, 44 + i}));
        CancelAttributes();
    }
    Bold = 1, SaveFlags(), SaveFlags(), RestoreFlags(); // one slot: the second save wins
    EXPECT_EQ((V{Bold, Alignment, IPos}), (V{0, 0, 1}));
    EXPECT_EQ(Since(mark_), "");
}

// p, q, r, t by their own code, '.' as t, others as 0x75; column 0 never listed.
TEST_F(LayoutState, TabListCodesFollowTheStopType) {
    Stop(0, 'p'), Stop(3, 'q', '.'), Stop(4, 'r'), Stop(5, 's'), Stop(7, 't'), Stop(8, '.');
    Stop(9, 'L'), Stop(255, 'p'), SetTabs();
    EXPECT_EQ(Since(mark_), Hex(Recs(TabClear, {0}) + Recs(TabList, {1}) + RecB(TabQ, 3) +
                                RecB(TabR, 4) + Rec(TabOther, {5, 's'}) + Recs(TabT, {7, 8}) +
                                Rec(TabOther, {9, 'L'}) + RecB(TabP, 255) + RecB(TabList, 0)));
}

// From IPos's low byte: next up to LastColumn (never 255), previous down to 1.
TEST_F(LayoutState, TabSearchesUseTheLowByte) {
    Stops(6), Stop(1, 'p'), Stop(66, 'p'), Stop(254, 'p'), Stop(255, 'p');
    const struct {
        int16_t pos;
        uint8_t last, next, prev;
    } cases[] = {
        {8, 65, 11, 6},    {6, 65, 11, 1},    {0, 65, 1, 1},    {1, 65, 6, 1},
        {-7, 65, 0, 1},    {2, 65, 6, 1},     {60, 65, 61, 56}, {61, 65, 0, 56},
        {255, 65, 1, 254}, {256, 65, 1, 255}, {-1, 65, 1, 1},   {257, 65, 6, 0},
        {300, 65, 46, 41}, {65, 65, 66, 61},  {68, 65, 0, 66},  {250, 255, 254, 66},
        {254, 255, 0, 66},
    };
    for (const auto& c : cases) {
        IPos = c.pos, LastColumn = c.last;
        EXPECT_EQ((V{FindNextTab(), FindPreviousTab()}), (V{c.next, c.prev})) << "IPos " << c.pos;
    }
}

// Back-off q: width - 1, r: width / 2, t: decimals else width - 1; no stop ahead: a space.
TEST_F(LayoutState, TabMovesAndBackOffs) {
    const struct {
        uint8_t type, wid, dec, code, back;
        int16_t end;
    } cases[] = {
        {'q', 6, 0, 'q', 5, 77}, {'q', 0, 0, 'q', 0, 77}, {'r', 9, 0, 'r', 4, 77},
        {'r', 1, 0, 'r', 0, 77}, {'t', 9, 3, 't', 3, 77}, {'t', 5, 0, 't', 4, 77},
        {'t', 0, 0, 't', 0, 77}, {'s', 9, 3, 's', 0, -1}, {'p', 9, 3, 'p', 0, -1},
        {'.', 9, 2, 't', 2, 77}, {'.', 5, 0, 't', 4, 77}, {'L', 9, 0, 'p', 0, -1},
    };
    for (const auto& c : cases) {
        Stop(20, c.type, '.');
        TabDataWid = c.wid, TabDecimal = c.dec, TabEndPtr = 77, IPos = 10;
        size_t m = Mark();
        WriteTab();
        EXPECT_EQ((V{IPos, TabType, TabEndPtr}), (V{20 - c.back, c.code, c.end})) << c.type;
        EndTab();
        EXPECT_EQ(Since(m), Hex(Move(c.code, 20, c.back, '.') + Close(c.code)));
    }
    size_t m = Mark();
    Stops(6), IPos = 8, WriteTab(), WriteTab(), IPos = 62, WriteTab(); // the tab stays open
    EXPECT_EQ((V{IPos, TabType}), (V{63, 'p'}));
    EXPECT_EQ(Since(m), Hex(Move('p', 11, 0) + Move('p', 16, 0) + B(" ")));
}

// A first line that runs without a line end up to the end of the window's
// data, with a byte of 0x80 or above and spaces near its end: there is no
// second line to measure, so no left indent is taken from those spaces.
TEST_F(LayoutState, AFirstLineUpToTheWindowsEndGivesNoIndent) {
    Bytes src(16383, 'a'); // all of the source in the window
    src[16378] = 0x82, src[16379] = ' ', src[16380] = ' ';
    LoadWindow(src, 15000);
    EXPECT_EQ(Para(), Hex(P));
    EXPECT_EQ(Lindent, 0);
}

// Leading spaces + 1 of lines one and two give Pindent and Lindent (one less in a margin).
TEST_F(LayoutState, IndentsMeasuredAndCancelled) {
    const Bytes hang = Line("first", 0) + Line("    second", 1), aligned = B("   x") + hang;
    const Bytes even = Line("   ab", 0) + Line("   cd", 1), flat = Line("ab", 0) + Line("cd ef", 1);
    const Bytes neg = Lf(0) + RecB(IndentNeg, 1) + Hg(4) + P; // Hindent 5 > Lindent 4
    const struct {
        void (*prep)();
        Bytes text, want;
        int ipos, iread;
        Bytes kill;
    } cases[] = {
        {[] { Stops(6); }, hang, Ruler({5}) + Hg(5) + P, 1, 0, Hg(0)},
        {[] { LtMargin = 10, Stops(5); }, Line("  ab", 0) + Line("      cd", 1),
         Ruler({2, 6}) + Lf(2) + Hg(6) + P, 2, 2, Lf(0) + Hg(0)},
        {[] { LtMargin = 1, TabArray[4][1] = 1; }, hang, Ruler({4}) + neg, 0, 0, Hg(0)},
        {[] { LtMargin = 1, TabArray[0][1] = TabArray[4][1] = 1; }, hang, neg, 0, 0, Hg(0)},
        {[] { LtMargin = 3; }, even, Ruler({3}) + Lf(3) + P, 3, 3, Lf(0)},
        {[] { LtMargin = 3, TabArray[3][1] = 1; }, even, Lf(3) + P, 3, 3, Lf(0)},
        {[] { LtMargin = 4; }, Line("      ab", 0) + Line("  cd", 1), // first line not lowered
         Ruler({2}) + Lf(2) + Fi(7) + P, 7, 6, Lf(0) + Fi(0)},
        {[] { Hard = 1; }, Line("   one", 1) + Line("    next", 0), Fi(4) + P, 4, 3, Fi(0)},
        {[] { Hard = 1, Pindent = 9; }, Line("one", 1), Fi(9) + P, 9, 0, Fi(0)}, // kept
        // second lines empty, one character long, without a leading space; double-spaced
        {nullptr, Line("ab", 0) + Line("", 1) + B("cd"), P, 1, 0, {}},
        {nullptr, Line("ab", 0) + Line(" ", 1) + B("cd"), P, 1, 0, {}},
        {nullptr, flat, P, 1, 0, {}},
        {[] { Lindent = 7; }, flat, Lf(7) + P, 7, 0, Lf(0)}, // still standing
        {nullptr, Line("ab", 3) + B("  ") + Line("    cd", 1), Ruler({5}) + Hg(5) + P, 1, 0, Hg(0)},
        // right or centred: spaces eaten, no indents; header text: not even that
        {[] { Alignment = 1; }, aligned, P, 1, 3, {}},
        {[] { Alignment = 2; }, aligned, P, 1, 3, {}},
        {[] { Header = 1; }, aligned, P, 1, 0, {}},
        {[] { Alignment = 3; }, aligned, Ruler({4, 5}) + Lf(4) + Hg(5) + P, 4, 3, Lf(0) + Hg(0)},
        // space counts wrap at 8 bits: (300 + 1) & 255 = 45, 256 & 255 = 0
        {[] { Hard = 1; }, Bytes(300, ' ') + Line("x", 1), Fi(45) + P, 45, 300, Fi(0)},
        {[] { Hard = 1; }, Bytes(255, ' ') + Line("x", 1), P, 1, 255, {}},
        // line end at 16380, spaces at 16381..16384: measured after an early refill
        {[] { IRead = 15000; }, Bytes(16375, 'a') + hang + Bytes(99, 'z'), Ruler({5}) + Hg(5) + P,
         1, 1024, Hg(0)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        InitEsp(), LoadWindow(c.text), Hard = Done = 0;
        if (c.prep)
            c.prep();
        EXPECT_EQ(Para(), Hex(c.want)) << i;
        EXPECT_EQ((V{IPos, IRead}), (V{c.ipos, c.iread})) << i;
        size_t m = Mark();
        KillIndents();
        EXPECT_EQ(Since(m), Hex(c.kill)) << i;
    }
}

// With no line end ahead the scans stop at the array's end, where InAt reads 0.
TEST_F(LayoutState, IndentScansStopAtTheArrayEnd) {
    LoadWindow(B("x"), 100);
    memset(InBuf + 100, ' ', sizeof InBuf - 100); // (16287 + 1) & 255 = 160
    EXPECT_EQ(Para(), Hex(Fi(160) + P));
    EXPECT_EQ(IRead, (int)sizeof InBuf);
    KillIndents(), LoadWindow(B("x"), 100);
    memcpy(InBuf + 100, "ab", 3);                 // line end at 102
    memset(InBuf + 103, ' ', sizeof InBuf - 103); // (16284 + 1) & 255 = 157
    EXPECT_EQ(Para(), Hex(Ruler({157}) + Hg(157) + P));
}

// 8-bit LastIPos and Lindent, one column no indent, KillIndents' fixed order.
TEST_F(LayoutState, IndentEdgeValues) {
    Rindent = 5, SoftCr = 1, InitPara();
    EXPECT_EQ((V{EndPos, LastIPos, SoftCr}), (V{60, 61, 0}));
    KillIndents(), Lindent = 3, Hindent = 2, LastColumn = 255, InitPara(); // 3 - 2: no 0x40
    EXPECT_EQ((V{IPos, LastIPos}), (V{1, 0}));
    KillIndents(), Lindent = 1, Pindent = 3, SetSpaceIndents();
    EXPECT_EQ((V{Lindent, Pindent}), (V{0, 3}));
    Pindent = 0, Hindent = 3, LtMargin = 2, SetSpaceIndents(); // Lindent 0 - 1
    EXPECT_EQ((V{Lindent, TabArray[0][TabStopByte]}), (V{255, 1}));
    memset(IndentFlag, 1, sizeof IndentFlag);
    Lindent = 4, Rindent = 3, Pindent = 2, Hindent = 1, NegIndent = 2;
    KillIndents(), KillIndents(); // a negative indent set by the caller is cancelled each time
    EXPECT_EQ((V{Lindent + Rindent + Pindent + Hindent, NegIndent}), (V{0, 2}));
    EXPECT_EQ(Since(mark_),
              Hex(Recs(IndentRight, {5}) + P + Recs(IndentRight, {0}) + Hg(3) + P + Hg(0) +
                  Ruler({255}) + Lf(0) + Hg(0) + Fi(0) + Recs(IndentRight, {0}) +
                  Recs(IndentTo, {0}) + Recs(IndentNeg, {0, 0})));
}

// The indents' two stops in column order, a column they share listed once.
TEST_F(LayoutState, IndentStopsInColumnOrder) {
    Pindent = 3, Lindent = 9, SetSpaceIndents();           // hanging: stops at 2 and 9
    Hindent = 4, Pindent = Lindent = 7, SetSpaceIndents(); // both at 7
    EXPECT_EQ(Since(mark_), Hex(Ruler({3, 9}) + Ruler({7})));
    EXPECT_EQ((V{TabArray[7][TabStopByte], TabArray[7][TabTypeByte], TabArray[3][TabStopByte]}),
              (V{1, 'p', 0}));
}

// Numbers are read as 16 bits.
TEST_F(LayoutState, NumbersAreRead16Bit) {
    int16_t pos = 0;
    LoadWindow(B("  42x 40000 70000"));
    EXPECT_EQ((V{ArrayToInteger(&pos), pos, ArrayToInteger(&pos), pos}), (V{42, 4, 0, 4}));
    pos = 5;
    EXPECT_EQ((V{ArrayToInteger(&pos), ArrayToInteger(&pos), pos}), (V{-25536, 4464, 17}));
    LoadWindow(B("   ")), InBuf[3] = '7', InBuf[4] = '3', InBuf[5] = ';', pos = 0; // ILimit 2
    EXPECT_EQ((V{ArrayToInteger(&pos), pos}), (V{0, 2})); // spaces stop at ILimit
    pos = 3;
    EXPECT_EQ((V{ArrayToInteger(&pos), pos}), (V{73, 5})); // digits are read on past it
}
} // namespace
