// Covers src/io/input.cpp.
// The input window over real files: fills, refills, seeks, saved positions and readers.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/paths.h"
#include "common/run_settings.h"
#include "driver/report.h"
#include "driver/startup.h"
#include "io/input.h"
#include "support/files.h"
#include "support/harness.h"

namespace {
using V = std::vector<long>;

// Byte i is (i * 7 + i / 251) & 0xFF: no short period.
Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = (uint8_t)((i * 7 + i / 251) & 0xFF);
    return b;
}

struct InputWindow : TranslatorTest {
    Bytes Drain() { // reads with GetIn until Done
        Bytes got;
        while (!Done)
            got.push_back((uint8_t)GetIn());
        return got;
    }
};

// Sizes around the window edges read whole; the last byte sets Done and comes back.
TEST_F(InputWindow, EverySizeIsReadWhole) {
    for (long n : {0, 1, 3, 1024, 1025, 15359, 15360, 16383, 16384, 16385, 50000}) {
        Bytes src = Pattern((size_t)n);
        LoadWindow(src), Done = 0;
        long last = (n < 16384 ? n : 16384) - 1; // at 16384 the fill cannot tell the file ends
        EXPECT_EQ((V{IDone, ILast, ILimit}), (V{n < 16384, last, n < 16384 ? last : 15359})) << n;
        if (n == 0)
            continue;
        EXPECT_EQ(Drain(), src) << n;
        EXPECT_EQ((V{GetIn(), IRead, ErrType}), (V{src.back(), ILast, 0})) << n;
    }
}

// A refill keeps 1024 bytes read (none up to 1025); an early one does nothing once all is in.
TEST_F(InputWindow, RefillKeepBack) {
    Bytes src = Pattern(40000);
    LoadWindow(src);
    for (int i = 0; i < 15360; ++i)
        GetIn(); // the call at ILimit refills
    EXPECT_EQ((V{IRead, ILimit, ILast}), (V{1024, 15359, 16383}));
    EXPECT_EQ((Bytes{InBuf[0], InBuf[1023], InBuf[16383]}),
              (Bytes{src[15359 - 1023], src[15359], src[15359 - 1023 + 16383]}));
    const struct {
        size_t size;
        int16_t at, read, last;
    } cases[] = {{40000, 14000, 1024, 16383},
                 {40000, 1026, 1024, 16383},
                 {40000, 1025, 0, 16383},
                 {3000, 2500, 2500, 2999}};
    for (const auto& c : cases) {
        src = Pattern(c.size);
        LoadWindow(src, c.at), FillInBuf(), Done = 0;
        EXPECT_EQ((V{IRead, ILast}), (V{c.read, c.last})) << c.at;
        EXPECT_EQ(Drain(), Bytes(src.begin() + c.at, src.end())) << c.at;
    }
}

// Spaces at a line's start are looked at in place only below the limit: a
// run that starts at the limit, or another byte there, goes through GetIn,
// which moves the window; at the end of the input the last byte is read
// (Done) and stepped back over.
TEST_F(InputWindow, SpacesAtTheLimit) {
    for (int spaces : {0, 1, 40}) {
        Bytes src = Pattern(40000);
        std::fill(src.begin() + 15359, src.begin() + 15359 + spaces, ' ');
        LoadWindow(src, 15359); // keep-back 1024: ILimit 15359
        EatSpaces();            // the window moves: the limit's byte comes to stand at 1023
        EXPECT_EQ((V{IRead, Done}), (V{1023 + spaces, 0})) << spaces;
        EXPECT_EQ(GetIn(), src[15359 + spaces]) << spaces;
    }
    LoadWindow(B("ab"), 1);
    EatSpaces();
    EXPECT_EQ((V{Done, IRead}), (V{1, 0}));
}

