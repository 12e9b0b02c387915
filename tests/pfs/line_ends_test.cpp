// Covers src/pfs/line_ends.cpp: each line-end code after text, after an empty line, after a
// line of spaces, before the end-of-text byte and at the window's limit.
//
// Every body opens with "A" and code 0: the first line end of a body is hard, and the 0 leaves
// the next one soft unless a code says otherwise.  A code's bit 0 makes the next line end hard,
// its bit 1 switches to double spacing (written once, 480 twips), where each line end carries
// two fillers; so the line after a code 0 or 1 ends in "\0", after a 2 or 3 in "\3 \0" (fillers
// and a 0, which switches back to single spacing: 240).
#include <algorithm>
#include <string>

#include "stream/codes.h"
#include "support/harness.h"

namespace {
using namespace vnk;

struct Row {
    std::string name;
    Bytes body, want; // want: the stream after the setup
};
class LineEnds : public TranslatorTest, public ::testing::WithParamInterface<Row> {};
TEST_P(LineEnds, Translate) {
    const Bytes got = TranslateBody(GetParam().body), &want = GetParam().want;
    const size_t at = size_t(std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first -
                             got.begin()),
                 from = at < 24 ? 0 : at - 24;
    EXPECT_TRUE(got == want) << "from offset " << from << ": "
                             << Hex(Bytes(got.begin() + long(from), got.end())) << "\nnot "
                             << Hex(Bytes(want.begin() + long(std::min(from, want.size())),
                                          want.end()));
}

const Bytes PA = P + B("A") + CR, Dbl = RecI(Spacing, 480), Sgl = RecI(Spacing, 240);
const Bytes Hang4 = Ruler({4}) + RecB(IndentHang, 4), Unhang = RecB(IndentHang, 0);

// The line "cd", closed as the spacing asks, then "ef" and the end of text; and the stream of
// it when code c came last (para: the paragraph start when "cd" opens a paragraph): after a 0
// or 2 "cd" joins "ef"; after a 1 or 3 it closes its paragraph, cancelling the indent of a
// hanging one.
Bytes Tail(int c) {
    return (c < 2 ? "cd\0ef\16"_b : "cd\3 \0ef\16"_b);
}
Bytes TailOut(int c, const Bytes& para, const Bytes& cancel = {}) {
    const Bytes spacing = c < 2 ? Bytes{} : Dbl, back = c < 2 ? Bytes{} : Sgl;
    if (c % 2 == 0)
        return spacing + para + B("cd ") + back + B("ef") + CR;
    return spacing + para + B("cd") + CR + cancel + back + P + B("ef") + CR;
}

const std::string Limit(15359 - 1031, 'x'); // puts an empty line's code at offset 15359

std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (int c = 0; c < 4; ++c) {
        const std::string n = "line_end_" + std::to_string(c) + "_";
        const uint8_t code = (uint8_t)c;
        // after text: a soft end, a space; the code decides the next one
        rows.push_back({n + "after_text", "A\0ab"_b + Bytes{code} + Tail(c),
                        PA + P + B("ab ") + TailOut(c, {})});
        // ending an empty line after text: the text line ends hard, the empty line adds a
        // return, and the empty line's code decides the line end after "cd"
        rows.push_back({n + "after_blank", "A\0ab\0 "_b + Bytes{code} + Tail(c),
                        PA + P + B("ab") + CR + CR + TailOut(c, P)});
        // ending a line of three spaces: no empty line, so "ab" ends soft and the spaces are
        // eaten; the code is a second soft end (another space); the spaces are the second
        // line's indent, which makes the paragraph a hanging one
        rows.push_back({n + "after_spaces", "A\0ab\0   "_b + Bytes{code} + Tail(c),
                        PA + Hang4 + P + B("ab  ") + TailOut(c, {}, Unhang)});
        // right before the end-of-text byte, the file's last: a soft end, whose look for the
        // next line's spaces reads that byte and so ends the input; no final return
        rows.push_back({n + "before_end", "A\0ab"_b + Bytes{code, 0x0E},
                        PA + P + B("ab ") + (c < 2 ? Bytes{} : Dbl)});
        // the empty line's code at offset 15359, where the window refills
        rows.push_back({n + "at_window_limit",
                        "A\0"_b + B(Limit) + "ab\0 "_b + Bytes{code} + Tail(c),
                        PA + P + B(Limit) + B("ab") + CR + CR + TailOut(c, P)});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Codes, LineEnds, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

} // namespace
