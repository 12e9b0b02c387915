// Tab stops: the table, its list in the stream, the searches and the tab
// moves with their back-offs.

#include "io/input.h"
#include "io/output.h"
#include "pfs/line_ends.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {

class TabsTest : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048);
        InitEsp(); // empty table, LastColumn 65
        mark_ = Mark();
    }
    Bytes Written() { return OutputSince(mark_); }
    // A document with margins 0 and 65: stops at 6, 11, ..., 61.
    void DefaultRuler() {
        for (int c = 6; c < 65; c += 5) TabArray[c][TabStopByte] = 1;
    }
    void Stop(int column, uint8_t type, uint8_t leader = 0) {
        TabArray[column][TabStopByte] = 1;
        TabArray[column][TabTypeByte] = type;
        TabArray[column][TabLeaderByte] = leader;
    }
    // A move to column c with back-off b.
    static Bytes Move(uint8_t code, uint8_t c, uint8_t b, uint8_t leader = 0) {
        return RecB(vnk::TabLeader, leader) + RecB(vnk::TabBackOff, b) + RecB(code, c);
    }
    static Bytes Close(uint8_t code) { return RecB(code, 0) + RecB(vnk::TabLeader, 0); }
    size_t mark_ = 0;
};

TEST_F(TabsTest, InitializeEmptiesTheTableWithOrdinaryTypes) {
    Stop(0, 'q', 9);
    Stop(40, 't', 9);
    InitializeTabs();
    EXPECT_EQ(Written(), RecB(vnk::TabClear, 0));
    EXPECT_EQ(TabArray[0][0] + TabArray[0][1] + TabArray[0][2], 0);
    for (int c = 1; c < 256; ++c) {
        ASSERT_EQ(TabArray[c][TabLeaderByte] + TabArray[c][TabStopByte], 0) << c;
        ASSERT_EQ(TabArray[c][TabTypeByte], 'p') << c;
    }
}

TEST_F(TabsTest, DefaultRulerIsWrittenAsAList) {
    DefaultRuler();
    SetTabs();
    Bytes want = RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1);
    for (int c = 6; c <= 61; c += 5) want = want + RecB(vnk::TabP, (uint8_t)c);
    EXPECT_EQ(Written(), want + RecB(vnk::TabList, 0)) << Hex(Written());
}

TEST_F(TabsTest, ListCodesFollowTheStopType) {
    Stop(0, 'p');      // column 0 is never listed
    Stop(3, 'q', '.'); // leaders are not listed
    Stop(4, 'r');
    Stop(5, 's'); // no list code of its own: 0x75 with column and type
    Stop(7, 't');
    Stop(8, '.'); // listed as a decimal stop
    Stop(9, 'L');
    Stop(255, 'p');
    SetTabs();
    Bytes want = RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1) + RecB(vnk::TabQ, 3) +
                 RecB(vnk::TabR, 4) + Rec(vnk::TabOther, {5, 's'}) + RecB(vnk::TabT, 7) +
                 RecB(vnk::TabT, 8) + Rec(vnk::TabOther, {9, 'L'}) + RecB(vnk::TabP, 255) +
                 RecB(vnk::TabList, 0);
    EXPECT_EQ(Written(), want) << Hex(Written());
}

TEST_F(TabsTest, FindNextTabLooksAfterThePositionUpToTheLastColumn) {
    DefaultRuler();
    Stop(70, 'p');
    const struct { int16_t pos; uint8_t want; } cases[] = {
        {8, 11}, {6, 11}, {5, 6}, {0, 6}, {60, 61},
        {61, 0},  // 62..65 hold none; 65 is the last column
        {255, 6}, // low byte 255: the search wraps round to entry 0
        {256, 6}, {-1, 6},
        {69, 70}, // the column right after the position counts even past 65
        {68, 0},  // 69 holds none and lies past 65
    };
    for (auto& c : cases) {
        IPos = c.pos;
        EXPECT_EQ(FindNextTab(), c.want) << "IPos " << c.pos;
    }
}

TEST_F(TabsTest, ColumnTwoFiftyFiveIsNeverFound) {
    Stop(255, 'p');
    LastColumn = 255;
    for (int16_t pos : {250, 254, 255}) {
        IPos = pos;
        EXPECT_EQ(FindNextTab(), 0) << "IPos " << pos;
    }
    Stop(254, 'p');
    IPos = 250;
    EXPECT_EQ(FindNextTab(), 254);
}

TEST_F(TabsTest, FindPreviousTab) {
    const struct { int16_t pos; uint8_t want; } cases[] = {
        {1, 1}, {0, 1}, {-7, 1}, // at the line's start: 1
        {2, 0},                  // column 1 holds none
        {20, 16}, {11, 6}, {12, 11}, {6, 0},
        {300, 41}, // low byte 44: from 43 down
        {257, 0},  // low byte 1: nothing before it
    };
    DefaultRuler();
    for (auto& c : cases) {
        IPos = c.pos;
        EXPECT_EQ(FindPreviousTab(), c.want) << "IPos " << c.pos;
    }
    Stop(1, 'p');
    IPos = 2;
    EXPECT_EQ(FindPreviousTab(), 1);
}

