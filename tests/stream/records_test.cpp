// Control records: the exact bytes of every payload kind.

#include "io/output.h"
#include "stream/codes.h"
#include "stream/records.h"
#include "support/harness.h"

namespace {

class Records : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048);
    }
};

TEST_F(Records, ByteAnd16BitPayloads) {
    PutBControl(vnk::Align, 3);
    PutIControl(vnk::RightMarg, 9360);
    PutIControl(vnk::LeftMarg, -28800); // negative values keep their bits
    EXPECT_EQ(Output(), (Bytes{0x00, 0x4F, 0x01, 0x03, 0x00, 0x65, 0x02, 0x90, 0x24, 0x00, 0x64,
                               0x02, 0x80, 0x8F}));
}

TEST_F(Records, RawPayloadsOfAnyLength) {
    PutControl(0xC4, 0, nullptr);
    const char text[] = "abc";
    PutControl(0xC5, 3, text);
    EXPECT_EQ(Output(), (Bytes{0x00, 0xC4, 0x00, 0x00, 0xC5, 0x03, 'a', 'b', 'c'}));
}

TEST_F(Records, StringPayloadIsNeverOfLengthOne) {
    PutSControl(0x50, "");
    PutSControl(0x50, "A");
    PutSControl(0x50, "AB");
    EXPECT_EQ(Output(), (Bytes{0x00, 0x50, 0x00, 0x00, 0x50, 0x02, 'A', 0x00, 0x00, 0x50, 0x02,
                               'A', 'B'}));
}

TEST_F(Records, ByteAndStringPayload) {
    PutBSControl(0x51, 5, "");
    PutBSControl(0x51, 5, "AB");
    EXPECT_EQ(Output(), (Bytes{0x00, 0x51, 0x02, 0x05, 0x00, 0x00, 0x51, 0x03, 0x05, 'A', 'B'}));
}

TEST_F(Records, LongAndPairPayloads) {
    PutLControl(0x52, 0x01020304);
    PutXYControl(0x53, 1, -1);
    EXPECT_EQ(Output(), (Bytes{0x00, 0x52, 0x04, 0x04, 0x03, 0x02, 0x01, 0x00, 0x53, 0x08, 1, 0,
                               0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Records, FullPayloadPastTheLimitThenFlushedByTheNextPut) {
    for (int i = 0; i < 14335; ++i) PutOut('.');
    Bytes payload(255, 0x41);
    PutControl(0xC4, 255, payload.data()); // header crosses the limit: flushed first
    PutIControl(0x60, 1);
    Bytes all = Output();
    ASSERT_EQ(all.size(), 14335u + 258 + 5);
    EXPECT_EQ(Bytes(all.begin() + 14335, all.begin() + 14338), (Bytes{0x00, 0xC4, 0xFF}));
    EXPECT_EQ(all.back(), 0x00);
}

TEST_F(Records, EveryCodeInTheTableHasAName) {
    for (const vnk::CodeInfo& row : vnk::CodeTable) {
        EXPECT_EQ(vnk::FindCode(row.code), &row);
        EXPECT_NE(row.name[0], '\0');
    }
    EXPECT_EQ(vnk::FindCode(0x05), nullptr);
}

} // namespace