// Saved positions are re-based when the window moves or lost for good; Iseek reloads.
TEST_F(InputWindow, SavedPositionsAndSeek) {
    Bytes src = Pattern(60000);
    LoadWindow(src, 15000);
    SetInPtr(1), IRead = 14335, SetInPtr(2), IRead = 14336, SetInPtr(3); // the keep-back's edge
    IRead = 15359, SetInPtr(9), GetIn(); // slot 0; the refill moves by 14336
    EXPECT_EQ((V{GetInPtr(1), GetInPtr(2), GetInPtr(3), GetInPtr(7)}), (V{664, -1, 0, 1023}));
    InPtrList[3] = -1, InPtrList[4] = 10, InPtrList[5] = 16300;
    FixInPtrs(-100); // backward: a lost one stays lost, one pushed past the buffer is lost
    EXPECT_EQ((V{InPtrList[2], InPtrList[3], InPtrList[4], InPtrList[5]}), (V{-1, -1, 110, -1}));
    EXPECT_EQ((V{Iseek(15000), GetIn(), Itell()}), (V{0, src[15000], 15001}));
    EXPECT_EQ((V{Iseek(45000), IRead, GetIn()}), (V{0, 1024, src[45000]}));
    EXPECT_EQ(Iseek(10), 0);
    EXPECT_EQ(Drain(), Bytes(src.begin() + 10, src.end()));
}

// Slots 0 to 5 are six positions of their own; a slot above 5 means slot 0.
TEST_F(InputWindow, SavedPositionSlots) {
    LoadWindow(Pattern(100));
    for (uint8_t slot = 0; slot <= 5; ++slot)
        IRead = int16_t(10 + slot), SetInPtr(slot);
    EXPECT_EQ((V{GetInPtr(0), GetInPtr(4), GetInPtr(5), GetInPtr(6)}), (V{10, 14, 15, 10}));
    IRead = 50, SetInPtr(6);
    EXPECT_EQ((V{GetInPtr(0), GetInPtr(5), GetInPtr(255)}), (V{50, 15, 50}));
}

// A source whose seeks fail: the position (a seek by 0 from here) is answered unless failAll.
struct FailingSeeks {
    int fd;
    bool failAll;
    off_t pos = 0;
};
FILE* OpenFailingSeeks(FailingSeeks* f) {
    cookie_io_functions_t io = {};
    io.read = [](void* c, char* buf, size_t n) -> ssize_t {
        auto* f = static_cast<FailingSeeks*>(c);
        ssize_t got = pread(f->fd, buf, n, f->pos);
        f->pos += got > 0 ? got : 0;
        return got;
    };
    io.seek = [](void* c, off64_t* off, int whence) -> int {
        auto* f = static_cast<FailingSeeks*>(c);
        if (f->failAll || whence != SEEK_CUR || *off != 0)
            return -1;
        *off = f->pos;
        return 0;
    };
    return fopencookie(f, "r", io);
}

// A seek that fails, or a position that cannot be had, is error 4; the window stays as it was.
TEST_F(InputWindow, FailingSeekIsError4) {
    testfs::TempDir dir;
    const Bytes src = Pattern(40000);
    testfs::WriteFile(dir / "src", src);
    for (bool failAll : {false, true}) {
        FailingSeeks f{open((dir / "src").c_str(), O_RDONLY), failAll};
        ASSERT_GE(f.fd, 0);
        InFile = OpenFailingSeeks(&f), ErrType = 0;
        InitInBuf(1024);
        IRead = 100;
        EXPECT_EQ((V{Iseek(30000), ErrType, IRead, ILast}), (V{4, 4, 100, 16383})) << failAll;
        EXPECT_EQ(GetIn(), src[100]) << failAll;
        fclose(InFile), close(f.fd), InFile = nullptr;
    }
}

TEST_F(InputWindow, SmallReaders) {
    LoadWindow(Bytes{0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12} + B("abc;   xy"));
    EXPECT_EQ((V{GetDosInt(), GetDosInt(), GetDosLong()}), (V{0x1234, -2, 0x12345678L}));
    EatToChar(';'), EatChar('q'), EatSpaces(); // no q: nothing consumed
    EXPECT_EQ(GetIn(), 'x');
    EatChar('q'), EatSpaces(); // the last byte is read (Done) and stepped back over; then nothing
    EXPECT_EQ((V{Done, IRead}), (V{1, 15}));
}

// A run of c is stepped over whole wherever it starts and ends around the
// window's limit: the next byte read is the first one after the run.  At
// the end of the input the read position stays on the last byte, whatever
// the buffer holds past it (here spaces, left there by an earlier source).
TEST_F(InputWindow, RunsAreSteppedOverUpToTheirEndAndNoFurther) {
    const Bytes src = Pattern(40000);
    for (int end = 15359 - 20; end <= 15359 + 20; ++end) {
        for (int length : {1, 15, 16, 17, 40}) {
            Bytes s = src;
            std::fill(s.begin() + end - length, s.begin() + end, ' ');
            s[end] = 'x';
            LoadWindow(s, (int16_t)(end - length)), Done = 0;
            EatSpaces();
            EXPECT_EQ((V{GetIn(), Itell(), Done}), (V{'x', end + 1, 0}))
                << "a run of " << length << " ending at " << end;
        }
    }
    LoadWindow(Bytes(16384, ' '));
    for (int length = 1; length <= 40; ++length) {
        Bytes s = Pattern(1000);
        std::fill(s.end() - length, s.end(), ' ');
        LoadWindow(s, (int16_t)(1000 - length)), Done = 0;
        EatSpaces();
        EXPECT_EQ((V{Done, IRead, ErrType}), (V{1, 999, 0})) << "a run of " << length;
    }
}

