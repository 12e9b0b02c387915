// Covers src/stream/records.cpp: the control-record writers, every payload kind, over a real file.
#include "io/output.h"
#include "stream/records.h"
#include "support/harness.h"

namespace {

// Puts n bytes counting up from 0; returns them.
Bytes Put(int n) {
    Bytes b((size_t)n);
    for (int i = 0; i < n; ++i)
        PutOut(b[(size_t)i] = (uint8_t)i);
    return b;
}

struct Records : TranslatorTest {
    void SetUp() override { TranslatorTest::SetUp(), InitOutBuf(2048); } // OLimit 14335
};

TEST_F(Records, EveryPayloadKind) {
    PutBControl(0x4F, 3), PutIControl(0x65, 9360), PutIControl(0x64, -28800); // keeps the bits
    PutControl(0xC4, 0, nullptr), PutControl(0xC5, 3, "abc");
    PutSControl(0x50, ""), PutSControl(0x50, "A"), PutSControl(0x50, "AB"); // never of length 1
    PutBSControl(0x51, 5, ""), PutBSControl(0x51, 5, "AB"); // an empty text is one 0 byte
    PutLControl(0x52, 0x01020304), PutXYControl(0x53, 1, -1), PutString("ok");
    std::string t(300, 'x'); // the length byte caps a text at 255, or 254 after a value
    PutSControl(0x50, t.c_str()), PutBSControl(0x51, 7, t.c_str());
    Bytes want = {0x00, 0x4F, 0x01, 0x03, 0x00, 0x65, 0x02, 0x90, 0x24, 0x00, 0x64, 0x02,
                  0x80, 0x8F, 0x00, 0xC4, 0x00, 0x00, 0xC5, 0x03, 'a',  'b',  'c',  0x00,
                  0x50, 0x00, 0x00, 0x50, 0x02, 'A',  0x00, 0x00, 0x50, 0x02, 'A',  'B',
                  0x00, 0x51, 0x02, 0x05, 0x00, 0x00, 0x51, 0x03, 0x05, 'A',  'B',  0x00,
                  0x52, 0x04, 0x04, 0x03, 0x02, 0x01, 0x00, 0x53, 0x08, 1,    0,    0,
                  0,    0xFF, 0xFF, 0xFF, 0xFF, 'o',  'k'};
    want = want + Rec(0x50, Bytes(255, 'x')) + Rec(0x51, Bytes{7} + Bytes(254, 'x'));
    EXPECT_EQ(Hex(Output()), Hex(want));
}

// A full payload fits past the limit, or follows a flush inside the header.
TEST_F(Records, FullPayloadAroundTheLimit) {
    const Bytes payload(255, 'A');
    for (int start = 14332; start <= 14335; ++start) {
        OWrite = 0;
        size_t mark = Mark();
        Bytes put = Put(start);
        PutControl(0xC4, 255, payload.data()), PutIControl(0x60, 1);
        EXPECT_EQ(OutputSince(mark), put + Rec(0xC4, payload) + RecI(0x60, 1)) << start;
    }
}

} // namespace
