// Embedded commands and format records, translated inside whole documents.
// A body below is one paragraph ended by the end-of-text byte, so its
// stream is 0xD6, the text and one 0x0D.

#include "io/input.h"
#include "pfs/body.h"
#include "pfs/setup.h"
#include "stream/codes.h"
#include "support/harness.h"


namespace {


class CommandsDoc : public TranslatorTest {
  protected:
    // Translates doc; checks that the stream opens with setup and returns
    // what follows it.
    Bytes RunDoc(const PfsDoc& d, const Bytes& setup) { return TranslateAfter(d, setup); }
    Bytes Run(const Bytes& body) { return TranslateBody(body); }
};

struct Case {
    const char* name;
    Bytes text; // the paragraph, without the end-of-text byte
    Bytes want; // the stream between 0xD6 and the last 0x0D
};

class CommandsRule : public CommandsDoc, public ::testing::WithParamInterface<Case> {};

TEST_P(CommandsRule, Translates) {
    const Case& c = GetParam();
    EXPECT_EQ(Hex(Run(c.text + Eot)), Hex(P + c.want + CR));
}

const Bytes Page = RecB(vnk::HardPage, 0);
Bytes Align(uint8_t v) { return RecB(vnk::Align, v); }

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandsRule,
    ::testing::Values(
        // N alone, or N with W third: a page break, the command vanishes
        Case{"LoneN", B("a*N*b"), B("a") + Page + B("b")},
        Case{"NewLowerCase", B("a*new page*b"), B("a") + Page + B("b")},
        // N, O, T matches nothing: the star and the word are text
        Case{"Note", B("*Note* x"), B("*Note* x")},
        Case{"StarBeforeSpace", B("a * b"), B("a * b")},
        Case{"StarBeforeEndOfText", B("ab*"), B("ab*")},
        Case{"NBeforeEndOfText", B("a*N"), B("a*N")}, // second byte 0x0E, third not W
        // J then Y justifies; a fourth letter N switches it off
        Case{"JustifyOn", B("*JY*x"), Align(3) + B("x")},
        Case{"JustifyOffLowerCase", B("*jy n*x"), Align(0) + B("x")},
        // @D date, @t time (upper-cased), @x nothing: all three vanish
        Case{"DateTimeOther", B("*@D**@t**@x*z"),
             RecB(vnk::Field, 1) + RecB(vnk::Field, 2) + B("z")},
        // a digit in the body: its text up to the star, case kept
        Case{"DigitInBody", B("*12ab*z"), Rec(vnk::CmdText, B("12ab")) + B("z")},
        // G/J with O second: 5 bytes stepped over; with R second: 6; else none
        Case{"GoSkipsFive", B("*GOTO x1*"), Rec(vnk::CmdArg, B("x1"))},
        Case{"JoinSkipsFive", B("*join aB*"), Rec(vnk::CmdArg, B("aB"))},
        Case{"GraphSkipsSix", B("*GRAPH Pic*"), Rec(vnk::CmdArg, B("Pic"))},
        Case{"JrSkipsSix", B("*jrnl1 Zz*"), Rec(vnk::CmdArg, B("Zz"))},
        Case{"JumpSkipsNothing", B("*Jump 2*"), Rec(vnk::CmdArg, B("Jump 2"))},
        Case{"EmptyArgument", B("*GO*xy*z"), Rec(vnk::CmdArg, {}) + B("z")}, // +5 lands on the 2nd star
        // C centres, R right-aligns, P vanishes, whatever follows the letter
        Case{"Centre", B("*Center*x"), Align(2) + B("x")},
        Case{"RightLowerCase", B("*r*x"), Align(1) + B("x")},
        Case{"PVanishes", B("a*Page 3*b"), B("ab")},
        // No closing star on the line: the action (if any) is done, no
        // command-text record, reading goes on at the command's first byte
        Case{"OpenDigit", B("*12 ab"), B("12 ab")},
        Case{"OpenCentre", B("*C ab"), Align(2) + B("C ab")},
        Case{"OpenPage", B("a*NEW"), B("a") + Page + B("NEW")},
        Case{"OpenGo", B("*GO xyz"), B("z")}, // G O ' ' x y stepped over
        // the search stops at the end-of-text byte
        Case{"StopsAtEndOfText", B("a*1") + Eot + B("2*"), B("a1")}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST_F(CommandsDoc, ClosingStarMustBeOnTheSameLine) {
    // The search for the star after *12 stops at the line end: "12" is
    // text.  The star in "b*x" opens nothing.
    Bytes out = Run(B("a*12") + Bytes{1} + B("b*x") + Eot);
    EXPECT_EQ(Hex(out), Hex(P + B("a12") + CR + P + B("b*x") + CR));
}

TEST_F(CommandsDoc, WindowReachesAcrossTheLineEnd) {
    // "*N" 1 "W": the window N, 01, W matches the page break; no closing
    // star on the line, so "N" is text and the line end follows.
    Bytes out = Run(B("x*N") + Bytes{1} + B("W*y") + Eot);
    EXPECT_EQ(Hex(out),
              Hex(P + B("x") + RecB(vnk::HardPage, 0) + B("N") + CR + P + B("W*y") + CR));
}

// A command near the end of the first window (ILimit = index 15359, file
// offset 15359 here).  Its closing star is searched only up to the limit:
// a star opening at 15357 or 15358 has its closing one beyond, so the text
// "12" is written, and the closing star, followed by "b", is text too.  A
// star at 15359 itself moves the window when it is read, and one at 15350
// closes well before the limit: both give the record.
class CommandsNearLimit : public CommandsDoc, public ::testing::WithParamInterface<int> {};

TEST_P(CommandsNearLimit, SearchForTheClosingStarStopsThere) {
    const int at = GetParam(); // file offset of the opening star
    Bytes fill((size_t)(at - 1025), 'a'), tail(3000, 'a');
    Bytes mid = at == 15357 || at == 15358 ? B("12*bc") : Rec(vnk::CmdText, B("12")) + B("bc");
    Bytes out = Run(fill + B("*12*bc") + tail + Eot);
    EXPECT_EQ(out, P + fill + mid + tail + CR);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandsNearLimit, ::testing::Values(15350, 15357, 15358, 15359));

TEST_F(CommandsDoc, CommandTextIsCutTo83Bytes) {
    Bytes text;
    for (int i = 0; i < 100; ++i) text.push_back((uint8_t)('0' + i % 10));
    Bytes out = Run(B("a*") + text + B("*Z") + Eot);
    Bytes first83(text.begin(), text.begin() + 83);
    EXPECT_EQ(Hex(out), Hex(P + B("a") + Rec(vnk::CmdText, first83) + B("Z") + CR));
}

TEST_F(CommandsDoc, DigitInAHeaderOrFooterIsThePageNumber) {
    // Header "p*1*" and footer "*2*", alignment bytes 1 (no alignment
    // records): 0xC0 with 0; the same command in the body passes its text.
    PfsDoc d;
    d.Line(328, B("p*1*")).Byte(822, 1).Line(484, B("*2*")).Byte(824, 1);
    d.body = B("*1*") + Eot;
    Bytes header = RecB(vnk::HeadFoot, 1) + RecB(vnk::HeadFootDef, 1) + P + B("p") +
                   RecB(vnk::Field, 0) + CR + CR + RecB(vnk::HeadFootDef, 0);
    Bytes footer = RecB(vnk::HeadFoot, 2) + RecB(vnk::HeadFootDef, 2) + P + RecB(vnk::Field, 0) +
                   CR + CR + RecB(vnk::HeadFootDef, 0);
    Bytes out = RunDoc(d, StreamPrologue() + DefaultLayout() + header + footer);
    EXPECT_EQ(Hex(out), Hex(P + Rec(vnk::CmdText, B("1")) + CR));
}

// ------------------------------------------------------------ format records ---

TEST_F(CommandsDoc, RecordsInARowAndFlagZero) {
    // 1st: columns 10, 60 -> 1440, 8640.  2nd (size 6, one unread byte):
    // 5, 50 -> 720, 7200.  After "b", a record with flag 0: stepped over.
    Bytes body = B("a") + Bytes{0x07, 5, 1, 10, 60, 0x07, 6, 1, 5, 50, 0xFF} + B("b") +
                 Bytes{0x07, 5, 0, 99, 99} + B("c") + Eot;
    Bytes want = P + B("a") + RecI(vnk::LeftMarg, 1440) + RecI(vnk::RightMarg, 8640) +
                 RecI(vnk::LeftMarg, 720) + RecI(vnk::RightMarg, 7200) + B("bc") + CR;
    EXPECT_EQ(Hex(Run(body)), Hex(want));
    EXPECT_EQ(LtMargin, 5);
    EXPECT_EQ(RtMargin, 50);
}

TEST_F(CommandsDoc, MarginsAbove227ColumnsWrap) {
    // 255 x 144 = 36720 = 0x8F70; as signed -28816, / 144 -> -200.
    Bytes want = P + B("a") + Rec(vnk::LeftMarg, {0x70, 0x8F}) + Rec(vnk::RightMarg, {0x70, 0x8F}) +
                 B("b") + CR;
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0x07, 5, 1, 255, 255} + B("b") + Eot)), Hex(want));
    EXPECT_EQ(LtMargin, -200);
    EXPECT_EQ(RtMargin, 255);
}

