// The input window: fills, refills with the keep-back, early refills,
// seeks, saved positions and the small readers, over real files.

#include <sys/stat.h>
#include <unistd.h>

#include "driver/errors.h"
#include "driver/startup.h"
#include "io/input.h"
#include "pfs/body.h"
#include "support/harness.h"

namespace {

// A file of n bytes whose byte i is (i * 7 + i / 251) & 0xFF: no short period.
Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = (uint8_t)((i * 7 + i / 251) & 0xFF);
    return b;
}

class InputWindow : public TranslatorTest {
  protected:
    // Reads with GetIn until Done; returns every byte handed out.
    Bytes Drain() {
        Bytes got;
        while (!Done) got.push_back((uint8_t)GetIn());
        return got;
    }
};

TEST_F(InputWindow, EmptySourceIsDoneAtTheFirstByte) {
    LoadWindow({});
    EXPECT_EQ(ILast, -1);
    EXPECT_EQ(IDone, 1);
    EXPECT_EQ(ILimit, -1);
    GetIn();
    EXPECT_EQ(Done, 1);
    EXPECT_EQ(ErrType, 0);
}

TEST_F(InputWindow, LastByteSetsDoneAndComesBackAgain) {
    LoadWindow(B("abc"));
    EXPECT_EQ(GetIn(), 'a');
    EXPECT_EQ(GetIn(), 'b');
    EXPECT_EQ(Done, 0);
    EXPECT_EQ(GetIn(), 'c');
    EXPECT_EQ(Done, 1);
    EXPECT_EQ(GetIn(), 'c');
    EXPECT_EQ(IRead, 2);
}

TEST_F(InputWindow, ExactlyOneWindowIsDoneOnlyAfterAnEmptyRefill) {
    Bytes src = Pattern(16384);
    LoadWindow(src);
    EXPECT_EQ(IDone, 0); // the fill could not tell that the file ends here
    EXPECT_EQ(ILimit, 16383 - 1024);
    Bytes got = Drain();
    EXPECT_EQ(got, src);
    EXPECT_EQ(IDone, 1);
    EXPECT_EQ(ErrType, 0);
}

// Every size around the window's edges hands out exactly the file.
TEST_F(InputWindow, EverySizeIsReadWhole) {
    for (size_t n : {1u, 2u, 1024u, 1025u, 15359u, 15360u, 16383u, 16385u, 30720u, 50000u}) {
        ResetTranslator();
        Bytes src = Pattern(n);
        LoadWindow(src);
        EXPECT_EQ(Drain(), src) << "size " << n;
    }
}

TEST_F(InputWindow, RefillKeepsTheLast1024BytesRead) {
    Bytes src = Pattern(40000);
    LoadWindow(src);
    for (int i = 0; i < 15360; ++i) GetIn(); // the call at ILimit refills
    EXPECT_EQ(IRead, 1024);
    EXPECT_EQ(ILimit, 15359);
    EXPECT_EQ(ILast, 16383);
    // The keep-back ends with the byte just returned; IRead is on the next one.
    EXPECT_EQ(InBuf[1023], src[15359]);
    EXPECT_EQ(InBuf[0], src[15359 - 1023]);
    EXPECT_EQ(InBuf[1024], src[15360]);
    EXPECT_EQ(InBuf[16383], src[15359 - 1023 + 16383]);
}

TEST_F(InputWindow, ItellCountsTheBytesReturned) {
    LoadWindow(Pattern(50000));
    for (long n = 0; n < 49000; ++n) {
        if (n % 997 == 0) {
            ASSERT_EQ(Itell(), n);
        }
        GetIn();
    }
    EXPECT_EQ(Itell(), 49000);
}

TEST_F(InputWindow, EarlyRefillKeepsTheReadPositionOnTheSameByte) {
    Bytes src = Pattern(40000);
    LoadWindow(src, 14000);
    FillInBuf();
    EXPECT_EQ(IRead, 1024); // above the keep-back: the byte lands at index IWrap
    EXPECT_EQ(InBuf[IRead], src[14000]);
    EXPECT_EQ(InBuf[IRead - 1], src[13999]);
    EXPECT_EQ(ILimit, 15359);
    EXPECT_EQ(ILast, 16383);
    EXPECT_EQ(Drain(), Bytes(src.begin() + 14000, src.end()));
}

TEST_F(InputWindow, EarlyRefillNearTheStartMovesTheByteToTheFront) {
    Bytes src = Pattern(40000);
    LoadWindow(src, 500); // at or below IWrap + 1: nothing is kept
    FillInBuf();
    EXPECT_EQ(IRead, 0);
    EXPECT_EQ(InBuf[0], src[500]);
    EXPECT_EQ(ILast, 16383);
}

