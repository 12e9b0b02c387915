// The output buffer: the limit, flushes with the keep-back, saved output
// positions, the final flush, and write failures, over real files.

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "driver/errors.h"
#include "driver/startup.h"
#include "io/input.h"
#include "pfs/body.h"
#include "io/output.h"
#include "stream/records.h"
#include "support/harness.h"

namespace {

class OutputBuffer : public TranslatorTest {
  protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        InitOutBuf(2048); // OLimit 14335
    }
    // Puts n bytes of a counting pattern starting at value `from`.
    void PutMany(int n, int from = 0) {
        for (int i = 0; i < n; ++i) PutOut((uint8_t)(from + i));
    }
};

TEST_F(OutputBuffer, APutThatReachesTheLimitDoesNotFlushTheNextDoes) {
    PutMany(14335);
    EXPECT_EQ(OWrite, 14335);
    PutOut(0xAA);
    // 14336 held: 12288 written, the last 2048 kept at the front.
    EXPECT_EQ(OWrite, 2048);
    EXPECT_EQ(OutBuf[OWrite - 1], 0xAA);
    EXPECT_EQ(OutBuf[0], (uint8_t)12288);
    Bytes all = Output();
    ASSERT_EQ(all.size(), 14336u);
    for (int i = 0; i < 14335; ++i) ASSERT_EQ(all[(size_t)i], (uint8_t)i) << i;
    EXPECT_EQ(all.back(), 0xAA);
}

TEST_F(OutputBuffer, NumbersAreLittleEndian) {
    PutInt(0x1234);
    PutInt(-2);
    PutLong(0x12345678);
    PutString("ok");
    EXPECT_EQ(Output(), (Bytes{0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 'o', 'k'}));
}

TEST_F(OutputBuffer, SavedPositionsAreRebasedOrLost) {
    PutMany(100);
    SetOutPtr(1); // 100: written out by the flush
    PutMany(13000);
    SetOutPtr(8); // slot 0, 13100: inside the keep-back
    PutMany(1236, 77); // 14336 held: flush writes 12288
    EXPECT_EQ(GetOutPtr(1), -1);
    EXPECT_EQ(GetOutPtr(0), 13100 - 12288);
    EXPECT_EQ(OutBuf[GetOutPtr(0)], 77);
    PutMany(12288);
    EXPECT_EQ(GetOutPtr(1), -1); // stays lost
    EXPECT_EQ(GetOutPtr(0), -1);
}

// A flush that leaves nothing re-bases too: the position at the end now
// points at the front, where the next byte goes; older ones are lost.
TEST_F(OutputBuffer, FlushThatEmptiesTheBufferRebasesPositions) {
    PutMany(10);
    SetOutPtr(2);
    PutMany(10);
    SetOutPtr(3);
    Done = 1;
    WriteOutBuf();
    EXPECT_EQ(OWrite, 0);
    EXPECT_EQ(GetOutPtr(2), -1);
    EXPECT_EQ(GetOutPtr(3), 0);
}

TEST_F(OutputBuffer, BelowTheKeepBackAFlushKeepsTheFixed260) {
    PutMany(1000);
    WriteOutBuf(); // 1000 <= 2048 but > 260
    EXPECT_EQ(OWrite, 260);
    EXPECT_EQ(OutBuf[0], (uint8_t)740);
}

TEST_F(OutputBuffer, AFlushOfAtMost260BytesWritesThemAll) {
    PutMany(200);
    WriteOutBuf();
    EXPECT_EQ(OWrite, 0);
    EXPECT_EQ(Output().size(), 200u);
}

TEST_F(OutputBuffer, RecordSplitByAFlushReachesTheFileWhole) {
    PutMany(14334);
    const uint8_t payload[5] = {1, 2, 3, 4, 5};
    PutControl(0xC4, 5, payload); // the header's second byte crosses the limit
    PutOut('z');
    Bytes all = Output();
    Bytes tail(all.end() - 9, all.end());
    EXPECT_EQ(tail, (Bytes{0x00, 0xC4, 0x05, 1, 2, 3, 4, 5, 'z'}));
}

// The whole run through the files: everything written once Done is set, an
// empty target removed.
class OutputFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetTranslator();
        ASSERT_NE(mkdtemp(dir_), nullptr);
        target_ = std::string(dir_) + "/out.vnk";
        OutFileName = target_.c_str();
    }
    void TearDown() override {
        unlink(target_.c_str());
        rmdir(dir_);
        OutFileName = nullptr;
        ResetTranslator();
    }
    bool Exists() { return access(target_.c_str(), F_OK) == 0; }
    char dir_[32] = "/tmp/pfs2vnk-out-XXXXXX";
    std::string target_;
};

TEST_F(OutputFiles, EndOutWritesEveryByteOnceDone) {
    ASSERT_EQ(InitOut(), 0);
    InitOutBuf(2048);
    for (int i = 0; i < 40000; ++i) PutOut((uint8_t)i);
    Done = 1;
    EndOut();
    std::ifstream f(target_, std::ios::binary);
    Bytes got((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_EQ(got.size(), 40000u);
    for (int i = 0; i < 40000; i += 1111) EXPECT_EQ(got[(size_t)i], (uint8_t)i);
}

TEST_F(OutputFiles, EmptyTargetIsRemoved) {
    ASSERT_EQ(InitOut(), 0);
    EXPECT_TRUE(Exists());
    InitOutBuf(2048);
    EndOut();
    EXPECT_FALSE(Exists());
}

TEST_F(OutputFiles, TargetInAMissingDirectoryIsRecordedAsError24) {
    std::string bad = std::string(dir_) + "/missing/out.vnk";
    OutFileName = bad.c_str();
    EXPECT_EQ(InitOut(), 24);
    EXPECT_EQ(ErrType, 24);
    // The detailed message lies in the current directory's stead: the
    // target's own directory does not exist, so nothing could be written.
    OutFileName = target_.c_str();
}

TEST_F(OutputFiles, AFullDeviceIsError5AndWritingGoesOn) {
    OutFileName = "/dev/full";
    ASSERT_EQ(InitOut(), 0);
    InitOutBuf(2048);
    for (int i = 0; i < 30000; ++i) PutOut((uint8_t)i);
    EXPECT_EQ(ErrType, 5);
    EXPECT_LT(OWrite, 14336); // flushes went on
    fclose(OutFile);
    OutFile = nullptr;
    OutFileName = target_.c_str();
}

} // namespace
