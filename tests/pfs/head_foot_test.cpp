// Headers, footers, footnotes and column layouts: the bracketing records and
// the body's state put aside and brought back around them.

#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {

class HeadFootTest : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048);
        InitEsp(); // FirstColumn 1, every flag clear
        mark_ = Mark();
    }
    Bytes Written() { return OutputSince(mark_); }
    static Bytes Opening(uint8_t kind) {
        return RecB(vnk::HeadFoot, kind) + RecB(vnk::HeadFootDef, kind);
    }
    static Bytes Column(uint8_t n, uint8_t start, uint8_t end) {
        return RecB(vnk::ColumnNo, n) + RecB(vnk::ColumnStart, start) + RecB(vnk::ColumnEnd, end);
    }
    size_t mark_ = 0;
};

TEST_F(HeadFootTest, OddKindsOpenHeadersEvenKindsFooters) {
    for (uint8_t kind : {2, 1, 3, 4}) {
        size_t m = Mark();
        StartHeadFoot(kind);
        EXPECT_EQ(OutputSince(m), Opening(kind)) << int(kind);
        EXPECT_EQ(Header, kind & 1) << int(kind);
        EXPECT_EQ(Footer, 1 - (kind & 1)) << int(kind);
        EndHeadFoot(); // no indents in force: only the closing record
        EXPECT_EQ(OutputSince(m), Opening(kind) + RecB(vnk::HeadFootDef, 0)) << int(kind);
        EXPECT_EQ(Header + Footer, 0);
    }
}

// A body paragraph in progress (hanging indent, bold, at column 20) meets a
// header whose text has a first-line indent.  Closing the header cancels
// only the header's indent; the body's indents, flags and position return
// without a record, so the body's own hard return cancels the body's.
TEST_F(HeadFootTest, HeaderInsideABodyParagraph) {
    Lindent = 6, Hindent = 4, CrFlag = 0, IPos = 20;
    IndentFlag[1] = IndentFlag[2] = 1;
    PutBold(1);
    size_t m = Mark();

    StartHeadFoot(1);
    EXPECT_EQ(OutputSince(m), Opening(1)) << Hex(OutputSince(m)); // body records stay in force
    EXPECT_EQ(Header, 1);
    EXPECT_EQ(CrFlag, 1);
    EXPECT_EQ(IPos, 1);
    EXPECT_EQ(Bold, 0);
    EXPECT_EQ(Lindent + Hindent, 0);
    EXPECT_EQ(IndentFlag[1] + IndentFlag[2], 0);

    Pindent = 5;
    InitPara(); // the header's paragraph: 0x42 with 5, 0xD6
    EndHeadFoot();
    Bytes want = Opening(1) + RecB(vnk::IndentFirst, 5) + RecB(vnk::ParaStart, 0) +
                 RecB(vnk::IndentFirst, 0) + RecB(vnk::HeadFootDef, 0);
    EXPECT_EQ(OutputSince(m), want) << Hex(OutputSince(m));
    EXPECT_EQ(Header, 0);
    EXPECT_EQ(CrFlag, 0);
    EXPECT_EQ(IPos, 20);
    EXPECT_EQ(Bold, 1);
    EXPECT_EQ(Lindent, 6);
    EXPECT_EQ(Hindent, 4);
    EXPECT_EQ(Pindent, 0);
    EXPECT_EQ(IndentFlag[3], 0);

    m = Mark();
    KillIndents();
    EXPECT_EQ(OutputSince(m), RecB(vnk::IndentLeft, 0) + RecB(vnk::IndentHang, 0));
}

TEST_F(HeadFootTest, FootnoteEndCancelsItsIndentsAndRestores) {
    PutUnderScore(1);
    IPos = 33, CrFlag = 0;
    size_t m = Mark();
    Footnote = 1; // the opening is the caller's: flag and saved state
    SaveFlags();
    Rindent = 4;
    InitPara(); // 0x41 with 4, 0xD6
    EndFootnote();
    Bytes want = RecB(vnk::IndentRight, 4) + RecB(vnk::ParaStart, 0) +
                 RecB(vnk::IndentRight, 0) + RecB(vnk::FootnoteEnd, 0);
    EXPECT_EQ(OutputSince(m), want) << Hex(OutputSince(m));
    EXPECT_EQ(Footnote, 0);
    EXPECT_EQ(UnderScore, 1);
    EXPECT_EQ(IPos, 33);
    EXPECT_EQ(CrFlag, 0);
    EXPECT_EQ(Rindent, 0);
}

TEST_F(HeadFootTest, CancelAlignmentAlwaysWrites) {
    Alignment = 2;
    CancelAlignment();
    EXPECT_EQ(Alignment, 0);
    CancelAlignment();
    EXPECT_EQ(Written(), RecB(vnk::Align, 0) + RecB(vnk::Align, 0));
}

TEST_F(HeadFootTest, ColumnLayout) {
    ColArray[1][1] = 1, ColArray[1][2] = 30;
    ColArray[2][1] = 35, ColArray[2][2] = 64;
    CrFlag = 0;
    BeginColumnLayout();
    EXPECT_EQ(Written(), Column(1, 1, 30)) << Hex(Written());
    EXPECT_EQ(InColumn, 1);
    EXPECT_EQ(ColArrPtr, 1);
    EXPECT_EQ(IPos, 1);
    EXPECT_EQ(CrFlag, 1);

    CrFlag = 0;
    size_t m = Mark();
    GetNextColumn();
    EXPECT_EQ(OutputSince(m), Column(2, 35, 64)) << Hex(OutputSince(m));
    EXPECT_EQ(IPos, 35);
    EXPECT_EQ(CrFlag, 1);

    CrFlag = 0;
    m = Mark();
    EndColumnLayout();
    EXPECT_EQ(OutputSince(m), RecB(vnk::ColumnNo, 0));
    EXPECT_EQ(ColArrPtr, 0);
    EXPECT_EQ(InColumn, 0);
    EXPECT_EQ(CrFlag, 1);
    EXPECT_EQ(IPos, 1);
}

// The table has 50 columns; asked for one more, the layout stays in the
// 50th and writes its records again.
TEST_F(HeadFootTest, NextColumnStopsAtTheFiftieth) {
    ColArray[50][1] = 200, ColArray[50][2] = 250;
    BeginColumnLayout();
    for (int i = 2; i <= 50; ++i) GetNextColumn();
    EXPECT_EQ(ColArrPtr, 50);
    size_t m = Mark();
    GetNextColumn();
    GetNextColumn();
    EXPECT_EQ(OutputSince(m), Column(50, 200, 250) + Column(50, 200, 250)) << Hex(OutputSince(m));
    EXPECT_EQ(ColArrPtr, 50);
    EXPECT_EQ(IPos, 200);
}

} // namespace
