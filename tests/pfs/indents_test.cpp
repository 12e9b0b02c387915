// Indents and paragraph start: real paragraphs measured through the input
// window, settled into indents and stops, the records written at the
// paragraph start and their cancelling, and the small number readers.

#include <cstring>

#include "io/input.h"
#include "io/output.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {

class IndentsTest : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048);
        InitEsp(); // no indents, empty tab table, FirstColumn 1, LastColumn 65
        Hard = 0;  // the paragraph has more than one line
        mark_ = Mark();
    }
    Bytes Written() { return OutputSince(mark_); }
    // The paragraph's bytes become the input window.
    void Feed(const Bytes& text, int16_t readAt = 0) {
        LoadWindow(text, readAt);
        mark_ = Mark();
    }
    // The paragraph set-up as the body loop runs it.
    Bytes Para() {
        FigureIndents();
        InitPara();
        return last_ = OutputSince(mark_);
    }
    // The document's default stops: from 6 (5 inside a margin), every fifth below 65.
    void DefaultStops() {
        for (int c = LtMargin > 0 ? 5 : 6; c < 65; c += 5) TabArray[c][TabStopByte] = 1;
    }
    static Bytes Tabs(std::initializer_list<uint8_t> cols) {
        Bytes b = RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1);
        for (uint8_t c : cols) b = b + RecB(vnk::TabP, c);
        return b + RecB(vnk::TabList, 0);
    }
    static Bytes R(uint8_t code, uint8_t v) { return RecB(code, v); }
    const Bytes Start = RecB(vnk::ParaStart, 0);
    size_t mark_ = 0;
    Bytes last_; // what the last Para() wrote, for failure messages
};

Bytes Line(const std::string& text, uint8_t end) {
    return B(text) + Bytes{end};
}

TEST_F(IndentsTest, FirstLineIndentedRightOfTheRest) {
    // 5 spaces -> Pindent 6; the second line has none: no Lindent, no stops
    Feed(Line("     first line", 0) + Line("second", 1));
    SoftCr = 1;
    EXPECT_EQ(Para(), R(vnk::IndentFirst, 6) + Start) << Hex(last_);
    EXPECT_EQ(IRead, 5); // the spaces are stepped over, not copied
    EXPECT_EQ(IPos, 6);
    EXPECT_EQ(IndentFlag[3], 1);
    EXPECT_EQ(CrFlag + SoftCr, 0);
    EXPECT_EQ(EndPos, 65);
    EXPECT_EQ(LastIPos, 66);
}

TEST_F(IndentsTest, HangingParagraphAtTheLeftEdge) {
    // second line 4 spaces: Lindent 5; first at 0: Hindent 5, F 0.  The
    // default stops lack 5: the table becomes 5 and 0, and only 5 is listed.
    DefaultStops();
    Feed(Line("first", 0) + Line("    second", 1));
    EXPECT_EQ(Para(), Tabs({5}) + R(vnk::IndentHang, 5) + Start) << Hex(last_);
    EXPECT_EQ(TabArray[0][TabStopByte], 1);
    EXPECT_EQ(TabArray[6][TabStopByte], 0);
    EXPECT_EQ(IPos, 1);
    EXPECT_EQ(IndentFlag[1], 0);
    EXPECT_EQ(IndentFlag[2], 1);
}

TEST_F(IndentsTest, HangingParagraphInsideALeftMargin) {
    // 2 spaces -> 3, 6 -> 7: Hindent 4, F 3; margin: Lindent 6, F 2.
    // L = 6 - 4 = 2 > 1: 0x40 with 2; 0x43 with 6.
    LtMargin = 10;
    DefaultStops();
    Feed(Line("  ab", 0) + Line("      cd", 1));
    EXPECT_EQ(Para(), Tabs({2, 6}) + R(vnk::IndentLeft, 2) + R(vnk::IndentHang, 6) + Start)
        << Hex(last_);
    EXPECT_EQ(IPos, 2);
    size_t m = Mark();
    KillIndents(); // the paragraph's hard return
    EXPECT_EQ(OutputSince(m), R(vnk::IndentLeft, 0) + R(vnk::IndentHang, 0));
}

