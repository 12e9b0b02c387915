// The stream prologue and the layout defaults it sets.  Also home of the
// expected-stream helpers the translator tests share (declared where used).

#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "pfs/tabs.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

// The 85 bytes every stream opens with, written out byte by byte.
Bytes StreamPrologue() {
    return {0x00, 0xF0, 0x01, 0x0A,       // source program 10
            0x00, 0x00, 0x01, 0x07, 0x00, 0x01, 0x01, 0x06, 0x00, 0x02, 0x01, 0x07,
            0x00, 0x03, 0x01, 0x07, 0x00, 0x04, 0x01, 0x00, 0x00, 0x06, 0x01, 0x00,
            0x00, 0x09, 0x01, 0x90,       // fixed records
            0x00, 0x64, 0x02, 0x00, 0x00, // left 0
            0x00, 0x65, 0x02, 0x90, 0x24, // right 65 x 144 = 9360
            0x00, 0x62, 0x02, 0xA0, 0x05, // top 1440
            0x00, 0x63, 0x02, 0x40, 0x38, // bottom 14400
            0x00, 0x60, 0x02, 0xE0, 0x3D, // page length 15840
            0x00, 0x61, 0x02, 0xD0, 0x2F, // page width 12240
            0x00, 0x21, 0x02, 0xF0, 0x00, // single spacing 240
            0x00, 0x22, 0x02, 0x00, 0x00, 0x00, 0x24, 0x02, 0x00, 0x00,
            0x00, 0x12, 0x01, 0x64,       // 100
            0x00, 0x79, 0x01, 0x00};      // tabs cleared
}

// A tab ruler: clear, open the list, one 'p' stop per column, close.
Bytes Ruler(const std::vector<int>& stops) {
    Bytes r = RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1);
    for (int c : stops) r = r + RecB(vnk::TabP, (uint8_t)c);
    return r + RecB(vnk::TabList, 0);
}

// What the setup writes after the prologue for PfsDoc's default header:
// 66 lines -> (66*144/6)*10 = 15840, top 6*1440/6 = 1440, bottom
// 15840 - 1440 = 14400, left 0, right 65*144 = 9360; stops from column 6
// every fifth column below 65.
Bytes DefaultLayout() {
    return RecI(vnk::PageLen, 15840) + RecI(vnk::TopMarg, 1440) + RecI(vnk::BotMarg, 14400) +
           RecI(vnk::LeftMarg, 0) + RecI(vnk::RightMarg, 9360) +
           Ruler({6, 11, 16, 21, 26, 31, 36, 41, 46, 51, 56, 61});
}

namespace {

class Prologue : public TranslatorTest {};

TEST_F(Prologue, IsTheFixed85Bytes) {
    InitOutBuf(2048);
    Progname = 10;
    InitControl();
    InitEsp();
    Bytes out = Output();
    EXPECT_EQ(out.size(), 85u);
    EXPECT_EQ(Hex(out), Hex(StreamPrologue()));
}

// Whatever an earlier document left behind, the prologue is the same and
// cancels nothing: the indent flags are cleared before the indents are.
TEST_F(Prologue, ResetsLeftoverStateWithoutCancelRecords) {
    InitOutBuf(2048);
    Progname = 10;
    LtMargin = 12, RtMargin = 40, Alignment = 3, LineSpacing = 480, IPos = 30, CrFlag = 0;
    Lindent = 5, Pindent = 7, Hindent = 2, Rindent = 3;
    IndentFlag[1] = IndentFlag[2] = IndentFlag[3] = IndentFlag[4] = IndentFlag[5] = 1;
    Bold = Italic = UnderScore = SuperScript = 1;
    Header = Footer = 1;
    TabType = 'p';
    TabArray[10][1] = 1;
    TabArray[0][2] = 'x';
    InitControl();
    InitEsp();
    EXPECT_EQ(Hex(Output()), Hex(StreamPrologue()));

    EXPECT_EQ(LtMargin, 0);
    EXPECT_EQ(RtMargin, 65);
    EXPECT_EQ(Alignment, 0);
    EXPECT_EQ(LineSpacing, 240);
    EXPECT_EQ(IPos, 1);
    EXPECT_EQ(CrFlag, 1);
    EXPECT_EQ(SoftCr, 0);
    EXPECT_EQ(LineCount, 0);
    EXPECT_EQ(Lindent + Pindent + Hindent + Rindent, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(IndentFlag[i], 0) << i;
    EXPECT_EQ(Bold + Italic + UnderScore + SuperScript + SubScript + StrikeOut, 0);
    EXPECT_EQ(Header + Footer + Footnote + InColumn, 0);
    EXPECT_EQ(TabType, 0);
    EXPECT_EQ(UnderLine, 1);
    EXPECT_EQ(StrikeChar, '-');
    // No stop anywhere; entry 0 all zero, columns 1..255 typed 'p'.
    EXPECT_EQ(TabArray[0][1] + TabArray[0][2], 0);
    for (int c = 1; c < 256; ++c) {
        EXPECT_EQ(TabArray[c][1], 0) << c;
        EXPECT_EQ(TabArray[c][2], 'p') << c;
    }
}

} // namespace