// Sizes 0, 1 and 2: the flag and margins are read from the bytes after the
// size byte ("b" nonzero, "c" 99, "d" 100 -> 14256, 14400 twips).  Size 2
// (and 0, taken as 2) resumes at "b"; size 1 resumes at the size byte
// itself, a line-end code 1 (hard: the first line end of the document).
TEST_F(CommandsDoc, RecordSizeZeroIsTakenAsTwo) {
    Bytes margins = RecI(vnk::LeftMarg, 14256) + RecI(vnk::RightMarg, 14400);
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0x07, 0} + B("bcd") + Eot)),
              Hex(P + B("a") + margins + B("bcd") + CR));
}

TEST_F(CommandsDoc, RecordSizeTwo) {
    Bytes margins = RecI(vnk::LeftMarg, 14256) + RecI(vnk::RightMarg, 14400);
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0x07, 2} + B("bcd") + Eot)),
              Hex(P + B("a") + margins + B("bcd") + CR));
}

TEST_F(CommandsDoc, RecordSizeOne) {
    Bytes margins = RecI(vnk::LeftMarg, 14256) + RecI(vnk::RightMarg, 14400);
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0x07, 1} + B("bcd") + Eot)),
              Hex(P + B("a") + margins + CR + P + B("bcd") + CR));
}

TEST_F(CommandsDoc, RecordRunningPastTheEndOfInput) {
    // Size 9 at the end: left 5 -> 720, right from past the end (0), and
    // reading resumes past the input: the byte there (0) is a line end,
    // which is hard, and the input is done.
    Bytes out = Run(B("a") + Bytes{0x07, 9, 1, 5});
    EXPECT_EQ(Hex(out), Hex(P + B("a") + RecI(vnk::LeftMarg, 720) + RecI(vnk::RightMarg, 0) + CR));
    EXPECT_EQ(Done, 1);
}

} // namespace
