// Covers src/stream/prologue.cpp: the stream prologue; also home of the expected-stream pieces
// the translator tests share (see harness.h).
#include <cstring>

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

// The 85 bytes every stream opens with: source program 10, fixed records, left 0,
// right 65 x 144 = 9360, top 1440, bottom 14400, page length 15840, width 12240,
// spacing 240, two fixed 0 measures, 100, tabs cleared.
Bytes StreamPrologue() {
    return {0x00, 0xF0, 0x01, 0x0A, 0x00, 0x00, 0x01, 0x07, 0x00, 0x01, 0x01, 0x06, 0x00,
            0x02, 0x01, 0x07, 0x00, 0x03, 0x01, 0x07, 0x00, 0x04, 0x01, 0x00, 0x00, 0x06,
            0x01, 0x00, 0x00, 0x09, 0x01, 0x90, 0x00, 0x64, 0x02, 0x00, 0x00, 0x00, 0x65,
            0x02, 0x90, 0x24, 0x00, 0x62, 0x02, 0xA0, 0x05, 0x00, 0x63, 0x02, 0x40, 0x38,
            0x00, 0x60, 0x02, 0xE0, 0x3D, 0x00, 0x61, 0x02, 0xD0, 0x2F, 0x00, 0x21, 0x02,
            0xF0, 0x00, 0x00, 0x22, 0x02, 0x00, 0x00, 0x00, 0x24, 0x02, 0x00, 0x00, 0x00,
            0x12, 0x01, 0x64, 0x00, 0x79, 0x01, 0x00};
}

// A tab ruler: clear, open the list, one 'p' stop per column, close.
Bytes Ruler(const std::vector<int>& stops) {
    Bytes r = RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1);
    for (int c : stops)
        r = r + RecB(vnk::TabP, (uint8_t)c);
    return r + RecB(vnk::TabList, 0);
}

// The setup for TestPage()'s header: 66 lines -> (66*144/6)*10 = 15840, top 6*1440/6,
// bottom 15840 - 1440, left 0, right 65*144 = 9360; stops from 6 every fifth below 65.
Bytes DefaultLayout() {
    return RecI(vnk::PageLen, 15840) + RecI(vnk::TopMarg, 1440) + RecI(vnk::BotMarg, 14400) +
           RecI(vnk::LeftMarg, 0) + RecI(vnk::RightMarg, 9360) +
           Ruler({6, 11, 16, 21, 26, 31, 36, 41, 46, 51, 56, 61});
}

namespace {
// Whatever an earlier document left behind, the prologue is the same and cancels nothing.
// (That the translation after it is the same is checked on the fuzz corpus, tests/fuzz.)
TEST_F(TranslatorTest, PrologueResetsLeftoverState) {
    InitOutBuf(2048);
    Progname = 10, LtMargin = 12, RtMargin = 40, Alignment = 3, LineSpacing = 480, IPos = 30;
    CrFlag = 0, SoftCr = 1, LineCount = 7, Lindent = 5, Pindent = 7, Hindent = 2, Rindent = 3;
    Bold = Italic = UnderScore = SuperScript = SubScript = StrikeOut = 1, TabType = 'p';
    Header = Footer = Footnote = InColumn = 1, memset(IndentFlag, 1, sizeof IndentFlag);
    TabArray[10][TabStopByte] = 1, TabArray[0][TabTypeByte] = 'x', TabArray[20][0] = '.';
    InitControl(), InitEsp();
    EXPECT_EQ(Hex(Output()), Hex(StreamPrologue()));
}
} // namespace