// First line at column 0, the rest at 5, inside a margin: Lindent 4, F -1,
// which stands for column 0 (entry 0 set, never listed).  Hindent 5 > 4:
// 0x40 with 0, 0x46 with 1, IPos 1 - 1 = 0.
TEST_F(IndentsTest, HangingFromColumnZeroInsideAMargin) {
    const Bytes para = Line("first", 0) + Line("    second", 1);
    const Bytes records =
        R(vnk::IndentLeft, 0) + R(vnk::IndentNeg, 1) + R(vnk::IndentHang, 4) + Start;
    LtMargin = 1;
    DefaultStops();
    Feed(para);
    EXPECT_EQ(Para(), Tabs({4}) + records) << Hex(last_);
    EXPECT_EQ(IPos, 0);
    EXPECT_EQ(TabArray[0][TabStopByte], 1);
    EXPECT_EQ(IndentFlag[1], 0); // neither record is entered
    KillIndents();
    Feed(para); // stops at 4 and at column 0 are there now: no new list
    EXPECT_EQ(Para(), records) << Hex(last_);
}

TEST_F(IndentsTest, EvenlyIndentedParagraph) {
    // 3 and 3 spaces: Pindent = Lindent = 4 -> one left indent of 4
    const Bytes para = Line("   ab", 0) + Line("   cd", 1);
    Feed(para);
    EXPECT_EQ(Para(), Tabs({4}) + R(vnk::IndentLeft, 4) + Start) << Hex(last_);
    EXPECT_EQ(IPos, 4);
    EXPECT_EQ(Pindent, 0);
    KillIndents();
    LtMargin = 3; // inside a margin one column less
    Feed(para);
    EXPECT_EQ(Para(), Tabs({3}) + R(vnk::IndentLeft, 3) + Start) << Hex(last_);
    KillIndents();
    Feed(para); // stop 3 is in the table: no new list
    EXPECT_EQ(Para(), R(vnk::IndentLeft, 3) + Start) << Hex(last_);
}

TEST_F(IndentsTest, FirstLineColumnIsNotLoweredByTheMargin) {
    // 6 spaces -> 7, 2 -> 3; 7 > 3 stays; the margin lowers Lindent to 2 only
    LtMargin = 4;
    Feed(Line("      ab", 0) + Line("  cd", 1));
    EXPECT_EQ(Para(), Tabs({2}) + R(vnk::IndentLeft, 2) + R(vnk::IndentFirst, 7) + Start)
        << Hex(last_);
    EXPECT_EQ(IPos, 7);
}

TEST_F(IndentsTest, OnlyTheFirstLineOfAOneLineParagraphIsMeasured) {
    Hard = 1;
    Feed(Line("   only", 1) + Line("    next", 0));
    EXPECT_EQ(Para(), R(vnk::IndentFirst, 4) + Start) << Hex(last_);
    EXPECT_EQ(Lindent, 0);
    KillIndents();
    Pindent = 9; // without leading spaces Pindent keeps what it has
    Feed(Line("only", 1));
    EXPECT_EQ(Para(), R(vnk::IndentFirst, 9) + Start) << Hex(last_);
}

TEST_F(IndentsTest, SecondLinesThatAreNotMeasured) {
    const Bytes cases[] = {
        Line("ab", 0) + Line("", 1) + B("cd"),  // empty
        Line("ab", 0) + Line(" ", 1) + B("cd"), // one character long
        Line("ab", 0) + Line("cd  ef", 1),      // no leading space
    };
    for (const Bytes& para : cases) {
        Feed(para);
        EXPECT_EQ(Para(), Start) << Hex(para);
        KillIndents();
    }
    Lindent = 7; // a Lindent still standing (no hard return since) is kept
    Feed(cases[2]);
    EXPECT_EQ(Para(), R(vnk::IndentLeft, 7) + Start) << Hex(last_);
}

