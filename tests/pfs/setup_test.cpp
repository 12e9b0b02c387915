// Covers src/pfs/setup.cpp, head_foot.cpp, defaults.cpp: the signature, the page layout, the
// default tab stops, the header and footer blocks and the justification; and headers,
// footnotes and column layouts alone.
#include <tuple>

#include "driver/run.h"
#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/defaults.h"
#include "pfs/head_foot.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/paragraph.h"
#include "pfs/read_input.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {
using namespace vnk;

// A header (kind 1) or footer (2) block, each line a paragraph ending in two returns.
Bytes Block(uint8_t kind, const Bytes& open, const std::vector<Bytes>& lines, const Bytes& close) {
    Bytes b = RecB(HeadFoot, kind) + RecB(HeadFootDef, kind) + open;
    for (const Bytes& l : lines)
        b = b + P + l + CR + CR;
    return b + close + RecB(HeadFootDef, 0);
}

struct Case {
    std::string name;
    Bytes doc;
    Bytes want; // the stream after the prologue
    int err = 0;
};
class Setup : public TranslatorTest, public ::testing::WithParamInterface<Case> {};
TEST_P(Setup, Translate) {
    SetSource(GetParam().doc);
    EXPECT_EQ(ReadInput(), GetParam().err);
    EXPECT_EQ(Hex(Output()), GetParam().err ? "" : Hex(StreamPrologue() + GetParam().want));
}

// A 255-byte line at 558 ends at 813, the last byte a block touches; it holds the signature.
const Bytes Wrapped = {0x70, 0x8F};
const std::string A73(73, 'a'), F255 = std::string(82, 'f') + "TYP" + std::string(169, 'f') + "g";
INSTANTIATE_TEST_SUITE_P(
    Layout, Setup,
    ::testing::Values(
        // the signature is "TYP" exactly; without it nothing is written
        Case{"signature_lower_case", TestPage().signature("typ").bytes(), {}, 8},
        Case{"signature_wrong_letter", TestPage().signature("TYQ").bytes(), {}, 8},
        Case{"signature_missing", TestPage().omitSignature().bytes(), {}, 8},
        // a document of 1025 bytes has no body (byte 1024 is not read): the setup alone
        Case{"no_body", TestPage().skippedByte('Q').bytes(), DefaultLayout()},
        // 60 lines, margins of 3 and 4 lines, 10 and 30 columns; with a left margin stops from 5
        Case{"page_of_60_lines_columns_10_to_30",
             TestPage()
                 .pageLines(60)
                 .topLines(3)
                 .bottomLines(4)
                 .leftColumn(10)
                 .rightColumn(30)
                 .bytes(),
             RecI(PageLen, 14400) + RecI(TopMarg, 720) + RecI(BotMarg, 13440) +
                 RecI(LeftMarg, 1440) + RecI(RightMarg, 4320) + Ruler({5, 10, 15, 20, 25})},
        // 16 bits: 200 lines 48000, bottom 46560; 255 columns 36720, as columns -200
        // each, so no left margin and one stop at 6 although right of the right margin
        Case{"measures_wrap_in_16_bits",
             TestPage().pageLines(200).leftColumn(255).rightColumn(255).bytes(),
             Rec(PageLen, {0x80, 0xBB}) + RecI(TopMarg, 1440) + Rec(BotMarg, {0xE0, 0xB5}) +
                 Rec(LeftMarg, Wrapped) + Rec(RightMarg, Wrapped) + Ruler({6})}),
    ByName());

