// The body loop: every byte class, enhanced characters and their attribute
// switches, and how the input may end.

#include "io/input.h"
#include "pfs/attributes.h"
#include "pfs/body.h"
#include "stream/codes.h"
#include "support/harness.h"


namespace {


class BodyDoc : public TranslatorTest {
  protected:
    // Translates a default document with this body; returns the stream
    // after the setup records.
    Bytes Run(const Bytes& body) { return TranslateBody(body); }
};

TEST_F(BodyDoc, EveryByteClass) {
    // Ignored: 04-06, 08, 0A-0D, 0F-1F.  Text: 20-29, 2B-7F.  Lead bytes
    // 80-FE with attribute 00 are plain and unchanged; FF becomes 1F.
    Bytes body = B("a"), want = P + B("a");
    for (int c : {0x04, 0x05, 0x06, 0x08, 0x0A, 0x0B, 0x0C, 0x0D}) body.push_back((uint8_t)c);
    for (int c = 0x0F; c <= 0x1F; ++c) body.push_back((uint8_t)c);
    body.push_back('b'), want.push_back('b');
    for (int c = 0x20; c <= 0x7F; ++c)
        if (c != '*') body.push_back((uint8_t)c), want.push_back((uint8_t)c);
    for (int c = 0x80; c <= 0xFF; ++c) {
        body = body + Bytes{(uint8_t)c, 0x00};
        want.push_back(c == 0xFF ? 0x1F : (uint8_t)c);
    }
    EXPECT_EQ(Hex(Run(body + Eot)), Hex(want + CR));
}

struct Case {
    const char* name;
    Bytes text; // one paragraph, the end-of-text byte follows
    Bytes want; // between 0xD6 and the last 0x0D
};

class BodyEnhanced : public BodyDoc, public ::testing::WithParamInterface<Case> {};

TEST_P(BodyEnhanced, Translates) {
    // One unread byte after the end of text, so that it is not the input's
    // last byte (see InputEndingRightAfterAnEnhancedRun).
    EXPECT_EQ(Hex(Run(GetParam().text + Eot + B("."))), Hex(P + GetParam().want + CR));
}

Bytes St(uint8_t v) { return RecB(vnk::Style, v); }     // 2 bold + 1 italic
Bytes Ul(uint8_t v) { return RecB(vnk::Underline, v); }
Bytes Sc(uint8_t v) { return RecB(vnk::Script, v); }    // 2 super, 3 sub

INSTANTIATE_TEST_SUITE_P(
    Body, BodyEnhanced,
    ::testing::Values(
        // none of bits 0..5: plain, the lead byte unchanged whatever bits 6, 7 say
        Case{"Attr00", B("a") + Bytes{0xC1, 0x00} + B("b"), B("a") + Bytes{0xC1} + B("b")},
        Case{"Attr40", B("a") + Bytes{0xC1, 0x40} + B("b"), B("a") + Bytes{0xC1} + B("b")},
        Case{"AttrC0", B("a") + Bytes{0xC1, 0xC0} + B("b"), B("a") + Bytes{0xC1} + B("b")},
        // bold; bit 6 clear drops bit 7 (C1 -> 41), set keeps C1; the plain
        // text after the run starts with bold off
        Case{"Bold02", B("a") + Bytes{0xC1, 0x02} + B("b"), B("a") + St(2) + B("A") + St(0) + B("b")},
        Case{"Bold42", B("a") + Bytes{0xC1, 0x42} + B("b"),
             B("a") + St(2) + Bytes{0xC1} + St(0) + B("b")},
        // FF: plain (00, 40) -> 1F; enhanced with bit 6 clear -> 7F, set -> 1F
        Case{"FF00", Bytes{0xFF, 0x00}, Bytes{0x1F}},
        Case{"FF40", Bytes{0xFF, 0x40}, Bytes{0x1F}},
        Case{"FF02", Bytes{0xFF, 0x02}, St(2) + Bytes{0x7F} + St(0)},
        Case{"FF42", Bytes{0xFF, 0x42}, St(2) + Bytes{0x1F} + St(0)},
        // 0x20 is enhanced without attributes: it switches underline and bold off
        Case{"Attr20", Bytes{0xC1, 0x03, 0xC2, 0x20} + B("x"),
             Ul(1) + St(2) + B("A") + Ul(0) + St(0) + B("B") + B("x")},
        // both script bits: super on, sub on; then super only: sub's step
        // writes 0, ending both
        Case{"BothScripts", Bytes{0xC1, 0x18, 0xC2, 0x08} + B("x"),
             Sc(2) + Sc(3) + B("A") + Sc(0) + B("B") + B("x")},
        // switch order super, sub, underline, italic, bold; the cancel order
        // underline, italic, bold, script
        Case{"AllBits", Bytes{0xC1, 0x1F} + B("x"),
             Sc(2) + Sc(3) + Ul(1) + St(1) + St(3) + B("A") + Ul(0) + St(2) + St(0) + Sc(0) + B("x")},
        // italic then bold: italic goes off before bold comes on
        Case{"ItalicThenBold", Bytes{0xC1, 0x04, 0xC2, 0x02} + B("x"),
             St(1) + B("A") + St(0) + St(2) + B("B") + St(0) + B("x")},
        // a run right before the end of text: bold off, then the return
        Case{"RunBeforeEnd", B("a") + Bytes{0xC1, 0x02}, B("a") + St(2) + B("A") + St(0)}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST_F(BodyDoc, BytesAfterTheEndOfTextAreNotRead) {
    EXPECT_EQ(Hex(Run(B("ab") + Eot + B("cd") + Bytes{1} + B("ef"))), Hex(P + B("ab") + CR));
    EXPECT_EQ(Done, 1);
}

TEST_F(BodyDoc, InputEndingWithoutEndOfText) {
    // The last byte is written; no return follows.
    EXPECT_EQ(Hex(Run(B("ab"))), Hex(P + B("ab")));
}

TEST_F(BodyDoc, InputEndingWithAnEmptyLine) {
    // The empty line's return leaves the read position past the input: a
    // new paragraph is set up there and the zero byte beyond the input is
    // read as a (soft) line end, which writes its space; then the input is done.
    EXPECT_EQ(Hex(Run(B("x") + Bytes{1, ' ', 0})), Hex(P + B("x") + CR + CR + P + B(" ")));
}

TEST_F(BodyDoc, InputEndingInAnEnhancedRun) {
    // Bold stays on: no record after the last character, no return.
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0xC1, 0x02})), Hex(P + B("a") + St(2) + B("A")));
    EXPECT_EQ(Bold, 1);
}