TEST_F(IndentsTest, DoubleSpacedLineEndSkipsItsTwoFillerBytes) {
    // 0x03 at 2, filler at 3 and 4, 4 spaces from 5: Lindent 5 (7 if the
    // filler were counted)
    Feed(Line("ab", 3) + B("  ") + Line("    cd", 1));
    EXPECT_EQ(Para(), Tabs({5}) + R(vnk::IndentHang, 5) + Start) << Hex(last_);
}

TEST_F(IndentsTest, AlignedAndHeaderTextGetsNoIndents) {
    const Bytes para = Line("   right", 0) + Line("    next", 1);
    for (uint8_t a : {1, 2}) {
        Alignment = a;
        Feed(para);
        EXPECT_EQ(Para(), Start) << "alignment " << int(a) << ": " << Hex(last_);
        EXPECT_EQ(IRead, 3); // spaces eaten
        EXPECT_EQ(Pindent + Lindent + Hindent, 0);
    }
    Alignment = 0, Header = 1; // header text: not even the spaces are stepped over
    Feed(para);
    EXPECT_EQ(Para(), Start) << Hex(last_);
    EXPECT_EQ(IRead, 0);
    Alignment = 3, Header = 0; // justified text is measured: 4 and 5 -> Hindent 1, F 4
    Feed(para);
    EXPECT_EQ(Para(), Tabs({4, 5}) + R(vnk::IndentLeft, 4) + R(vnk::IndentHang, 5) + Start)
        << Hex(last_);
}

TEST_F(IndentsTest, SpaceCountsWrapAtEightBits) {
    Hard = 1;
    Feed(Bytes(300, ' ') + Line("x", 1)); // (300 + 1) & 255 = 45
    EXPECT_EQ(Para(), R(vnk::IndentFirst, 45) + Start) << Hex(last_);
    EXPECT_EQ(IRead, 300);
    KillIndents();
    Feed(Bytes(255, ' ') + Line("x", 1)); // 256 & 255 = 0: no first-line indent
    EXPECT_EQ(Para(), Start) << Hex(last_);
}

// A damaged window with no line end ahead: the scans run to the end of the
// array, where the bytes outside read as 0, a line end.
TEST_F(IndentsTest, ScansStopAtTheEndOfTheArray) {
    Feed(B("x"));
    memset(InBuf + 100, ' ', sizeof InBuf - 100);
    IRead = 100; // 16287 spaces: (16287 + 1) & 255 = 160
    EXPECT_EQ(Para(), R(vnk::IndentFirst, 160) + Start) << Hex(last_);
    EXPECT_EQ(IRead, (int)sizeof InBuf);
    KillIndents();
    Feed(B("x"));
    memcpy(InBuf + 100, "ab", 3);                 // line end at 102
    memset(InBuf + 103, ' ', sizeof InBuf - 103); // 16284 spaces: 16285 & 255 = 157
    IRead = 100;
    EXPECT_EQ(Para(), Tabs({157}) + R(vnk::IndentHang, 157) + Start) << Hex(last_);
}

TEST_F(IndentsTest, ParagraphNearTheWindowEndIsMeasuredAfterARefill) {
    // line end at 16380, 4 spaces at 16381..16384: the first window holds 3
    Bytes doc = Bytes(15000, 'x') + Bytes(1380, 'a') + Bytes{0x00} + Line("    cd", 1) +
                Bytes{0x0E} + Bytes(100, 'z');
    Feed(doc, 15000);
    EXPECT_EQ(Para(), Tabs({5}) + R(vnk::IndentHang, 5) + Start) << Hex(last_);
    EXPECT_EQ(IRead, 1024); // the keep-back lies in front
    EXPECT_EQ(InBuf[IRead], 'a');
}

TEST_F(IndentsTest, ParagraphStartRecords) {
    Rindent = 5; // a restored right indent
    InitPara();
    EXPECT_EQ(Written(), R(vnk::IndentRight, 5) + Start);
    EXPECT_EQ(EndPos, 60);
    EXPECT_EQ(LastIPos, 61);
    EXPECT_EQ(IndentFlag[4], 1);
    KillIndents();
    size_t m = Mark();
    Lindent = 3, Hindent = 2; // L = 1, not beyond the first column: no 0x40
    LastColumn = 255;         // LastIPos 256 kept to 8 bits
    InitPara();
    EXPECT_EQ(OutputSince(m), R(vnk::IndentHang, 3) + Start);
    EXPECT_EQ(IPos, 1);
    EXPECT_EQ(IndentFlag[1], 0);
    EXPECT_EQ(LastIPos, 0);
}