// Header and footer blocks come after the default layout.
Case H(const std::string& name, const PfsWriter& doc, const Bytes& blocks) {
    return {name, doc.bytes(), DefaultLayout() + blocks};
}
INSTANTIATE_TEST_SUITE_P(
    HeadFoot, Setup,
    ::testing::Values(
        // alignment 1: left, no record; attributes 0x18: superscript wins
        H("header_left_superscript", TestPage().headerLine(1, "Hi").headerAlign(1).headerAttr(0x18),
          Block(1, Sc(2), {B("Hi")}, Sc(0))),
        // alignment 0: centred; attribute 0x04 underlines
        H("header_centred_underlined", TestPage().headerLine(1, "Hi").headerAttr(0x04),
          Block(1, Al(2) + Ul(1), {B("Hi")}, Al(0) + Ul(0))),
        // alignment 2: right; 0x13: underline, bold and subscript over both lines
        H("footer_right_two_lines",
          TestPage().footerLine(1, "Ft").footerLine(2, "2").footerAlign(2).footerAttr(0x13),
          Block(2, Al(1) + Ul(1) + St(2) + Sc(3), {B("Ft"), B("2")},
                Al(0) + Ul(0) + St(0) + Sc(0))),
        // an alignment the line sets itself is cancelled; a digit command is the page number
        H("own_alignment_cancelled_page_number",
          TestPage().headerLine(1, "*R*x").headerAlign(1).footerLine(1, "p*1*").footerAlign(1),
          Block(1, {}, {Al(1) + B("x")}, Al(0)) + Block(2, {}, {B("p") + RecB(Field, 0)}, {})),
        // no block without a first line
        H("no_block_without_line_1", TestPage().headerLine(2, "xx").footerLine(2, "yy").justify(2),
          {}),
        // the byte after a 73-byte line 1 is line 2's length, put back after the line; both
        // blocks centred, then the justification
        H("line_1_of_73_bytes_footer_of_255",
          TestPage()
              .headerLine(1, A73)
              .headerLine(2, "L2")
              .footerLine(1, "F")
              .footerLine(2, F255)
              .justify(1),
          Block(1, Al(2), {B(A73), B("L2")}, Al(0)) + Block(2, Al(2), {B("F"), B(F255)}, Al(0)) +
              Al(3)),
        // no indents in a header: spaces are text; an enhanced character sets the
        // attributes to its own bits, which plain text keeps
        H("header_spaces_and_enhanced",
          TestPage().headerLine(1, "  a\301\2b").headerAlign(1).headerAttr(0x01),
          Block(1, Ul(1), {B("  a") + Ul(0) + St(2) + B("Ab")}, St(0)))),
    ByName());

using HeadFootTest = TranslatorTest;

// A header met in a body paragraph (hanging indent, bold, column 20): closing it cancels
// only its own indent.  A footnote's end does the same.
TEST_F(HeadFootTest, InsertedTextKeepsTheBodyState) {
    InitOutBuf(2048), InitEsp(); // FirstColumn 1, every flag clear
    Lindent = 6, Hindent = 4, CrFlag = 0, IPos = 20, IndentFlag[1] = IndentFlag[2] = 1;
    PutBold(1);
    size_t m = Mark();
    StartHeadFoot(1);
    EXPECT_EQ(std::tuple(Header, CrFlag, IPos, Bold, Lindent, Hindent, IndentFlag[1]),
              std::tuple(1, 1, 1, 0, 0, 0, 0));
    Pindent = 5, InitPara(), EndHeadFoot();
    Footnote = 1, SaveFlags(), Rindent = 4, InitPara(), EndFootnote();
    EXPECT_EQ(Hex(OutputSince(m)),
              Hex(RecB(HeadFoot, 1) + RecB(HeadFootDef, 1) + RecB(IndentFirst, 5) + P +
                  RecB(IndentFirst, 0) + RecB(HeadFootDef, 0) + RecB(IndentRight, 4) + P +
                  RecB(IndentRight, 0) + RecB(FootnoteEnd, 0)));
    EXPECT_EQ(std::tuple(Header, Footnote, CrFlag, IPos, Bold, Lindent, Hindent, Pindent, Rindent),
              std::tuple(0, 0, 0, 20, 1, 6, 4, 0, 0));
    m = Mark();
    KillIndents(); // the body's own indents are still in force
    EXPECT_EQ(Hex(OutputSince(m)), Hex(RecB(IndentLeft, 0) + RecB(IndentHang, 0)));
}

// Columns step through ColArray; asked for one after the 50th, the layout stays there.
TEST_F(HeadFootTest, ColumnLayoutStopsAtTheFiftiethColumn) {
    InitOutBuf(2048), InitEsp();
    auto Column = [](uint8_t n, uint8_t start, uint8_t end) {
        return RecB(ColumnNo, n) + RecB(ColumnStart, start) + RecB(ColumnEnd, end);
    };
    ColArray[1][1] = 1, ColArray[1][2] = 30, ColArray[2][1] = 35, ColArray[2][2] = 64;
    ColArray[50][1] = 200, ColArray[50][2] = 250;
    size_t m = Mark();
    BeginColumnLayout(), CrFlag = 0, GetNextColumn();
    EXPECT_EQ(Hex(OutputSince(m)), Hex(Column(1, 1, 30) + Column(2, 35, 64)));
    EXPECT_EQ(std::tuple(InColumn, IPos, CrFlag), std::tuple(1, 35, 1));
    for (int i = 3; i <= 51; ++i)
        GetNextColumn();
    m = Mark();
    GetNextColumn(), CrFlag = 0, EndColumnLayout();
    EXPECT_EQ(Hex(OutputSince(m)), Hex(Column(50, 200, 250) + RecB(ColumnNo, 0)));
    EXPECT_EQ(std::tuple(ColArrPtr, InColumn, CrFlag, IPos), std::tuple(0, 0, 1, 1));
}

} // namespace
