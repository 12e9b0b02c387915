// Character attributes: records only on a change, bold and italic sharing
// one record, and the one-slot saved formatting state around inserted text.

#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {

class AttributesTest : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048);
        InitEsp(); // UnderLine 1, StrikeChar '-', every flag clear
        mark_ = Mark();
    }
    Bytes Written() { return OutputSince(mark_); }
    size_t mark_ = 0;
};

// In AttrSave bit order: italic 0x01, bold 0x02, underline 0x04, super 0x08, sub 0x10, strike 0x20.
int32_t* const kFlags[6] = {&Italic, &Bold, &UnderScore, &SuperScript, &SubScript, &StrikeOut};

TEST_F(AttributesTest, BoldAndItalicCombineInOneStyleRecord) {
    PutBold(1), PutItalic(1), PutBold(0), PutItalic(0); // bold 2 + italic 1: 2, 3, 1, 0
    PutItalic(1), PutBold(1), PutItalic(0), PutBold(0); // 1, 3, 2, 0
    PutShadow(1), PutOutline(1), PutOutline(0);         // written as bold: 2, -, 0
    Bytes want;
    for (uint8_t v : {2, 3, 1, 0, 1, 3, 2, 0, 2, 0}) want = want + RecB(vnk::Style, v);
    EXPECT_EQ(Written(), want) << Hex(Written());
    EXPECT_EQ(Bold + Italic, 0);
}

TEST_F(AttributesTest, RepeatedRequestsWriteOnce) {
    PutItalic(1), PutItalic(1);       // one record
    PutBold(0), PutUnderScore(0);     // already off: nothing
    PutUnderScore(1), PutUnderScore(1); // 0xB0 with UnderLine (1)
    PutStrike(1), PutStrike(1);       // 0xB1 with StrikeChar ('-')
    PutStrike(0), PutStrike(0), PutUnderScore(0);
    UnderLine = 3, StrikeChar = '~';  // the on values are read at the time
    PutUnderScore(1), PutStrike(1);
    Bytes want = RecB(vnk::Style, 1) + RecB(vnk::Underline, 1) + RecB(vnk::Strike, '-') +
                 RecB(vnk::Strike, 0) + RecB(vnk::Underline, 0) + RecB(vnk::Underline, 3) +
                 RecB(vnk::Strike, '~');
    EXPECT_EQ(Written(), want) << Hex(Written());
}

TEST_F(AttributesTest, UnknownRequestValuesAreIgnored) {
    PutBold(1), PutUnderScore(1);
    size_t m = Mark();
    for (uint8_t r : {2, 3, 255}) {
        PutBold(r), PutItalic(r), PutShadow(r), PutOutline(r), PutUnderScore(r), PutStrike(r);
        if (r != 2) PutScript(r);
    }
    EXPECT_EQ(OutputSince(m), Bytes{}) << Hex(OutputSince(m));
    EXPECT_EQ(Bold + UnderScore, 2);
    EXPECT_EQ(Italic + StrikeOut + SuperScript + SubScript, 0);
}

TEST_F(AttributesTest, ScriptPositionsKeepBothFlagsUntilNormal) {
    PutScript(1), PutScript(1); // super: 2
    PutScript(2), PutScript(2); // sub: 3, the superscript flag stays
    EXPECT_EQ(SuperScript + SubScript, 2);
    PutScript(0), PutScript(0); // normal: 0 once, both cleared
    PutScript(2), PutScript(0); // sub alone: 3, 0
    Bytes want;
    for (uint8_t v : {2, 3, 0, 3, 0}) want = want + RecB(vnk::Script, v);
    EXPECT_EQ(Written(), want) << Hex(Written());
    EXPECT_EQ(SuperScript + SubScript, 0);
}

TEST_F(AttributesTest, CancelClearsFlagsSilentlySoTheNextRequestWritesAgain) {
    PutBold(1), PutItalic(1), PutUnderScore(1), PutScript(2), PutStrike(1);
    size_t m = Mark();
    CancelAttributes();
    for (int32_t* f : kFlags) EXPECT_EQ(*f, 0);
    PutBold(1); // italic still on in the stream, but the flag says off: 2
    EXPECT_EQ(OutputSince(m), RecB(vnk::Style, 2)) << Hex(OutputSince(m));
}

// Bold, underlined body text in an indented paragraph at column 20; the
// inserted text changes everything; afterwards the body's state is back and
// neither operation wrote a byte.
TEST_F(AttributesTest, SaveAndRestoreAroundInsertedText) {
    PutBold(1), PutUnderScore(1);
    Lindent = 6, Rindent = 2, Hindent = 4, Pindent = 9;
    IndentFlag[1] = IndentFlag[2] = IndentFlag[4] = 1;
    Alignment = 3, LtMargin = 5, RtMargin = 60, IPos = 20, CrFlag = 0;
    size_t m = Mark();

    SaveFlags();
    for (int32_t* f : kFlags) EXPECT_EQ(*f, 0);
    EXPECT_EQ(AttrSave, 0x06); // bold 0x02 | underline 0x04
    EXPECT_EQ(Lindent + Rindent + Hindent + Pindent, 0);
    for (uint8_t f : IndentFlag) EXPECT_EQ(f, 0);
    EXPECT_EQ(Alignment, 0);
    EXPECT_EQ(LtMargin, 5); // saved, not changed
    EXPECT_EQ(RtMargin, 60);
    EXPECT_EQ(IPos, 1);   // FirstColumn
    EXPECT_EQ(CrFlag, 1); // the inserted text starts a paragraph

    Italic = SubScript = 1, Lindent = 11, Pindent = 3;
    IndentFlag[3] = IndentFlag[5] = 1;
    Alignment = 2, LtMargin = 0, RtMargin = 70, IPos = 44;

    RestoreFlags();
    EXPECT_EQ(OutputSince(m), Bytes{}) << Hex(OutputSince(m));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(*kFlags[i], i == 1 || i == 2 ? 1 : 0) << "flag " << i;
    EXPECT_EQ(Lindent, 6);
    EXPECT_EQ(Rindent, 2);
    EXPECT_EQ(Hindent, 4);
    EXPECT_EQ(Pindent, 9);
    const uint8_t flags[6] = {0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(IndentFlag[i], flags[i]) << "entry " << i;
    EXPECT_EQ(Alignment, 3);
    EXPECT_EQ(LtMargin, 5);
    EXPECT_EQ(RtMargin, 60);
    EXPECT_EQ(IPos, 20);
    EXPECT_EQ(CrFlag, 0);
}

TEST_F(AttributesTest, EachAttributeHasItsOwnSavedBit) {
    for (int i = 0; i < 6; ++i) {
        CancelAttributes();
        *kFlags[i] = 1;
        SaveFlags();
        EXPECT_EQ(AttrSave, 1 << i) << "flag " << i;
        RestoreFlags();
        for (int j = 0; j < 6; ++j) EXPECT_EQ(*kFlags[j], j == i ? 1 : 0) << i << "/" << j;
    }
    EXPECT_EQ(Written(), Bytes{});
}

TEST_F(AttributesTest, OneSlotAndALowBytePosition) {
    PutBold(1);
    Lindent = 7;
    IPos = 300; // 0x012C: the slot keeps 0x2C
    SaveFlags();
    EXPECT_EQ(SaveIPos, 44);
    IPos = 300;
    SaveFlags(); // overwrites: nothing set, Lindent 0, IPos 44 again
    RestoreFlags();
    EXPECT_EQ(Bold, 0);
    EXPECT_EQ(Lindent, 0);
    EXPECT_EQ(IPos, 44);
}

} // namespace
