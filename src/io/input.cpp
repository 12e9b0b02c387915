// The input window: opening the source, filling and moving the window,
// saved positions, and small readers built on GetIn.
//
// The window is InBuf[0..ILast].  GetIn (inline in input.h) hands out bytes
// until IRead reaches ILimit; there RefillBuf drops everything in front of the
// read position except the keep-back (IWrap bytes), moves the unread tail down
// and reads the rest of the buffer from the file.  The translator also looks
// at InBuf directly and moves IRead itself; every index it computes is 16-bit
// signed, exactly as the window's own arithmetic is, and every such look goes
// through InAt, which reads 0 outside the array.
//
// The source is read unbuffered by stdio, in large blocks into a staging
// buffer (InStage) from which ReadInFile fills the window.  The window itself
// is unchanged by this: ReadInFile hands out exactly the bytes a plain read
// of the same count would return, and the end of the stream and a read
// failure become visible to the window (InAtEnd, InFailed) only when a
// ReadInFile call reaches them, as they would for a plain read.  Positions
// (Itell, Iseek) are logical: the stream's own position less the bytes still
// staged.

#include "io/input.h"

#include <cstring>

#include "common/error_codes.h"
#include "common/run_settings.h"
#include "common/scan.h"

FILE* InFile = nullptr;
uint8_t InBuf[InBufSize];
int16_t IRead = 0;
int16_t ILast = 0;
int16_t ILimit = 0;
// Keep-back of the window before the translator sets its own.
constexpr int16_t DefaultKeep = 256;

int16_t IWrap = DefaultKeep;
int32_t IDone = 0;
int32_t Done = 0;
int16_t InPtrList[PtrSlots];

// ---------------------------------------------------------------- staging ---

// One block read from the stream: large enough that the system calls cost
// little per byte, small enough to stay in the cache with the window.
constexpr int InStageSize = 256 * 1024;
static uint8_t InStage[InStageSize];
static int StageAt = 0;        // next staged byte not yet handed to the window
static int StageEnd = 0;       // end of the staged bytes
static bool StageEof = false;  // the stream met its end after the staged bytes
static bool StageFail = false; // the stream failed after the staged bytes
static bool InAtEnd = false;   // the window has read up to the end of the stream
static bool InFailed = false;  // the window has read up to a failure of the stream

// Forgets everything staged (after a seek).  A failure the window has seen
// stays seen, as a stream's error flag does.
static void DropStage() {
    StageAt = StageEnd = 0;
    StageEof = StageFail = false;
    InAtEnd = false;
}

// Forgets the stream altogether (a new source, a new window, a new run).
static void ForgetStream() {
    DropStage();
    InFailed = false;
}

// Reads the next block; on a short read notes why it was short.
static void FillStage() {
    clearerr(InFile);
    size_t n = fread(InStage, 1, (size_t)InStageSize, InFile);
    StageAt = 0;
    StageEnd = (int)n;
    if (n < (size_t)InStageSize) {
        StageEof = feof(InFile) != 0;
        StageFail = ferror(InFile) != 0 || !StageEof;
    }
}

// Bytes staged and not yet handed out.
static int Staged() {
    return StageEnd - StageAt;
}

// The logical position of the stream (the offset of the byte after ILast),
// or -1 when the stream cannot tell it.
static long InFilePos() {
    long p = InFile != nullptr ? ftell(InFile) : -1;
    return p < 0 ? -1 : p - Staged();
}

// ---------------------------------------------------------------- opening ---

int InitIn() {
    if (InFileName == nullptr || InFileName[0] == '\0') {
        InFile = stdin;
    } else {
        if (InFile != nullptr && InFile != stdin)
            fclose(InFile);
        InFile = fopen(InFileName, "r");
        if (InFile == nullptr) {
            ErrType = ErrSourceOpen;
            return ErrSourceOpen;
        }
    }
    setvbuf(InFile, nullptr, _IONBF, 0);
    ForgetStream();
    return 0;
}

int ReadInFile(uint8_t* buf, int count) {
    if (InFile == nullptr || count <= 0) {
        if (count > 0)
            ErrType = ErrRead;
        return 0;
    }
    int n = 0;
    while (n < count) {
        if (Staged() == 0) {
            if (StageEof || StageFail)
                break;
            FillStage();
            continue;
        }
        int k = count - n < Staged() ? count - n : Staged();
        memcpy(buf + n, InStage + StageAt, (size_t)k);
        StageAt += k;
        n += k;
    }
    if (n < count) { // the read reached the end of the staged bytes
        InAtEnd = StageEof;
        InFailed = InFailed || StageFail;
    }
    if (n > 0)
        return n;
    if (!InAtEnd)
        ErrType = ErrRead;
    return 0;
}

int SeekInFile(long offset) {
    if (InFile == nullptr)
        return -1;
    if (fseek(InFile, offset, SEEK_SET) != 0)
        return -1;
    DropStage();
    return 0;
}

// ------------------------------------------------------- filling the window ---

// First fill from the current file position (offset 0 for a fresh source).
// The window starts afresh, and so does the staging under it.
void InitInBuf(int16_t keepBack) {
    ForgetStream();
    IWrap = keepBack;
    ILast = (int16_t)(ReadInFile(InBuf, InBufData) - 1);
    ILimit = (int16_t)(InBufData - 1 - IWrap);
    SetILim();
}

