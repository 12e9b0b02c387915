// Covers the whole translator (src/pfs, src/io, src/stream) through the built pfs2vnk.
// Whole documents through the built program, checked byte for byte, some of them several
// input windows long.
#include <algorithm>
#include <string>

#include "stream/codes.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/program.h"

namespace {
using namespace vnk;

Bytes Times(const Bytes& b, int n) {
    Bytes r;
    while (n-- > 0)
        r.insert(r.end(), b.begin(), b.end());
    return r;
}

// Runs the program on doc; returns the target.
Bytes Translate(const Bytes& doc) {
    return B(testprog::TranslateBytes(doc));
}

// 26 bytes: a first line indented by 2 and hyphen-joined, a date field, a digit command, a
// tab to the stop at 6 closed by the hard return the empty line after it forces.
const Bytes ShortPara = "  Ab-\0cd *@D* e*7*f\0g\th\1 \0"_b;
const Bytes ShortParaOut = RecB(IndentFirst, 3) + P + B("Ab-cd ") + RecB(Field, 1) + B(" e") +
                           Rec(CmdText, "7"_b) + B("f g") + RecB(TabLeader, 0) +
                           RecB(TabBackOff, 0) + RecB(TabP, 6) + B("h") + RecB(TabP, 0) +
                           RecB(TabLeader, 0) + CR + RecB(IndentFirst, 0) + CR;

// Header centred and bold, footer with the page number; in the body a one-line indented
// paragraph, the one above, a bold letter, double spacing and a format record.
TEST(WholeDocument, EveryKindOfContent) {
    PfsWriter d = TestPage().headerLine(1, "Title").headerAttr(0x02);
    d.footerLine(1, "p*1*").footerAlign(1);
    d.raw("   Hello\0"_b + ShortPara + "x\311\2y\1A\3B\2 \2C\0 \0D\0 \7\5\1\2<ef\16"_b);
    Bytes header = RecB(HeadFoot, 1) + RecB(HeadFootDef, 1) + RecB(Align, 2) + RecB(Style, 2) + P +
                   B("Title") + CR + CR + RecB(Align, 0) + RecB(Style, 0) + RecB(HeadFootDef, 0);
    Bytes footer = RecB(HeadFoot, 2) + RecB(HeadFootDef, 2) + P + B("p") + RecB(Field, 0) + CR +
                   CR + RecB(HeadFootDef, 0);
    Bytes body = RecB(IndentFirst, 4) + P + B("Hello") + CR + RecB(IndentFirst, 0) + ShortParaOut +
                 P + B("x") + RecB(Style, 2) + B("I") + RecB(Style, 0) + B("y A") + CR +
                 RecI(Spacing, 480) + P + B("B") + CR + P + B("C ") + RecI(Spacing, 240) + B("D") +
                 CR + P + RecI(LeftMarg, 288) + RecI(RightMarg, 8640) + B("ef") + CR;
    EXPECT_EQ(Hex(Translate(d.bytes())),
              Hex(StreamPrologue() + DefaultLayout() + header + footer + body));
}

// A paragraph of s + 1 letters ended hard, the units, "Z", the end of text and zeros.
void ExpectLong(int s, const Bytes& units, const Bytes& unitsOut, const std::string& what) {
    const Bytes first((size_t)s + 1, 'X');
    Bytes got = Translate(TestPage().raw(first + "\0"_b + units + "Z\16\0\0\0"_b).bytes());
    Bytes want = StreamPrologue() + DefaultLayout() + P + first + CR + unitsOut + P + B("Z") + CR;
    auto at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
    EXPECT_TRUE(got == want) << what << " shifted by " << s << ": differs from offset " << at;
}

// Empty lines from offset 1027 are returns without reading up to the one at 16383, judged
// by the zero byte behind the window.  At 16385 the window moves; that space indents a
// paragraph, hard because an empty line follows; the other 320 are returns again.
TEST(WholeDocument, EmptyLinesRunningPastTheFirstWindow) {
    ExpectLong(0, Times(" \0"_b, 8000),
               Times(CR, 7679) + RecB(IndentFirst, 2) + P + CR + RecB(IndentFirst, 0) +
                   Times(CR, 320),
               "empty lines");
}

// 1900 units: 50 KB.  590 units with s 12 and 13: exactly 16384 bytes, and one more.
TEST(WholeDocument, ShortParagraphsAcrossWindows) {
    for (auto [s, n] :
         {std::pair{0, 1900}, {5, 1900}, {11, 1900}, {17, 1900}, {25, 1900}, {12, 590}, {13, 590}})
        ExpectLong(s, Times(ShortPara, n), Times(ShortParaOut, n), std::to_string(n) + " units");
}

// One paragraph of 2200 units of 22 bytes, shifted 22 ways over the refill offsets: the
// plain unit moves the window exactly at 15359 + k * 14336, the bold one refills early.
TEST(WholeDocument, LongParagraphAcrossWindows) {
    const Bytes plain = "abcd-\0efg\0  hi\7\6\1\0A\0j\0"_b;
    const Bytes plainOut = B("abcd-efg hi") + RecI(LeftMarg, 0) + RecI(RightMarg, 9360) + B("j ");
    const Bytes bold = "abcd-\0efg\0  h\311\2j*@T*k\0"_b;
    const Bytes boldOut = B("abcd-efg h") + RecB(Style, 2) + B("I") + RecB(Style, 0) + B("j") +
                          RecB(Field, 2) + B("k ");
    for (int s = 0; s < 22; ++s)
        for (auto [unit, out, name] :
             {std::tuple{plain, plainOut, "plain"}, {bold, boldOut, "bold"}})
            ExpectLong(s, Times(unit, 2200) + "end\1 \0"_b,
                       P + Times(out, 2200) + B("end") + CR + CR, std::string(name) + " units");
}

} // namespace
