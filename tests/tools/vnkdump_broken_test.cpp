// The inspector on streams that end inside a record: what it lists before
// the broken record, how it reports it, and that no cut of a stream makes
// it read past the end (the input ends at an inaccessible page).

#include <gtest/gtest.h>

#include "tool_support.h"

namespace {

using namespace vnkdump_test;

TEST(VnkdumpTruncated, ReportsTheBrokenRecord) {
    const struct {
        Bytes stream;
        const char* out;
        const char* err;
    } cases[] = {
        {Join({Ascii("Hi"), {0x00}}), "000000  text  \"Hi\"\n",
         "record at offset 0x000002 truncated: header needs 3 bytes, 1 left\n"},
        {{0x00, 0x4F}, "", "record at offset 0x000000 truncated: header needs 3 bytes, 2 left\n"},
        {{0x00, 0x4F, 0x01}, "", "record at offset 0x000000 truncated: code 4F, length 1, 0 bytes left\n"},
        {{0x00, 0x65, 0x05, 0xAA, 0xBB}, "",
         "record at offset 0x000000 truncated: code 65, length 5, 2 bytes left\n"},
        // The length 0x20 swallows the paragraph record that follows.
        {{0x00, 0x4F, 0x20, 0x00, 0xD6, 0x01, 0x00}, "",
         "record at offset 0x000000 truncated: code 4F, length 32, 4 bytes left\n"},
        {Join({{0x00, 0xD6, 0x01, 0x00, 0x00, 0xC4, 0xFF}, Bytes(254, 'a')}),
         "000000  D6  para-start  0\n",
         "record at offset 0x000004 truncated: code C4, length 255, 254 bytes left\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = Dump(c.stream);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, std::string("vnkdump: ") + c.err);
    }
}

TEST(VnkdumpTruncated, StatsCountWhatCameBefore) {
    const Bytes stream = {0x00, 0xD6, 0x01, 0x00, 'A', 0x00, 0x4F};
    const RunResult r = Dump(stream, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "D6  para-start  1\nrecords  1\ntext-bytes  1\nhard-returns  0\n");
    EXPECT_EQ(r.err, "vnkdump: record at offset 0x000005 truncated: header needs 3 bytes, 2 left\n");
}

// Every cut of a small stream: sound exactly at element ends, and the
// listing then holds exactly the elements that end at or before the cut.
TEST(VnkdumpTruncated, EveryCutOfAStream) {
    const Bytes stream = Join({{0x00, 0xD6, 0x01, 0x00}, Ascii("A"), {0x0D},
                               {0x00, 0xC5, 0x02, 'J', 'Y'}, {0x00, 0x65, 0x02, 0x90, 0x24},
                               {0x00, 0xD5, 0x00}});
    const struct {
        size_t end;
        const char* line;
    } elements[] = {
        {4, "000000  D6  para-start  0\n"},
        {5, "000004  text  \"A\"\n"},
        {6, "000005  CR\n"},
        {11, "000006  C5  command-arg  \"JY\"\n"},
        {16, "00000B  65  right-margin  9360 (6.500in)\n"},
        {19, "000010  D5  hard-page  raw\n"},
    };
    ASSERT_EQ(stream.size(), 19u);
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        std::string expected;
        bool atEnd = cut == 0;
        for (const auto& e : elements) {
            if (e.end <= cut) expected += e.line;
            atEnd = atEnd || e.end == cut;
        }
        const RunResult r = Dump(Bytes(stream.begin(), stream.begin() + cut));
        EXPECT_EQ(r.status, atEnd ? 0 : 1) << "cut " << cut;
        EXPECT_EQ(r.out, expected) << "cut " << cut;
        EXPECT_EQ(r.err.empty(), atEnd) << "cut " << cut;
    }
}

// Codes in ascending order whatever the order in the stream; text bytes include hard returns.
TEST(VnkdumpStats, CountsPerCodeAndText) {
    const Bytes stream =
        Join({{0x00, 0xF0, 0x01, 0x0A, 0x00, 0x00, 0x01, 0x07, 0x00, 0xD6, 0x01, 0x00}, Ascii("ab"),
              {0x0D, 0x00, 0x00, 0x01, 0x07, 0x00, 0xD6, 0x01, 0x00, 0x0D, 0x00, 0x05, 0x00}, Ascii("c")});
    const RunResult r = Dump(stream, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "00  prologue-00  2\n"
                     "05  ??  1\n"
                     "D6  para-start  2\n"
                     "F0  source-program  1\n"
                     "records  6\n"
                     "text-bytes  5\n"
                     "hard-returns  2\n");
    EXPECT_EQ(Dump({}, true).out, "records  0\ntext-bytes  0\nhard-returns  0\n");
}

} // namespace