// After a fill: more data may follow only when the buffer is full, no error
// has been recorded and the stream has not met its end.
void SetILim() {
    if (InFile != nullptr && InFailed)
        ErrType = ErrRead;
    if (ILast > InBufData - 2 && ErrType == ErrNone && InFile != nullptr && !InAtEnd) {
        IDone = 0;
        ILimit = (int16_t)(InBufData - 1 - IWrap);
    } else {
        IDone = 1;
        ILimit = ILast;
    }
}

// Moves the window: keeps IWrap bytes ending with the byte just consumed
// (none when the limit is at or below the keep-back), moves the unread tail
// down behind them and fills the rest from the file.
void RefillBuf() {
    int k = ILimit > IWrap ? IWrap : 0;
    int d = ILimit - k + 1;
    int m = 0;
    if (d >= 1) {
        m = ILast - d + 1;
        if (m < 0)
            m = 0; // a read position far past the data: nothing to keep
        if (m > 0)
            memmove(InBuf, InBuf + d, (size_t)m);
        IRead = (int16_t)(IRead - (d - 1));
    }
    FixInPtrs(d);
    int n = ReadInFile(InBuf + m, InBufData - m);
    ILast = (int16_t)(m + n - 1);
    SetILim();
}

// Moves the window early so that the byte at IRead comes to stand at
// index IWrap (or 0 near the start) with a full buffer behind it.
void FillInBuf() {
    if (IDone != 0)
        return;
    int16_t oldLimit = ILimit;
    IRead = (int16_t)(IRead - 1);
    ILimit = IRead;
    (void)GetIn();
    if (ILimit != ILast)
        ILimit = oldLimit;
}

// ---------------------------------------------------------------- seeking ---

// Positions the input at an absolute file offset, inside the window when the
// byte is there, else by reloading the window around it.
int Iseek(long target) {
    long p = InFilePos();
    if (p < 0) {
        ErrType = ErrRead;
        return ErrRead;
    }
    if (p - ILast < target && target < p) {
        IRead = (int16_t)(ILast - (p - target - 1));
        if (IRead >= ILimit && IDone != 1) {
            RefillBuf();
            IRead = (int16_t)(IRead - 1);
        }
        return 0;
    }
    long start = target >= IWrap ? target - IWrap : 0;
    if (SeekInFile(start) != 0) {
        ErrType = ErrRead;
        return ErrRead;
    }
    int16_t oldLast = ILast;
    IRead = (int16_t)(target >= IWrap ? IWrap : target);
    ILast = (int16_t)(ReadInFile(InBuf, InBufData) - 1);
    SetILim();
    FixInPtrs((int)(start - (p - 1 - oldLast)));
    return ErrType;
}

long Itell() {
    long p = InFilePos();
    if (p < 0) {
        ErrType = ErrRead;
        return 0;
    }
    return p - (ILast - (IRead - 1));
}

// ---------------------------------------------------------- saved positions ---

void SetInPtr(uint8_t slot) {
    InPtrList[SlotIndex(slot)] = IRead;
}

int GetInPtr(uint8_t slot) {
    return InPtrList[SlotIndex(slot)];
}

// Re-bases the slots after the window moved d bytes forward in the file
// (backward when d is negative).  A position already lost (-1) stays lost
// when the window moves back: the byte it pointed at is unknown, and a
// re-based marker would point at an arbitrary byte.
void FixInPtrs(int d) {
    for (int16_t& slot : InPtrList) {
        int p = slot;
        if (p < d)
            slot = -1;
        else if (d >= 0)
            slot = (int16_t)(p - d);
        else if (p != -1 && p - d <= InBufData - 1)
            slot = (int16_t)(p - d);
        else
            slot = -1;
    }
}

// ------------------------------------------------------------ small readers ---

int GetDosInt() {
    int b0 = GetIn();
    int b1 = GetIn();
    return (int16_t)(uint16_t)(b0 + 256 * b1);
}

long GetDosLong() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= (uint32_t)GetIn() << (8 * i);
    return (int32_t)v;
}

void EatToChar(uint8_t c) {
    while (Done == 0 && ErrType == ErrNone)
        if (GetIn() == c)
            break;
}

void EatChar(uint8_t c) {
    // Below the limit GetIn only advances IRead, so a run of c there is
    // stepped over by index, sixteen bytes at a time while sixteen lie below
    // the limit, then byte by byte.  A run that ends below the limit is done:
    // the last loop would read the next byte, find it is not c and step back.
    // Only a run that reaches the limit (the window moves, the input ends)
    // goes on through GetIn.
    if (Done == 0 && ErrType == ErrNone && IRead >= 0) {
        int r = IRead, k = 16;
        while (scan::Wide && k == 16 && r + 16 <= ILimit) {
            k = scan::LeadingEqual16(InBuf + r, c);
            r += k;
        }
        IRead = (int16_t)r;
        if (k < 16)
            return;
        while (IRead < ILimit && InBuf[IRead] == c)
            IRead = (int16_t)(IRead + 1);
        if (IRead < ILimit)
            return;
    }
    while (Done == 0 && ErrType == ErrNone) {
        if (GetIn() != c) {
            IRead = (int16_t)(IRead - 1);
            break;
        }
    }
}

void ResetInput() {
    InFile = nullptr;
    memset(InBuf, 0, sizeof InBuf);
    IRead = ILast = ILimit = 0;
    IWrap = DefaultKeep;
    IDone = Done = 0;
    memset(InPtrList, 0, sizeof InPtrList);
    ForgetStream();
}
