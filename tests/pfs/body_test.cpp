// Covers src/pfs/paragraph.cpp, attributes.cpp, commands.cpp, format_records.cpp, line_ends.cpp:
// the text body translated in whole documents: byte classes, enhanced characters, the ends of
// the input, line ends and spacing, embedded commands and format records.
#include <algorithm>
#include <tuple>

#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/setup.h"
#include "stream/codes.h"
#include "stream/prologue.h"
#include "support/harness.h"

namespace {
using namespace vnk;

// A whole body and the stream after the setup.
struct Case {
    std::string name;
    Bytes body, want;
};
class Body : public TranslatorTest, public ::testing::WithParamInterface<Case> {};
TEST_P(Body, Translate) {
    EXPECT_EQ(Hex(TranslateBody(GetParam().body)), Hex(GetParam().want));
}

// A body ended by the end-of-text byte; one paragraph so ended (followed by one more byte).
Case Doc(const std::string& name, const Bytes& body, const Bytes& want) {
    return {name, body + Eot, want};
}
Case Para(const std::string& name, const Bytes& text, const Bytes& want) {
    return {name, text + Eot, P + want + CR};
}
Case ParaDot(const std::string& name, const Bytes& text, const Bytes& want) {
    return {name, text + Eot + B("."), P + want + CR};
}
const auto Marg = [](int16_t l, int16_t r) { return RecI(LeftMarg, l) + RecI(RightMarg, r); };

// Dropped: 04-06, 08, 0A-0D, 0F-1F; text: 20-7F but the star; lead bytes plain, FF as 1F.
using Translator = TranslatorTest;
TEST_F(Translator, EveryByteClass) {
    Bytes body = "a\4\5\6\10\n\13\14\r"_b, want = P + B("a");
    for (int c = 0x0F; c <= 0x1F; ++c)
        body.push_back((uint8_t)c);
    for (int c = 0x20; c <= 0x7F; ++c)
        if (c != '*')
            body.push_back((uint8_t)c), want.push_back((uint8_t)c);
    for (int c = 0x80; c <= 0xFF; ++c) {
        body = body + Bytes{(uint8_t)c, 0x00};
        want.push_back(c == 0xFF ? 0x1F : (uint8_t)c);
    }
    EXPECT_EQ(Hex(TranslateBody(body + Eot)), Hex(want + CR));
}

INSTANTIATE_TEST_SUITE_P(
    Enhanced, Body,
    ::testing::Values(
        // none of bits 0..5: plain, the lead byte unchanged whatever bits 6 and 7 say
        ParaDot("plain_pair_keeps_lead_byte", "a\301\100\301\300b"_b, "a\301\301b"_b),
        // bold; bit 6 clear drops bit 7 (C1 -> 41), set keeps it; plain text ends the run
        ParaDot("bold_clears_bit_7", "a\301\2b"_b, B("a") + St(2) + B("A") + St(0) + B("b")),
        ParaDot("bold_keeps_bit_7_with_bit_6", "a\301\102b"_b,
                B("a") + St(2) + "\301"_b + St(0) + B("b")),
        // FF: plain -> 1F; enhanced with bit 6 clear -> 7F, set -> 1F
        ParaDot("ff_plain_as_1f", "\377\100"_b, "\37"_b),
        ParaDot("ff_bold_as_7f", "\377\2"_b, St(2) + "\177"_b + St(0)),
        ParaDot("ff_bold_bit_6_as_1f", "\377\102"_b, St(2) + "\37"_b + St(0)),
        // 0x20 is enhanced without attributes: it switches underline and bold off
        ParaDot("attr_20_ends_underline_and_bold", "\301\3\302\40x"_b,
                Ul(1) + St(2) + B("A") + Ul(0) + St(0) + B("Bx")),
        // both script bits: super on, sub on; super alone then ends both
        ParaDot("both_script_bits", "\301\30\302\10x"_b, Sc(2) + Sc(3) + B("A") + Sc(0) + B("Bx")),
        // on: super, sub, underline, italic, bold; off: underline, italic, bold, script
        ParaDot("every_attribute_on_and_off", "\301\37x"_b,
                Sc(2) + Sc(3) + Ul(1) + St(1) + St(3) + B("A") + Ul(0) + St(2) + St(0) + Sc(0) +
                    B("x")),
        ParaDot("italic_then_bold", "\301\4\302\2x"_b,
                St(1) + B("A") + St(0) + St(2) + B("B") + St(0) + B("x")),
        ParaDot("run_at_end_of_text", "a\301\2"_b, B("a") + St(2) + B("A") + St(0))),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    InputEnds, Body,
    ::testing::Values(
        // nothing after the end-of-text byte is read; without it no return follows
        Case{"nothing_read_after_end_of_text", "ab\16cd\1ef"_b, P + B("ab") + CR},
        Case{"no_end_of_text_no_return", "ab"_b, P + B("ab")},
        // an empty line's return leaves reading past the input on a 0, a soft line end
        Case{"empty_line_at_input_end", "x\1 \0"_b, P + B("x") + CR + CR + P + B(" ")},
        // in a run, or on the end-of-text byte right after it: bold stays on, no return
        Case{"run_at_input_end", "a\301\2"_b, P + B("a") + St(2) + B("A")},
        Case{"run_before_end_of_text", "a\301\2\16"_b, P + B("a") + St(2) + B("A")},
        // the paragraph set-up steps over spaces by index: the end of text is still read
        Case{"spaces_before_end_of_text", "x\1  \16"_b,
             P + B("x") + CR + RecB(IndentFirst, 3) + P + CR},
        // a last lead byte is its own attribute byte: C1 has bit 0 and is not written, 80 is
        Case{"last_lead_byte_c1", "a\301"_b, P + B("a")},
        Case{"last_lead_byte_80", "a\200"_b, P + "a\200"_b}),
    ByName());

// A body starts with Hard set, so its first line end is hard; "A" 0 then clears Hard.
const Bytes PA = P + B("A") + CR, Dbl = RecI(Spacing, 480);
const Bytes TabOn = RecB(TabLeader, 0) + RecB(TabBackOff, 0) + RecB(TabP, 6);
const Bytes TabOff = RecB(TabP, 0) + RecB(TabLeader, 0);
INSTANTIATE_TEST_SUITE_P(
    LineEnds, Body,
    ::testing::Values(
        // a hyphen joins bare; other soft ends add a space and eat the leading spaces
        Doc("hyphen_joins_bare", "A\0ab-\0cd\0  ef"_b, PA + P + B("ab-cd ef") + CR),
        // empty lines: a return each, the indent's cancel after the first
        Doc("empty_lines_cancel_indent_once", "     Para\0 \0 \0 \0Next"_b,
            RecB(IndentFirst, 6) + P + B("Para") + CR + RecB(IndentFirst, 0) + CR + CR + CR + P +
                B("Next") + CR),
        // Hard comes from the last code passed: an empty line's 0 clears the 1 before it
        Doc("hard_from_last_code", "A\0abc\0defgh\1 \0xyz\0uv"_b,
            PA + P + B("abc defgh") + CR + CR + P + B("xyz uv") + CR),
        Doc("hard_code_ends_one_line", "A\0ab\1cd\0ef"_b,
            PA + P + B("ab cd") + CR + P + B("ef") + CR),
        // no space before a format record; a space and a record after a line end: hard
        Doc("no_space_before_format_record", "A\0ab\0\7\5\0\0\0cd\0 \7\5\1\2<ef"_b,
            PA + P + B("abcd") + CR + P + Marg(288, 8640) + B("ef") + CR),
        // the byte before a format record is stepped over
        Doc("byte_before_format_record_skipped", "A\0ab\0c\7\5\0\0\0d"_b, PA + P + B("ab d") + CR),
        // the end of text cancels no indent; leading spaces are counted in 8 bits
        Doc("end_of_text_keeps_indent", "     Para"_b, RecB(IndentFirst, 6) + P + B("Para") + CR),
        Doc("leading_spaces_300", Bytes(300, ' ') + B("x"),
            RecB(IndentFirst, 45) + P + B("x") + CR),
        Doc("leading_spaces_255", Bytes(255, ' ') + B("x"), P + B("x") + CR),
        // double spacing written once, fillers skipped, switched back by a 0
        Doc("double_spacing_written_once", "A\3B\2 \2C\0 \0D"_b,
            PA + Dbl + P + B("B") + CR + P + B("C ") + RecI(Spacing, 240) + B("D") + CR),
        // a double-spaced empty line; a second double-spacing code after the fillers
        Doc("double_spaced_empty_line", "A\2B\2 \2 \2 \2C\2 \2D"_b,
            PA + Dbl + P + B("B") + CR + CR + P + B("C D") + CR),
        Doc("second_double_code_after_fillers", "A\2B\0x\2\2C"_b, PA + Dbl + P + B("B C") + CR),
        // a record read with double-spaced fillers ends in 0x2D, taken for a hyphen: no space
        Doc("record_in_fillers_reads_as_hyphen", "A\2B\0 \2C\0 \7\5\1\0PD"_b,
            PA + Dbl + P + B("B C") + Marg(0, 11520) + B("D") + CR),
        // a soft end keeps a tab open; a page break closes it and the paragraph goes on
        Doc("soft_end_keeps_tab", "A\0x\ty\0z"_b, PA + P + B("x") + TabOn + B("y z") + TabOff + CR),
        Para("page_break_closes_tab", "x\ty*N*z"_b,
             B("x") + TabOn + B("y") + TabOff + RecB(HardPage, 0) + B("z"))),
    ByName());

const Bytes Page = RecB(HardPage, 0), Wrapped = {0x70, 0x8F};
INSTANTIATE_TEST_SUITE_P(
    Commands, Body,
    ::testing::Values(
        // N with a closing star second or W third: a page break, the command vanishes
        Para("n_page_break", "a*N*b"_b, B("a") + Page + B("b")),
        Para("new_page", "a*new page*b"_b, B("a") + Page + B("b")),
        // no rule matches: the star is text
        Para("note_is_text", "*Note* x"_b, "*Note* x"_b),
        Para("lone_star_is_text", "a * b"_b, "a * b"_b), Para("star_at_line_end", "ab*"_b, "ab*"_b),
        Para("unclosed_n", "a*N"_b, "a*N"_b),
        // JY justifies, a fourth letter N switches it off; C centres, R right-aligns
        Para("jy_justifies", "*JY*x"_b, Al(3) + B("x")),
        Para("jy_n_switches_off", "*jy n*x"_b, Al(0) + B("x")),
        Para("center", "*Center*x"_b, Al(2) + B("x")), Para("right", "*r*x"_b, Al(1) + B("x")),
        // @D date, @T time, other @ and P vanish
        Para("date_and_time_fields", "*@D**@t**@x*z"_b, RecB(Field, 1) + RecB(Field, 2) + B("z")),
        Para("p_vanishes", "a*Page 3*b"_b, "ab"_b),
        // a digit: the text up to the star, case kept, cut to 83 bytes
        Para("digit_text", "*12ab*z"_b, Rec(CmdText, "12ab"_b) + B("z")),
        Para("digit_text_cut_to_83", "a*"_b + Bytes(83, '1') + Bytes(17, '2') + "*Z"_b,
             B("a") + Rec(CmdText, Bytes(83, '1')) + B("Z")),
        // G/J with O second: the argument from 5 bytes on; with R second: 6; else from 0
        Para("goto_argument", "*GOTO x1*"_b, Rec(CmdArg, "x1"_b)),
        Para("join_argument", "*join aB*"_b, Rec(CmdArg, "aB"_b)),
        Para("graph_argument", "*GRAPH Pic*"_b, Rec(CmdArg, "Pic"_b)),
        Para("jr_argument", "*jrnl1 Zz*"_b, Rec(CmdArg, "Zz"_b)),
        Para("jump_whole_text", "*Jump 2*"_b, Rec(CmdArg, "Jump 2"_b)),
        Para("go_empty_argument", "*GO*xy*z"_b,
             Rec(CmdArg, {}) + B("z")), // +5 lands on the second star
        // no closing star on the line: the action done, reading goes on after the star
        Para("unclosed_digit", "*12 ab"_b, "12 ab"_b),
        Para("unclosed_c", "*C ab"_b, Al(2) + B("C ab")),
        Para("unclosed_new", "a*NEW"_b, B("a") + Page + B("NEW")),
        Para("unclosed_go", "*GO xyz"_b, "z"_b),
        Para("end_of_text_in_command", "a*1\0162*"_b, "a1"_b),
        Para("line_end_in_command", "a*12\1b*x"_b, B("a12") + CR + P + B("b*x")),
        // the four bytes looked at reach across the line end
        Para("look_across_line_end", "x*N\1W*y"_b, B("x") + Page + B("N") + CR + P + B("W*y")),
        // format records: a run of two (one byte unread); flag 0 skipped
        Para("format_record_run", "a\7\5\1\n<\7\6\1\0052\377b\7\5\0ccc"_b,
             B("a") + Marg(1440, 8640) + Marg(720, 7200) + B("bc")),
        // sizes 0 (taken as 2) and 2 resume at "b", size 1 at the size byte, a hard line end
        Para("format_size_0", "a\7\0bcd"_b, B("a") + Marg(14256, 14400) + B("bcd")),
        Para("format_size_2", "a\7\2bcd"_b, B("a") + Marg(14256, 14400) + B("bcd")),
        Para("format_size_1", "a\7\1bcd"_b, B("a") + Marg(14256, 14400) + CR + P + B("bcd")),
        // a record past the input reads 0 there; reading resumes on a 0, a hard line end
        Case{"format_past_input", "a\7\11\1\5"_b, P + B("a") + Marg(720, 0) + CR}),
    ByName());

// 255 columns wrap in 16 bits; the left margin is kept as that over 144, the right as its byte.
TEST_F(Translator, MarginsAbove227ColumnsWrap) {
    EXPECT_EQ(Hex(TranslateBody("a\7\5\1\377\377b\16"_b)),
              Hex(P + B("a") + Rec(LeftMarg, Wrapped) + Rec(RightMarg, Wrapped) + B("b") + CR));
}

// The closing star is searched for only up to the window's limit (file offset 15359 here):
// a command opened at 15357 or 15358 stays text.
class NearLimit : public TranslatorTest, public ::testing::WithParamInterface<int> {};
TEST_P(NearLimit, SearchForTheClosingStarStopsThere) {
    Bytes fill((size_t)(GetParam() - 1025), 'a'), tail(3000, 'a');
    Bytes mid =
        GetParam() == 15357 || GetParam() == 15358 ? "12*bc"_b : Rec(CmdText, "12"_b) + B("bc");
    EXPECT_EQ(TranslateBody(fill + "*12*bc"_b + tail + Eot), P + fill + mid + tail + CR);
}
INSTANTIATE_TEST_SUITE_P(Commands, NearLimit, ::testing::Values(15350, 15357, 15358, 15359),
                         [](const auto& info) { return "star_at_" + std::to_string(info.param); });

// Runs of plain text (0..20 bytes, so every offset within a word of eight) between runs of
// bold pairs, some with bit 6 set (the lead byte kept, FF written as 1F), over a refill and
// many flushes: each run in the stream as the rules give it, one character at a time.
TEST_F(Translator, LongMixedRunsCopyExactly) {
    Bytes body, want = P;
    bool bold = false;
    for (int i = 0; body.size() < 30000; ++i) {
        for (int k = 0; k < i % 21; ++k) {
            if (bold)
                want = want + St(0), bold = false;
            body.push_back((uint8_t)('a' + (i + k) % 26)), want.push_back(body.back());
        }
        const uint8_t attr = i % 3 == 0 ? 0x42 : 0x02;
        for (int k = 0; k < (i * 7) % 19 + 1; ++k) {
            const uint8_t lead = (uint8_t)(0xC0 + (i + k) % 64);
            if (!bold)
                want = want + St(2), bold = true;
            body = body + Bytes{lead, attr};
            want.push_back(attr == 0x42 ? (lead == 0xFF ? 0x1F : lead) : (uint8_t)(lead & 0x7F));
        }
    }
    const Bytes got = TranslateBody(body + Eot + B(".")); // the byte after keeps Eot read
    want = want + St(0) + CR;
    auto diff = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    EXPECT_TRUE(got == want) << "first difference at " << diff.first - got.begin();
}

// A space past LastIPos is a soft return; the word since the last space moves along.
TEST_F(Translator, SpaceOrCrBreaksOnlyPastLastIPos) {
    LoadWindow({});
    FirstColumn = 1, Lindent = 0, LastIPos = 66, IPos = 66;
    SpaceOrCr();
    EXPECT_EQ(std::tuple(IPos, LastSpace), std::tuple(67, 67));
    size_t m = Mark();
    IPos = 67, LastSpace = 60;
    SpaceOrCr();
    EXPECT_EQ(Hex(OutputSince(m)), Hex(B(" ")));
    EXPECT_EQ(std::tuple(IPos, LastSpace), std::tuple(1 + 7 + 1, 9));
}

} // namespace