// A stream of Pattern bytes whose reads fail (EIO) at offset failAt.
struct FailingSource {
    size_t size, failAt, pos = 0;
    static ssize_t Read(void* self, char* buf, size_t n) {
        auto* s = (FailingSource*)self;
        if (s->pos >= s->failAt && s->pos < s->size) {
            errno = EIO;
            return -1;
        }
        size_t end = std::min(s->size, std::max(s->failAt, s->pos));
        size_t k = std::min(n, end - s->pos);
        for (size_t i = 0; i < k; ++i)
            buf[i] = (char)((s->pos + i) * 7 + (s->pos + i) / 251);
        s->pos += k;
        return (ssize_t)k;
    }
    FILE* Open() { return fopencookie(this, "r", {Read, nullptr, nullptr, nullptr}); }
};

// The source is read ahead in large blocks, but a read failure is error 4 only
// when the window reaches the failed byte: every byte before it is handed out
// first, in a later block or right at a block's start alike.
TEST_F(InputWindow, AReadFailureCountsFromTheFailedByte) {
    for (size_t failAt : {size_t(262144), size_t(262144 * 2 + 5000), size_t(300000)}) {
        FailingSource fs{700000, failAt};
        InFile = fs.Open();
        ASSERT_NE(InFile, nullptr);
        InitInBuf(1024), IRead = 0, Done = 0;
        Bytes got;
        size_t firstError = 0;
        while (!Done && ErrType == 0)
            got.push_back((uint8_t)GetIn());
        firstError = got.size();
        while (!Done) // the window winds down at its last byte
            got.push_back((uint8_t)GetIn());
        EXPECT_EQ(ErrType, 4) << failAt;
        EXPECT_GT(firstError + 16384, failAt) << failAt << ": the error came too early";
        Bytes want = Pattern(failAt);
        EXPECT_EQ(got, want) << failAt;
        fclose(InFile), InFile = nullptr, ErrType = 0;
    }
}

// Positions are the window's, not those of the stream read ahead of it:
// Itell after reads, Iseek forward and back across the blocks read ahead.
TEST_F(InputWindow, SeekAndTellOverBlocksReadAhead) {
    Bytes src = Pattern(700000);
    LoadWindow(src);
    for (int i = 0; i < 300000; ++i)
        GetIn();
    EXPECT_EQ(Itell(), 300000);
    EXPECT_EQ((V{Iseek(299000), GetIn(), Itell()}), (V{0, src[299000], 299001})); // in the window
    EXPECT_EQ((V{Iseek(600000), GetIn(), Itell()}), (V{0, src[600000], 600001})); // ahead
    EXPECT_EQ((V{Iseek(100), GetIn(), Itell()}), (V{0, src[100], 101}));          // back
    EXPECT_EQ(Drain(), Bytes(src.begin() + 101, src.end()));
    EXPECT_EQ(ErrType, 0);
}

// A missing source is error 2, an unreadable one 4; looks outside the array read 0.
TEST_F(InputWindow, FailuresAndLooksOutside) {
    testfs::TempDir dir;
    std::string missing = dir / "none.pfs";
    InFileName = missing.c_str();
    EXPECT_EQ((V{InitIn(), ErrType}), (V{2, 2}));
    InFileName = dir.path().c_str(), ErrType = 0;
    EXPECT_EQ(InitIn(), 0);
    InitInBuf(1024);
    EXPECT_EQ((V{ErrType, IDone}), (V{4, 1}));
    fclose(InFile), InFile = nullptr, InFileName = nullptr, InBuf[16386] = 0x55;
    EXPECT_EQ((V{InAt(16386), InAt(16387), InAt(-1), InAt(40000), InAt(-32768)}),
              (V{0x55, 0, 0, 0, 0}));
}
} // namespace
