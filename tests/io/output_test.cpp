// Covers src/io/output.cpp: the output buffer over real files, its flushes and saved positions.
#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/paths.h"
#include "common/run_settings.h"
#include "driver/report.h"
#include "driver/startup.h"
#include "io/input.h"
#include "io/output.h"
#include "stream/records.h"
#include "support/files.h"
#include "support/harness.h"

namespace {
using V = std::vector<long>;

struct OutputBuffer : TranslatorTest {
    void SetUp() override { TranslatorTest::SetUp(), InitOutBuf(2048); } // OLimit 14335
    void TearDown() override { OutFileName = nullptr, TranslatorTest::TearDown(); }
};

// Puts n bytes counting up from `from`; returns them.
Bytes Put(int n, int from = 0) {
    Bytes b((size_t)n);
    for (int i = 0; i < n; ++i)
        PutOut(b[(size_t)i] = (uint8_t)(from + i));
    return b;
}

// Only a put past the limit flushes; a flush keeps 2048 bytes, else 260, else none.
TEST_F(OutputBuffer, FlushKeepsByHowMuchIsHeld) {
    Put(14335);
    EXPECT_EQ(OWrite, 14335);
    PutOut(0xAA);
    EXPECT_EQ((V{OWrite, OutBuf[0], OutBuf[2047]}), (V{2048, 12288 & 0xFF, 0xAA}));
    const struct {
        int held, kept;
    } cases[] = {{3000, 2048}, {2049, 2048}, {2048, 260}, {1000, 260},
                 {261, 260},   {260, 0},     {1, 0}};
    for (auto [held, kept] : cases) {
        OWrite = 0;
        size_t mark = Mark();
        Bytes put = Put(held);
        WriteOutBuf();
        EXPECT_EQ(OWrite, kept) << held;
        EXPECT_EQ(OutputSince(mark), put) << held;
    }
}

// A block handed straight to the target goes out after the bytes a flush
// staged before it; the kept-back bytes stay in the buffer.
TEST_F(OutputBuffer, AHandedBlockFollowsTheStagedBytes) {
    size_t mark = Mark();
    const Bytes put = Put(1000);
    WriteOutBuf(); // stages all but the 260 kept back
    const Bytes block = B("handed over");
    EXPECT_EQ(WriteOutFile(block.data(), (int)block.size()), (int)block.size());
    EXPECT_EQ(OWrite, 260);
    // What the target got, then the bytes still held.
    EXPECT_EQ(OutputSince(mark),
              Bytes(put.begin(), put.begin() + 740) + block + Bytes(put.begin() + 740, put.end()));
}

// Far more output than one staging block: every byte reaches the target
// once and in order, and the last byte written stays readable.
TEST_F(OutputBuffer, OutputOfManyBlocksArrivesInOrder) {
    size_t mark = Mark();
    Bytes put(700000);
    for (size_t i = 0; i < put.size(); ++i) {
        put[i] = (uint8_t)(i * 131 + (i >> 9));
        PutOut(put[i]);
        if (i % 99991 == 0) {
            ASSERT_EQ(LastOut(), put[i]) << i;
        }
    }
    EXPECT_EQ(LastOut(), put.back());
    EXPECT_EQ(OutputSince(mark), put);
}

// A flush re-bases saved positions or loses them; one at the end of all goes to the front.
TEST_F(OutputBuffer, SavedPositionsAreRebasedOrLost) {
    Put(100), SetOutPtr(1);   // written out by the flush
    Put(13000), SetOutPtr(8); // slot 0, 13100: inside the keep-back
    Put(1236, 77);            // 14336 held: the flush writes 12288
    EXPECT_EQ((V{GetOutPtr(1), GetOutPtr(0), OutBuf[13100 - 12288]}), (V{-1, 13100 - 12288, 77}));
    SetOutPtr(3), Done = 1, WriteOutBuf();
    EXPECT_EQ((V{OWrite, GetOutPtr(0), GetOutPtr(1), GetOutPtr(3)}), (V{0, -1, -1, 0}));
}

// Slots 0 to 5 are six positions of their own; a slot above 5 means slot 0.
TEST_F(OutputBuffer, SavedPositionSlots) {
    for (uint8_t slot = 0; slot <= 5; ++slot)
        PutOut('a'), SetOutPtr(slot);
    EXPECT_EQ((V{GetOutPtr(0), GetOutPtr(4), GetOutPtr(5), GetOutPtr(6)}), (V{1, 5, 6, 1}));
    Put(3), SetOutPtr(6);
    EXPECT_EQ((V{GetOutPtr(0), GetOutPtr(5), GetOutPtr(255)}), (V{9, 6, 9}));
}

// A failed write is error 5 and the flushes go on.  Flushes are staged, so
// the failure shows when the staged bytes are written: when the stage is
// full, or at the end of the run.
TEST_F(OutputBuffer, AFullDeviceIsError5) {
    if (!testfs::Exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    OutFileName = "/dev/full";
    ASSERT_EQ(InitOut(), 0);
    Put(30000);
    EXPECT_EQ((V{ErrType, OWrite < 14336}), (V{0, 1}));
    FlushOutFile();
    EXPECT_EQ(ErrType, 5);
    ErrType = 0, Put(600000); // more than the stage holds: written on the way
    EXPECT_EQ(ErrType, 5);
    fclose(OutFile), OutFile = nullptr;
}
} // namespace
