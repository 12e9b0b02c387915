// Document setup: the signature, the page layout from the header, the
// default tab stops, the header and footer blocks and the justification.

#include "driver/errors.h"
#include "io/input.h"
#include "pfs/body.h"
#include "pfs/setup.h"
#include "stream/codes.h"
#include "support/harness.h"

Bytes Ruler(const std::vector<int>& stops); // prologue_test.cpp

namespace {


// A header (kind 1) or footer (2) block: its records, each line as a
// paragraph ending in two returns, the closing records.
Bytes Block(uint8_t kind, const Bytes& open, const std::vector<Bytes>& lines, const Bytes& close) {
    Bytes b = RecB(vnk::HeadFoot, kind) + RecB(vnk::HeadFootDef, kind) + open;
    for (const Bytes& l : lines) b = b + P + l + CR + CR;
    return b + close + RecB(vnk::HeadFootDef, 0);
}

class Setup : public TranslatorTest {
  protected:
    Bytes Run(const PfsDoc& d) {
        SetSource(d.Build());
        EXPECT_EQ(ReadInput(), 0);
        return Output();
    }
    const Bytes Default = StreamPrologue() + DefaultLayout();
};

TEST_F(Setup, DocumentWithoutBodyGetsOnlyTheSetup) {
    PfsDoc d; // 1025 bytes: header and byte 1024, which is not read
    d.Byte(1024, 'Q');
    EXPECT_EQ(Hex(Run(d)), Hex(Default));
}

TEST_F(Setup, ShortDocumentWithSignatureGetsOnlyTheSetup) {
    PfsDoc d;
    Bytes file = d.Build();
    file.resize(900); // what is missing of the header reads as 0
    SetSource(file);
    EXPECT_EQ(ReadInput(), 0);
    EXPECT_EQ(Hex(Output()), Hex(Default));
}

TEST_F(Setup, PageLayoutFromTheHeader) {
    // 60 lines: (60*144/6)*10 = 14400; top 3*240 = 720; bottom 14400 - 4*240
    // = 13440; left 10*144 = 1440; right 30*144 = 4320.  Left margin > 0:
    // stops from 5, every fifth below 30.
    PfsDoc d;
    d.Word(0, 60).Word(2, 3).Word(4, 4).Word(10, 10).Word(12, 30);
    Bytes want = StreamPrologue() + RecI(vnk::PageLen, 14400) + RecI(vnk::TopMarg, 720) +
                 RecI(vnk::BotMarg, 13440) + RecI(vnk::LeftMarg, 1440) +
                 RecI(vnk::RightMarg, 4320) + Ruler({5, 10, 15, 20, 25});
    EXPECT_EQ(Hex(Run(d)), Hex(want));
    EXPECT_EQ(LtMargin, 10);
    EXPECT_EQ(RtMargin, 30);
}

TEST_F(Setup, MeasuresKeptTo16Bits) {
    // 200 lines: 4800*10 = 48000 = 0xBB80; bottom 48000 - 1440 = 0xB5E0;
    // 255 columns: 36720 = 0x8F70, read back as -28816 / 144 = -200 each.
    // Left not > 0: first stop 6, marked although not below -200.
    PfsDoc d;
    d.Word(0, 200).Word(10, 255).Word(12, 255);
    Bytes wrapped = {0x70, 0x8F};
    Bytes want = StreamPrologue() + Rec(vnk::PageLen, {0x80, 0xBB}) + RecI(vnk::TopMarg, 1440) +
                 Rec(vnk::BotMarg, {0xE0, 0xB5}) + Rec(vnk::LeftMarg, wrapped) +
                 Rec(vnk::RightMarg, wrapped) + Ruler({6});
    EXPECT_EQ(Hex(Run(d)), Hex(want));
    EXPECT_EQ(LtMargin, -200);
    EXPECT_EQ(RtMargin, -200);
}

TEST_F(Setup, NarrowPageStillGetsOneStop) {
    // left 2 (> 0): start at 5 although the right margin is 3
    PfsDoc d;
    d.Word(10, 2).Word(12, 3);
    Bytes want = StreamPrologue() + RecI(vnk::PageLen, 15840) + RecI(vnk::TopMarg, 1440) +
                 RecI(vnk::BotMarg, 14400) + RecI(vnk::LeftMarg, 288) + RecI(vnk::RightMarg, 432) +
                 Ruler({5});
    EXPECT_EQ(Hex(Run(d)), Hex(want));
}

TEST_F(Setup, SignatureMustBeUpperCaseTYP) {
    for (const char* sig : {"typ", "TYQ", "\0\0\0"}) {
        SCOPED_TRACE(sig);
        PfsDoc d;
        d.Byte(641, (uint8_t)sig[0]).Byte(642, (uint8_t)sig[1]).Byte(643, (uint8_t)sig[2]);
        d.body = B("text");
        SetSource(d.Build());
        EXPECT_EQ(InitPfsp(), 0);
        EXPECT_EQ(ErrType, 8);
        EXPECT_TRUE(Output().empty());
        ErrType = 0;
    }
}

TEST_F(Setup, HeaderLeftAlignedWithBothScriptBits) {
    // alignment byte 1: no alignment record; attributes 0x18: superscript only
    PfsDoc d;
    d.Line(328, B("Hi")).Byte(822, 1).Byte(828, 0x18);
    Bytes hdr = Block(1, RecB(vnk::Script, 2), {B("Hi")}, RecB(vnk::Script, 0));
    EXPECT_EQ(Hex(Run(d)), Hex(Default + hdr));
}

TEST_F(Setup, HeaderCentredWithUnderlineBit04) {
    PfsDoc d; // alignment byte 0 -> centred
    d.Line(328, B("Hi")).Byte(828, 0x04);
    Bytes hdr = Block(1, RecB(vnk::Align, 2) + RecB(vnk::Underline, 1), {B("Hi")},
                      RecB(vnk::Align, 0) + RecB(vnk::Underline, 0));
    EXPECT_EQ(Hex(Run(d)), Hex(Default + hdr));
}

TEST_F(Setup, FooterRightAlignedUnderlinedBoldSubscript) {
    // byte 824 = 2 -> right; 0x13 = underline, bold, subscript, kept over
    // both lines and switched off in the order underline, bold, script
    PfsDoc d;
    d.Line(484, B("Ft")).Line(558, B("2")).Byte(824, 2).Byte(830, 0x13);
    Bytes ftr = Block(2,
                      RecB(vnk::Align, 1) + RecB(vnk::Underline, 1) + RecB(vnk::Style, 2) +
                          RecB(vnk::Script, 3),
                      {B("Ft"), B("2")},
                      RecB(vnk::Align, 0) + RecB(vnk::Underline, 0) + RecB(vnk::Style, 0) +
                          RecB(vnk::Script, 0));
    EXPECT_EQ(Hex(Run(d)), Hex(Default + ftr));
}

TEST_F(Setup, AlignmentSetInTheHeaderTextIsCancelled) {
    // Left-aligned header (no record) whose text right-aligns itself: the
    // block still ends with the cancel, because Alignment is 1 at its end.
    PfsDoc d;
    d.Line(328, B("*R*x")).Byte(822, 1);
    Bytes hdr = Block(1, {}, {RecB(vnk::Align, 1) + B("x")}, RecB(vnk::Align, 0));
    EXPECT_EQ(Hex(Run(d)), Hex(Default + hdr));
    EXPECT_EQ(Alignment, 0);
}

TEST_F(Setup, FirstLineOfLengthZeroSuppressesTheBlock) {
    PfsDoc d; // second lines present, first lines empty; justification byte 2
    d.Line(402, B("xx")).Line(558, B("yy")).Byte(826, 2);
    EXPECT_EQ(Hex(Run(d)), Hex(Default));
}

TEST_F(Setup, ByteAfterA73ByteLineIsRestored) {
    // Line 1 fills 329..401, so the byte after it is line 2's length at
    // 402; it must still say 2 when line 2 is looked at.  Then a footer and
    // justification, then the body.
    PfsDoc d;
    Bytes long73(73, 'a');
    d.Line(328, long73).Line(402, B("L2")).Byte(822, 1);
    d.Line(484, B("F")).Byte(824, 1).Byte(826, 1);
    d.body = B("x") + Bytes{0x0E};
    Bytes want = Default + Block(1, {}, {long73, B("L2")}, {}) + Block(2, {}, {B("F")}, {}) +
                 RecB(vnk::Align, 3) + P + B("x") + CR;
    EXPECT_EQ(Hex(Run(d)), Hex(want));
    EXPECT_EQ(InBuf[402], 2);
}

TEST_F(Setup, HeaderKeepsItsSpacesAndAttributesBetweenRuns) {
    // No indents in a header: the spaces are text.  Underline from the
    // attribute byte; the bold character sets the state to its own bits
    // (underline off, bold on), which the plain "b" keeps.
    PfsDoc d;
    d.Line(328, B("  a") + Bytes{0xC1, 0x02} + B("b")).Byte(822, 1).Byte(828, 0x01);
    Bytes text = B("  a") + RecB(vnk::Underline, 0) + RecB(vnk::Style, 2) + B("Ab");
    Bytes hdr = Block(1, RecB(vnk::Underline, 1), {text}, RecB(vnk::Style, 0));
    EXPECT_EQ(Hex(Run(d)), Hex(Default + hdr));
}

} // namespace