TEST_F(BodyDoc, InputEndingRightAfterAnEnhancedRun) {
    // The end-of-text byte is the input's last byte and is met by the
    // enhanced run: the read that returns it ends the input, the run steps
    // back from it and the loop stops; no bold-off, no return.
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0xC1, 0x02} + Eot)), Hex(P + B("a") + St(2) + B("A")));
}

TEST_F(BodyDoc, EndOfTextAfterAHardReturnIsAnEmptyParagraph) {
    // After the hard end the paragraph set-up steps over the two spaces
    // (0x42 with 3) without reading, so the loop still reads the 0x0E.
    EXPECT_EQ(Hex(Run(B("x") + Bytes{1} + B("  ") + Eot)),
              Hex(P + B("x") + CR + RecB(vnk::IndentFirst, 3) + P + CR));
}

TEST_F(BodyDoc, InputEndingOnALeadByte) {
    // The lead byte is its own attribute byte here: C1 has bit 0, so it is
    // stepped back and not written ...
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0xC1})), Hex(P + B("a")));
}

TEST_F(BodyDoc, InputEndingOnALeadByteWithoutLowBits) {
    // ... 80 has none of bits 0..5, so it is written as a plain character.
    EXPECT_EQ(Hex(Run(B("a") + Bytes{0x80})), Hex(P + B("a") + Bytes{0x80}));
}

} // namespace
