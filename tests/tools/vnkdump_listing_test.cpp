// The inspector's listing of sound streams: every payload kind, text
// escapes, hard returns and offsets, against listings worked out by hand
// from the record layout and the code table.

#include <gtest/gtest.h>

#include "tool_support.h"

namespace {

using namespace vnkdump_test;

// The prologue that opens every stream the module writes (85 bytes).
const Bytes Prologue = {
    0x00, 0xF0, 0x01, 0x0A, 0x00, 0x00, 0x01, 0x07, 0x00, 0x01, 0x01, 0x06, 0x00, 0x02, 0x01,
    0x07, 0x00, 0x03, 0x01, 0x07, 0x00, 0x04, 0x01, 0x00, 0x00, 0x06, 0x01, 0x00, 0x00, 0x09,
    0x01, 0x90, 0x00, 0x64, 0x02, 0x00, 0x00, 0x00, 0x65, 0x02, 0x90, 0x24, 0x00, 0x62, 0x02,
    0xA0, 0x05, 0x00, 0x63, 0x02, 0x40, 0x38, 0x00, 0x60, 0x02, 0xE0, 0x3D, 0x00, 0x61, 0x02,
    0xD0, 0x2F, 0x00, 0x21, 0x02, 0xF0, 0x00, 0x00, 0x22, 0x02, 0x00, 0x00, 0x00, 0x24, 0x02,
    0x00, 0x00, 0x00, 0x12, 0x01, 0x64, 0x00, 0x79, 0x01, 0x00};

TEST(VnkdumpListing, Prologue) {
    ASSERT_EQ(Prologue.size(), 85u);
    const RunResult r = Dump(Prologue);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "000000  F0  source-program  10\n"
                     "000004  00  prologue-00  7\n"
                     "000008  01  prologue-01  6\n"
                     "00000C  02  prologue-02  7\n"
                     "000010  03  prologue-03  7\n"
                     "000014  04  prologue-04  0\n"
                     "000018  06  prologue-06  0\n"
                     "00001C  09  prologue-09  144\n"
                     "000020  64  left-margin  0 (0.000in)\n"
                     "000025  65  right-margin  9360 (6.500in)\n"
                     "00002A  62  top-margin  1440 (1.000in)\n"
                     "00002F  63  bottom-margin  14400 (10.000in)\n"
                     "000034  60  page-length  15840 (11.000in)\n"
                     "000039  61  page-width  12240 (8.500in)\n"
                     "00003E  21  line-spacing  240 (0.167in)\n"
                     "000043  22  prologue-22  0\n"
                     "000048  24  prologue-24  0\n"
                     "00004D  12  prologue-12  100\n"
                     "000051  79  tab-clear  0\n");
}

TEST(VnkdumpListing, TextRunsEscapesAndHardReturns) {
    const Bytes stream = Join({{0x00, 0xD6, 0x01, 0x00}, Ascii("Dear \"Sir\"\\,"), {0x0D, 0x0D},
                               {0x09, 0x7F, 0x80, 0xFF, 0x20, 0x7E}, {0x00, 0x4F, 0x01, 0x03},
                               Ascii("x")});
    EXPECT_EQ(Dump(stream).out, "000000  D6  para-start  0\n"
                                "000004  text  \"Dear \\\"Sir\\\"\\\\,\"\n"
                                "000010  CR\n"
                                "000011  CR\n"
                                "000012  text  \"\\x09\\x7F\\x80\\xFF ~\"\n"
                                "000018  4F  align  3\n"
                                "00001C  text  \"x\"\n");
}

// Each record alone at offset 0, with the payload part of its line.
TEST(VnkdumpListing, PayloadKinds) {
    const struct {
        Bytes record;
        const char* line;
    } cases[] = {
        {{0x00, 0x70, 0x01, 0xFF}, "70  tab-p  255"},
        {{0x00, 0x22, 0x02, 0x00, 0x80}, "22  prologue-22  -32768"},
        {{0x00, 0x64, 0x02, 0x30, 0xFD}, "64  left-margin  -720 (-0.500in)"},
        {{0x00, 0x21, 0x02, 0x12, 0x00}, "21  line-spacing  18 (0.013in)"}, // 0.0125 rounds up
        {{0x00, 0x62, 0x02, 0x01, 0x00}, "62  top-margin  1 (0.001in)"},
        {{0x00, 0x65, 0x02, 0xFF, 0x7F}, "65  right-margin  32767 (22.755in)"},
        {{0x00, 0xC4, 0x03, '1', '"', '\\'}, "C4  command-text  \"1\\\"\\\\\""},
        {{0x00, 0xC5, 0x00}, "C5  command-arg  \"\""},
        {{0x00, 0x75, 0x02, 0x0C, 'x'}, "75  tab-other  12 \"x\""},
        {{0x00, 0x75, 0x02, 0xFF, 0x09}, "75  tab-other  255 \"\\x09\""},
        // Lengths that do not fit the kind are shown as they are.
        {{0x00, 0x4F, 0x00}, "4F  align  raw"},
        {{0x00, 0x4F, 0x02, 0x01, 0x02}, "4F  align  raw 01 02"},
        {{0x00, 0x60, 0x01, 0x05}, "60  page-length  raw 05"},
        {{0x00, 0x75, 0x03, 0x0C, 'x', 0x00}, "75  tab-other  raw 0C 78 00"},
        // Codes the module never writes.
        {{0x00, 0x05, 0x02, 0xAB, 0xCD}, "05  ??  raw AB CD"},
        {{0x00, 0xFF, 0x00}, "FF  ??  raw"},
    };
    for (const auto& c : cases) {
        const RunResult r = Dump(c.record);
        EXPECT_EQ(r.status, 0) << c.line;
        EXPECT_EQ(r.out, std::string("000000  ") + c.line + "\n");
    }
}

TEST(VnkdumpListing, LongPayloadsAndLargeOffsets) {
    const Bytes longRecord = Join({{0x00, 0xC4, 0xFF}, Bytes(255, 'a'), {0x00, 0xD6, 0x01, 0x00}});
    EXPECT_EQ(Dump(longRecord).out, "000000  C4  command-text  \"" + std::string(255, 'a') +
                                        "\"\n000102  D6  para-start  0\n");

    const Bytes longText = Join({Bytes(0x10000, 'a'), {0x0D, 0x00, 0xD7, 0x01, 0x00}});
    const std::string out = Dump(longText).out;
    EXPECT_EQ(out.substr(out.find('\n') + 1), "010000  CR\n010001  D7  soft-page  0\n");
}

} // namespace