TEST_F(IndentsTest, SettlingEdgeValues) {
    Lindent = 1, Pindent = 3; // one column is no left indent: nothing to settle
    SetSpaceIndents();
    EXPECT_EQ(Written(), Bytes{});
    EXPECT_EQ(Lindent, 0);
    EXPECT_EQ(Pindent, 3);
    // a hanging indent left over (no hard return since) and a second line of
    // 255 spaces (Lindent 0): inside a margin Lindent 0 - 1 wraps to 255, F -1
    Pindent = 0, Hindent = 3, LtMargin = 2;
    SetSpaceIndents();
    EXPECT_EQ(Lindent, 255);
    EXPECT_EQ(Written(), Tabs({255})) << Hex(Written());
    EXPECT_EQ(TabArray[0][TabStopByte], 1);
}

TEST_F(IndentsTest, KillIndentsCancelsInFixedOrder) {
    for (uint8_t& f : IndentFlag) f = 1;
    Lindent = 4, Rindent = 3, Pindent = 2, Hindent = 1, NegIndent = 2;
    KillIndents();
    Bytes want = R(vnk::IndentLeft, 0) + R(vnk::IndentHang, 0) + R(vnk::IndentFirst, 0) +
                 R(vnk::IndentRight, 0) + R(vnk::IndentTo, 0) + R(vnk::IndentNeg, 0);
    EXPECT_EQ(Written(), want) << Hex(Written());
    EXPECT_EQ(Lindent + Rindent + Pindent + Hindent, 0);
    for (uint8_t f : IndentFlag) EXPECT_EQ(f, 0);
    EXPECT_EQ(NegIndent, 2); // left alone
    size_t m = Mark();
    IndentFlag[3] = IndentFlag[5] = 1;
    NegIndent = 0;
    KillIndents();
    EXPECT_EQ(OutputSince(m), R(vnk::IndentFirst, 0) + R(vnk::IndentTo, 0));
}

TEST_F(IndentsTest, IndentToTheNextStop) {
    DefaultStops();
    IPos = 8;
    IndentToTab();
    EXPECT_EQ(Lindent, 11);
    EXPECT_EQ(IPos, 11);
    IPos = 62; // no stop ahead: the position itself
    IndentToTab();
    EXPECT_EQ(Lindent, 62);
    EXPECT_EQ(IPos, 62);
    Lindent = 11, CrFlag = 1; // at a paragraph start only the position moves
    IndentOrNot();
    EXPECT_EQ(IPos, 11);
    EXPECT_EQ(Written(), Bytes{});
    CrFlag = 0;
    IndentOrNot();
    KillIndents();
    EXPECT_EQ(Written(), R(vnk::IndentTo, 11) + R(vnk::IndentTo, 0)) << Hex(Written());
}

TEST_F(IndentsTest, ReadingNumbers) {
    LoadWindow(B("  42x"));
    int16_t pos = 0;
    EXPECT_EQ(ArrayToInteger(&pos), 42);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(ArrayToInteger(&pos), 0); // on a letter: 0, pos stays
    EXPECT_EQ(pos, 4);
    LoadWindow(B("40000 70000")); // 16 bits: -25536 and 70000 - 65536
    pos = 0;
    EXPECT_EQ(ArrayToInteger(&pos), -25536);
    EXPECT_EQ(ArrayToInteger(&pos), 4464);
    EXPECT_EQ(pos, 11);
    LoadWindow(B("7")); // digits are read on past the limit
    InBuf[1] = '3', InBuf[2] = ';';
    pos = 0;
    EXPECT_EQ(ArrayToInteger(&pos), 73);
    EXPECT_EQ(pos, 2);
    LoadWindow(B("    ")); // ILimit 3: stops there though it is a space
    pos = 0;
    DeleteSpaces(&pos);
    EXPECT_EQ(pos, 3);
}

} // namespace
