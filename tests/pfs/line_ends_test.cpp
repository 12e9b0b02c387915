// Line ends through whole translations: soft joins, hard returns, empty
// lines, the Hard state, double spacing, tabs across line ends, page breaks,
// the line counter, and the word wrap service.
//
// Every body below starts with Hard set (the setup does that), so the first
// line end of a document is hard; its code decides the next one.

#include "io/input.h"
#include "io/output.h"
#include "pfs/body.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"


namespace {


class LineEnds : public TranslatorTest {
  protected:
    // Translates a document with the default header; returns the stream
    // after the setup records.
    Bytes Run(const Bytes& body) { return TranslateBody(body); }
};

TEST_F(LineEnds, HyphenJoinsWithoutSpaceOtherSoftEndsAddOneAndDropLeadingSpaces) {
    // "A" is a one-line paragraph (hard, code 0 clears Hard); then
    // "ab-" / "cd" / "  ef": after the hyphen nothing, then one space, and
    // the continuation's two spaces are eaten.
    Bytes out = Run(B("A") + Bytes{0} + B("ab-") + Bytes{0} + B("cd") + Bytes{0} + B("  ef") + Eot);
    EXPECT_EQ(Hex(out), Hex(P + B("A") + CR + P + B("ab-cd ef") + CR));
}

TEST_F(LineEnds, ThreeEmptyLinesGiveFourReturnsWithTheCancelAfterTheFirst) {
    // 5 leading spaces -> code 0x42 with 6.  The hard end writes 0x0D and the
    // cancel, each empty line (space, code 0) one more 0x0D.
    Bytes body = B("     Para") + Bytes{0} + B(" ") + Bytes{0} + B(" ") + Bytes{0} + B(" ") +
                 Bytes{0} + B("Next") + Eot;
    Bytes want = RecB(vnk::IndentFirst, 6) + P + B("Para") + CR + RecB(vnk::IndentFirst, 0) + CR +
                 CR + CR + P + B("Next") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
}

TEST_F(LineEnds, HardComesFromTheLastCodePassedIncludingEmptyLines) {
    // Hard clear: "abc" 0 "defgh" 1, empty line " " 0, then "xyz" 0 "uv".
    // The 0x01 would make the next end hard, but the empty line's code 0
    // clears it again, so "xyz" and "uv" are joined by a space.
    Bytes body = B("A") + Bytes{0} + B("abc") + Bytes{0} + B("defgh") + Bytes{1} + B(" ") +
                 Bytes{0} + B("xyz") + Bytes{0} + B("uv") + Eot;
    Bytes want = P + B("A") + CR + P + B("abc defgh") + CR + CR + P + B("xyz uv") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
    EXPECT_EQ(Hard, 0);
}

TEST_F(LineEnds, CodeOneMakesTheNextEndHardEvenBeforeText) {
    // "ab" 1 "cd" 0 "ef": the end after ab is soft (Hard was cleared by
    // the code after A), the end after cd hard because of the 1.
    Bytes body = B("A") + Bytes{0} + B("ab") + Bytes{1} + B("cd") + Bytes{0} + B("ef") + Eot;
    EXPECT_EQ(Hex(Run(body)), Hex(P + B("A") + CR + P + B("ab cd") + CR + P + B("ef") + CR));
}

TEST_F(LineEnds, FormatRecordsAfterALineEnd) {
    // "ab" 0 then 0x07 directly: soft, but no space before a format record.
    // "cd" 0 then a space and 0x07: hard; the record (flag 1, columns 2 and
    // 60 -> 288 and 8640 twips) opens the next paragraph.
    Bytes rec = {0x07, 0x05, 0x01, 0x02, 0x3C};
    Bytes body = B("A") + Bytes{0} + B("ab") + Bytes{0} + Bytes{0x07, 0x05, 0x00, 0x00, 0x00} +
                 B("cd") + Bytes{0} + B(" ") + rec + B("ef") + Eot;
    Bytes want = P + B("A") + CR + P + B("abcd") + CR + P + RecI(vnk::LeftMarg, 288) +
                 RecI(vnk::RightMarg, 8640) + B("ef") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
}

TEST_F(LineEnds, ByteBeforeAFormatRecordIsSteppedOver) {
    // After the soft end of "ab", the byte after "c" opens format records:
    // Hard is set and reading moves on by one, past the "c".
    Bytes body = B("A") + Bytes{0} + B("ab") + Bytes{0} + B("c") + Bytes{0x07, 5, 0, 0, 0} +
                 B("d") + Eot;
    EXPECT_EQ(Hex(Run(body)), Hex(P + B("A") + CR + P + B("ab d") + CR));
    EXPECT_EQ(Hard, 1);
}

TEST_F(LineEnds, EndOfTextDoesNotCancelIndents) {
    EXPECT_EQ(Hex(Run(B("     Para") + Eot)), Hex(RecB(vnk::IndentFirst, 6) + P + B("Para") + CR));
}

TEST_F(LineEnds, DoubleSpacingIsWrittenOnceAndSwitchedBack) {
    // "A" 3: hard, value 3 -> 480.  "B" 2 + fillers " " 2: fillers
    // skipped, Hard still set from the 3 -> hard, no new record.  "C" 0 +
    // fillers " " 0: soft (space), value 0 -> 240, fillers gone.
    Bytes body = B("A") + Bytes{3} + B("B") + Bytes{2, ' ', 2} + B("C") + Bytes{0, ' ', 0} +
                 B("D") + Eot;
    Bytes want = P + B("A") + CR + RecI(vnk::Spacing, 480) + P + B("B") + CR + P + B("C ") +
                 RecI(vnk::Spacing, 240) + B("D") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
    EXPECT_EQ(LineSpacing, 240);
    EXPECT_EQ(DoubleSpace, 0);
}

TEST_F(LineEnds, DoubleSpacedEmptyLineIsOneMoreReturn) {
    // After "A" 2 the text is double spaced.  "B" 2, fillers " " 2, then
    // an empty line " " 2 " " 2: hard return plus one for the empty line
    // (skipped as 4 bytes); "C" 2 " " 2 "D": soft.
    Bytes body = B("A") + Bytes{2} + B("B") + Bytes{2, ' ', 2, ' ', 2, ' ', 2} + B("C") +
                 Bytes{2, ' ', 2} + B("D") + Eot;
    Bytes want = P + B("A") + CR + RecI(vnk::Spacing, 480) + P + B("B") + CR + CR + P +
                 B("C D") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
}

TEST_F(LineEnds, DoubleSpacedFillerOfTwoCodesSkipsOneMore) {
    // After "B" 0 the filler bytes x 2 are skipped and the current byte is
    // another 2 with no space after it: it is skipped too.  Soft; the value
    // (the 2 before "C") keeps double spacing.
    Bytes body = B("A") + Bytes{2} + B("B") + Bytes{0, 'x', 2, 2} + B("C") + Eot;
    Bytes want = P + B("A") + CR + RecI(vnk::Spacing, 480) + P + B("B C") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
    EXPECT_EQ(DoubleSpace, 1);
}

TEST_F(LineEnds, FormatRecordAfterDoubleSpacedFillers) {
    // "C" 0, fillers " " and 0x07: the record is read from the line end
    // (left 0, right 80 columns = 11520 = 0x2D00).  The last byte written
    // is then 0x2D, a hyphen, so the soft end adds no space; the value
    // byte (0x50, the record's right margin) is no line-end code and
    // changes neither Hard nor the spacing.
    Bytes body = B("A") + Bytes{2} + B("B") + Bytes{0, ' ', 2} + B("C") +
                 Bytes{0, ' ', 0x07, 5, 1, 0, 80} + B("D") + Eot;
    Bytes want = P + B("A") + CR + RecI(vnk::Spacing, 480) + P + B("B C") +
                 RecI(vnk::LeftMarg, 0) + RecI(vnk::RightMarg, 11520) + B("D") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
    EXPECT_EQ(LineSpacing, 480);
}

TEST_F(LineEnds, SoftReturnKeepsATabOpenHardReturnClosesIt) {
    // x at column 1, tab -> stop 6; the soft end leaves it open, the end of
    // text closes it before its 0x0D.
    Bytes body = B("A") + Bytes{0} + B("x\ty") + Bytes{0} + B("z") + Eot;
    Bytes open = RecB(vnk::TabLeader, 0) + RecB(vnk::TabBackOff, 0) + RecB(vnk::TabP, 6);
    Bytes close = RecB(vnk::TabP, 0) + RecB(vnk::TabLeader, 0);
    EXPECT_EQ(Hex(Run(body)), Hex(P + B("A") + CR + P + B("x") + open + B("y z") + close + CR));
    EXPECT_EQ(TabType, 0);
}

TEST_F(LineEnds, HardPageClosesTheTabAndTheParagraphGoesOn) {
    // *N* ends the tab, writes 0xD5 (no 0x0D) and the text continues.
    Bytes out = Run(B("x\ty*N*z") + Eot);
    Bytes want = P + B("x") + RecB(vnk::TabLeader, 0) + RecB(vnk::TabBackOff, 0) +
                 RecB(vnk::TabP, 6) + B("y") + RecB(vnk::TabP, 0) + RecB(vnk::TabLeader, 0) +
                 RecB(vnk::HardPage, 0) + B("z") + CR;
    EXPECT_EQ(Hex(out), Hex(want));
    EXPECT_EQ(LineCount, 1); // the page break reset it, the last return counted one
}

TEST_F(LineEnds, LineCountWrapsAfter61LineEnds) {
    Bytes body;
    for (int i = 0; i < 60; ++i) body = body + B("a") + Bytes{1};
    Run(body + B("a") + Eot); // 60 hard ends and the last return: 61 lines
    EXPECT_EQ(LineCount, 0);
}

TEST_F(LineEnds, LineCountReaches60) {
    Bytes body;
    for (int i = 0; i < 59; ++i) body = body + B("a") + Bytes{1};
    Run(body + B("a") + Eot);
    EXPECT_EQ(LineCount, 60);
}

TEST_F(LineEnds, SpaceOrCrBreaksOnlyPastLastIPos) {
    LoadWindow({});
    FirstColumn = 1;
    Lindent = 0;
    LastIPos = 66;
    IPos = 66; // at the limit: an ordinary space
    SpaceOrCr();
    EXPECT_EQ(IPos, 67);
    EXPECT_EQ(LastSpace, 67);
    EXPECT_EQ(SoftCr, 0);
    EXPECT_EQ(LineCount, 0);

    size_t m = Mark();
    IPos = 67; // one past: soft return, the word since the last space moves
    LastSpace = 60;
    SpaceOrCr();
    EXPECT_EQ(Hex(OutputSince(m)), Hex(B(" ")));
    EXPECT_EQ(IPos, 1 + 7 + 1); // first column + (67 - 60) + 1
    EXPECT_EQ(LastSpace, 9);
    EXPECT_EQ(SoftCr, 1);
    EXPECT_EQ(LineCount, 1);
}

} // namespace