TEST_F(InputWindow, EarlyRefillDoesNothingOnceTheFileIsIn) {
    LoadWindow(Pattern(3000), 2500);
    FillInBuf();
    EXPECT_EQ(IRead, 2500);
    EXPECT_EQ(ILast, 2999);
}

TEST_F(InputWindow, SavedPositionsFollowTheWindow) {
    LoadWindow(Pattern(40000), 15000);
    SetInPtr(1);          // 15000: survives, re-based
    IRead = 100;
    SetInPtr(2);          // 100: older than the keep-back, lost
    IRead = 15359;
    SetInPtr(9);          // a slot above 5 is slot 0
    GetIn();              // refill: D = 14336
    EXPECT_EQ(GetInPtr(1), 15000 - 14336);
    EXPECT_EQ(GetInPtr(2), -1);
    EXPECT_EQ(GetInPtr(0), 15359 - 14336);
    EXPECT_EQ(GetInPtr(7), GetInPtr(0));
    IRead = 15359;
    GetIn();
    EXPECT_EQ(GetInPtr(2), -1); // stays lost
}

// A lost position stays lost when the window moves back in the file.
TEST_F(InputWindow, LostPositionStaysLostOnABackwardMove) {
    InPtrList[3] = -1;
    InPtrList[4] = 10;
    FixInPtrs(-100);
    EXPECT_EQ(InPtrList[3], -1);
    EXPECT_EQ(InPtrList[4], 110);
    InPtrList[4] = 16300;
    FixInPtrs(-100); // would fall past the buffer
    EXPECT_EQ(InPtrList[4], -1);
}

TEST_F(InputWindow, SeekInsideTheWindowAndWithAReload) {
    Bytes src = Pattern(60000);
    LoadWindow(src);
    EXPECT_EQ(Iseek(5000), 0);
    EXPECT_EQ(GetIn(), src[5000]);
    EXPECT_EQ(Itell(), 5001);
    EXPECT_EQ(Iseek(45000), 0); // outside: reloaded with the keep-back in front
    EXPECT_EQ(IRead, 1024);
    EXPECT_EQ(GetIn(), src[45000]);
    EXPECT_EQ(Iseek(10), 0); // back near the start
    EXPECT_EQ(IRead, 10);
    EXPECT_EQ(Drain(), Bytes(src.begin() + 10, src.end()));
}

TEST_F(InputWindow, NumbersAreLittleEndian) {
    LoadWindow(Bytes{0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0});
    EXPECT_EQ(GetDosInt(), 0x1234);
    EXPECT_EQ(GetDosInt(), -2);
    EXPECT_EQ(GetDosLong(), 0x12345678L);
}

TEST_F(InputWindow, EatersConsumeUpToAndAcrossTheirCharacter) {
    LoadWindow(B("abc;   x;."));
    EatToChar(';');
    EXPECT_EQ(IRead, 4);
    EatSpaces();
    EXPECT_EQ(GetIn(), 'x');
    EatChar('q'); // no q: nothing consumed
    EXPECT_EQ(GetIn(), ';');
    EatToChar('z'); // runs to the end
    EXPECT_EQ(Done, 1);
    EXPECT_EQ(IRead, 9);
    EatSpaces(); // Done already set: reads nothing
    EXPECT_EQ(IRead, 9);
}

// At the last byte the eater has read it (Done) and still steps back.
TEST_F(InputWindow, EatingTheLastByteStepsBackOverIt) {
    LoadWindow(B("ab"));
    GetIn();
    EatChar('q');
    EXPECT_EQ(Done, 1);
    EXPECT_EQ(IRead, 0);
}

TEST_F(InputWindow, ADirectoryOpensButCannotBeRead) {
    char dir[] = "/tmp/pfs2vnk-in-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    InFileName = dir;
    EXPECT_EQ(InitIn(), 0);
    InitInBuf(1024);
    EXPECT_EQ(ErrType, 4);
    EXPECT_EQ(IDone, 1);
    fclose(InFile);
    InFile = nullptr;
    InFileName = nullptr;
    rmdir(dir);
}

TEST_F(InputWindow, AMissingSourceIsError2) {
    InFileName = "/nonexistent/dir/doc.pfs";
    EXPECT_EQ(InitIn(), 2);
    EXPECT_EQ(ErrType, 2);
    InFileName = nullptr;
}

TEST_F(InputWindow, LooksOutsideTheArrayReadZero) {
    LoadWindow(B("xyz"));
    InBuf[16386] = 0x55;
    EXPECT_EQ(InAt(16386), 0x55);
    EXPECT_EQ(InAt(16387), 0);
    EXPECT_EQ(InAt(-1), 0);
    EXPECT_EQ(InAt(40000), 0);
}

} // namespace