TEST_F(TabsTest, TabToAnOrdinaryStopAndItsHardReturn) {
    DefaultRuler();
    IPos = 8;
    TabEndPtr = 123;
    WriteTab();
    WriteTab(); // an open tab is not closed by the next one: 11, then 16
    EXPECT_EQ(Written(), Move(vnk::TabP, 11, 0) + Move(vnk::TabP, 16, 0)) << Hex(Written());
    EXPECT_EQ(IPos, 16);
    EXPECT_EQ(TabType, vnk::TabP);
    EXPECT_EQ(TabEndPtr, -1);
    size_t m = Mark();
    PutHardCr(); // closes the tab before the 0x0D
    EXPECT_EQ(OutputSince(m), Close(vnk::TabP) + Bytes{0x0D}) << Hex(OutputSince(m));
    EXPECT_EQ(TabType, 0);
}

TEST_F(TabsTest, TabWithNoStopAheadIsASpace) {
    DefaultRuler();
    IPos = 62;
    WriteTab();
    EXPECT_EQ(Written(), Bytes{' '});
    EXPECT_EQ(IPos, 63);
    EXPECT_EQ(TabType, 0);
}

TEST_F(TabsTest, BackOffsByStopType) {
    const struct { uint8_t type, wid, dec, back; } cases[] = {
        {vnk::TabQ, 6, 0, 5}, // width - 1
        {vnk::TabQ, 0, 0, 0}, // no width: none
        {vnk::TabR, 9, 0, 4}, // 9 / 2 rounded down
        {vnk::TabR, 1, 0, 0},
        {vnk::TabT, 9, 3, 3}, // the decimal count wins
        {vnk::TabT, 5, 0, 4}, // no decimal count: width - 1
        {vnk::TabT, 0, 0, 0},
        {vnk::TabS, 9, 3, 0}, // no back-off
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << int(c.type) << " wid " << int(c.wid)
                                          << " dec " << int(c.dec));
        Stop(20, c.type, '.');
        TabDataWid = c.wid, TabDecimal = c.dec, TabEndPtr = 77, IPos = 10;
        size_t m = Mark();
        WriteTab();
        EXPECT_EQ(OutputSince(m), Move(c.type, 20, c.back, '.')) << Hex(OutputSince(m));
        EXPECT_EQ(IPos, 20 - c.back);
        EXPECT_EQ(TabType, c.type);
        // q, r and t leave the end pointer to the caller; s clears it
        EXPECT_EQ(TabEndPtr, c.type == vnk::TabS ? -1 : 77);
        m = Mark();
        EndTab();
        EXPECT_EQ(OutputSince(m), Close(c.type)) << Hex(OutputSince(m));
    }
}

// A '.' stop moves as a decimal stop; any other foreign type as an ordinary one.
TEST_F(TabsTest, StopsOfOtherTypesMoveAsDecimalOrOrdinary) {
    Stop(20, '.');
    TabDecimal = 2, IPos = 10;
    WriteTab(); // 0x74, back-off 2
    EXPECT_EQ(TabType, vnk::TabT);
    EXPECT_EQ(IPos, 18);
    EndTab();
    TabDecimal = 0, TabDataWid = 5, IPos = 10;
    WriteTab(); // 0x74, back-off 5 - 1
    EXPECT_EQ(IPos, 16);
    EndTab();
    Stop(20, 'L');
    TabDataWid = 9, TabEndPtr = 5, IPos = 10;
    WriteTab(); // 0x70, no back-off, end pointer cleared
    EXPECT_EQ(TabEndPtr, -1);
    EXPECT_EQ(IPos, 20);
    EndTab();
    Bytes want = Move(vnk::TabT, 20, 2) + Close(vnk::TabT) + Move(vnk::TabT, 20, 4) +
                 Close(vnk::TabT) + Move(vnk::TabP, 20, 0) + Close(vnk::TabP);
    EXPECT_EQ(Written(), want) << Hex(Written());
}

TEST_F(TabsTest, CheckTabEndClosesAtTheEndPointerOnly) {
    TabEndPtr = IRead = 0;
    CheckTabEnd(); // no tab open: nothing, even at the pointer
    EXPECT_EQ(Written(), Bytes{});
    Stop(20, 'q');
    TabEndPtr = 50, IPos = 10;
    WriteTab();
    size_t m = Mark();
    IRead = 49;
    CheckTabEnd();
    EXPECT_EQ(OutputSince(m), Bytes{});
    IRead = 50;
    CheckTabEnd();
    EXPECT_EQ(OutputSince(m), Close(vnk::TabQ)) << Hex(OutputSince(m));
    EXPECT_EQ(TabType, 0);
    EXPECT_EQ(TabEndPtr, -1);
}

} // namespace
