// The output buffer: creating the target, flushing with a keep-back, and
// closing at the end of the run.
//
// Puts append to OutBuf; when a put leaves OWrite above OLimit, WriteOutBuf
// writes all but the most recent OWrap bytes (all of them once the input is
// done) and moves the kept tail to the front, so OutBuf[OWrite - 1] stays the
// last byte written.
//
// OutBuf is a view into a large staging block (OutStage): the bytes in front
// of the view are the flushed ones, not yet written to the target.  A flush
// moves the view forward over the bytes it writes, so the kept tail is
// already at the new front and no byte is copied; only when the view comes
// near the end of the block is the block written to the target and the
// kept tail moved back to its start.  At the end of the run EndOut writes
// the rest.  The target itself is unbuffered by stdio, so every write's
// result is seen here: a failed write is error 5 when the staged block is
// written, which may be some flushes after the bytes that could not be
// written.

#include "io/output.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/escape.h"
#include "common/run_settings.h"
#include "io/input.h"

// Flushed bytes not yet written to the target, then the view.
constexpr int OutStageSize = 256 * 1024;
static uint8_t OutStage[OutStageSize + OutBufSize];

FILE* OutFile = nullptr;
uint8_t* OutBuf = OutStage;
int16_t OWrite = 0;
int16_t OLimit = 0;
const char* volatile OutCreatedName = nullptr;
volatile sig_atomic_t OutCreatedFd = -1;

// Bytes a flush keeps when fewer than the keep-back but more than this are
// held; also the keep-back before the translator sets its own.
constexpr int MinKeep = 260;

int16_t OWrap = MinKeep;
int16_t OutPtrList[PtrSlots];

// Bytes staged in front of the view.
static int Staged() {
    return (int)(OutBuf - OutStage);
}

// One plain write; a short one is error 5.
static void WriteTarget(const uint8_t* buf, int count) {
    size_t w = OutFile != nullptr ? fwrite(buf, 1, (size_t)count, OutFile) : 0;
    if (w < (size_t)count)
        ErrType = ErrWrite;
}

// ------------------------------------------------------- opening and closing ---

// The check that the target is not the source is made here, where the
// target is opened: this layer holds both streams, and a check made by the
// caller any earlier would leave a gap in which the name could change.  The
// name is checked before anything is opened for writing, and the file opened
// (without truncating it) is checked once more before it is cut to 0 bytes.

// True when st is a regular file that is also the source (device and inode;
// links are followed, standard input is compared like a named source).
static bool IsSource(const struct stat& st) {
    struct stat src;
    return S_ISREG(st.st_mode) && InFile != nullptr && fstat(fileno(InFile), &src) == 0 &&
           src.st_dev == st.st_dev && src.st_ino == st.st_ino;
}

// Opens the target like fopen "w+"; null with errno set on failure, or with
// ErrType 23 when the file opened turns out to be the source.
static FILE* OpenTarget(const char* name) {
    int fd = open(name, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (ok && IsSource(st)) {
        ErrType = ErrOverwrite;
        ok = false;
    }
    if (ok && S_ISREG(st.st_mode) && st.st_size != 0 && ftruncate(fd, 0) != 0)
        ok = false; // a new or empty file needs no cut
    FILE* fp = ok ? fdopen(fd, "w+") : nullptr;
    if (fp == nullptr) {
        close(fd);
        return nullptr;
    }
    if (S_ISREG(st.st_mode)) {
        OutCreatedName = name;
        OutCreatedFd = fd;
    }
    return fp;
}

int InitOut() {
    if (OutFileName == nullptr || OutFileName[0] == '\0') {
        OutFile = stdout;
        fflush(stdout);
        setvbuf(stdout, nullptr, _IONBF, 0);
        return 0;
    }
    struct stat st;
    if (stat(OutFileName, &st) == 0 && IsSource(st)) {
        ErrType = ErrOverwrite;
        return ErrType;
    }
    OutFile = OpenTarget(OutFileName);
    if (ErrType == ErrOverwrite)
        return ErrType;
    if (OutFile == nullptr) {
        char name[sizeof mvErrMsg - 45]; // room for the rest of the message
        CopyEscaped(name, sizeof name, OutFileName);
        snprintf(mvErrMsg, sizeof mvErrMsg, "Error trying to create target file.\n\tName:%s.\n",
                 name);
        CreateErrMsgFile(ErrTargetOpen, mvErrMsg, OutFileName);
        return ErrType;
    }
    setvbuf(OutFile, nullptr, _IONBF, 0);
    return 0;
}

// Async-signal-safe: fstat, ftruncate, lstat and unlink only.  The name is
// removed only while it still names the file written, so a file put in its
// place meanwhile is left alone; reached through a link, the file is emptied.
void DiscardTarget() {
    const int fd = OutCreatedFd;
    const char* name = OutCreatedName;
    OutCreatedFd = -1;
    struct stat own, named;
    if (fd < 0 || name == nullptr || fstat(fd, &own) != 0 || !S_ISREG(own.st_mode))
        return;
    const int cut = ftruncate(fd, 0); // on failure the name is still removed below
    (void)cut;
    if (lstat(name, &named) == 0 && named.st_dev == own.st_dev && named.st_ino == own.st_ino)
        unlink(name);
}

// The staged block is written first, so the bytes reach the target in order.
int WriteOutFile(const uint8_t* buf, int count) {
    if (count <= 0)
        return 0;
    FlushOutFile();
    WriteTarget(buf, count);
    return count;
}

// Writes the staged block and moves the view, with the bytes it holds, back
// to the start of the block.
void FlushOutFile() {
    const int staged = Staged();
    if (staged == 0)
        return;
    WriteTarget(OutStage, staged);
    if (OWrite > 0)
        memmove(OutStage, OutBuf, (size_t)OWrite);
    OutBuf = OutStage;
}

// Final flush; closes both streams (those whose position can be taken) and
// removes a named target that received nothing.
// Only a regular file is ever removed: a device or anything else named as
// the target (/dev/null, /dev/full) reports a length of 0 whatever was
// written to it, and its name must survive the run.  A named regular
// file's length is its size; anything else is asked for it by a seek to its
// end (standard output too, where the report may follow the stream).
static long OutLength(bool* regular) {
    struct stat st;
    *regular = fstat(fileno(OutFile), &st) == 0 && S_ISREG(st.st_mode);
    if (*regular && OutFile != stdout)
        return (long)st.st_size;
    return fseek(OutFile, 0, SEEK_END) == 0 ? ftell(OutFile) : -1;
}

void EndOut() {
    WriteOutBuf();
    FlushOutFile();
    // Everything is written: from here on the target is the run's result.
    OutCreatedFd = -1;
    OutCreatedName = nullptr;
    bool regular = false;
    long outLen = OutFile != nullptr ? OutLength(&regular) : -1;
    long inPos = InFile != nullptr ? ftell(InFile) : -1;
    if (outLen >= 0) {
        // Standard output is only flushed: the end-of-run report may still
        // print on it.
        if (OutFile == stdout)
            fflush(OutFile);
        else
            fclose(OutFile);
        OutFile = nullptr;
        if (outLen == 0 && regular && OutFileName != nullptr && OutFileName[0] != '\0')
            remove(OutFileName);
    }
    if (inPos >= 0) {
        fclose(InFile);
        InFile = nullptr;
    }
}

// ---------------------------------------------------------------- the buffer ---

// Keep-backs outside 0..16383 would put the limit outside the buffer; they
// are clamped (the translator passes 2048).
void InitOutBuf(int16_t keepBack) {
    if (keepBack < 0)
        keepBack = 0;
    if (keepBack > OutBufSize - 4)
        keepBack = OutBufSize - 4;
    OWrap = keepBack;
    OLimit = (int16_t)(OutBufSize - 4 - keepBack);
    OWrite = 0;
}

// Writes the buffer but for the keep-back.  Saved positions are re-based by
// the bytes written; those whose byte left the buffer become -1.  This is
// done also when nothing remains: a position at the old end then points at
// the front, where the next byte goes, and every other one is lost.
void WriteOutBuf() {
    if (OWrite <= 0)
        return;
    int n = OWrite;
    if (Done == 0) {
        if (n > OWrap)
            n -= OWrap;
        else if (n > MinKeep)
            n -= MinKeep;
    }
    OutBuf += n; // the n bytes are staged; the kept tail is the view's front
    OWrite = (int16_t)(OWrite - n);
    if (Staged() > OutStageSize)
        FlushOutFile();
    for (int16_t& slot : OutPtrList) {
        int p = slot;
        slot = p < n ? (int16_t)-1 : (int16_t)(p - n);
    }
}

void PutInt(int16_t v) {
    uint16_t u = (uint16_t)v;
    OutBuf[OWrite] = (uint8_t)(u & 0xFF);
    OutBuf[OWrite + 1] = (uint8_t)(u >> 8);
    OWrite = (int16_t)(OWrite + 2);
    if (OWrite > OLimit)
        WriteOutBuf();
}

void PutLong(int32_t v) {
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; ++i)
        OutBuf[OWrite + i] = (uint8_t)(u >> (8 * i));
    OWrite = (int16_t)(OWrite + 4);
    if (OWrite > OLimit)
        WriteOutBuf();
}

// The limit is tested only after the last byte; a text that would not fit
// in the room left is flushed in pieces rather than written past the buffer.
void PutString(const char* s) {
    for (; *s != '\0'; ++s) {
        if (OWrite >= OutBufSize)
            WriteOutBuf();
        OutBuf[OWrite] = (uint8_t)*s;
        OWrite = (int16_t)(OWrite + 1);
    }
    if (OWrite > OLimit)
        WriteOutBuf();
}

void SetOutPtr(uint8_t slot) {
    OutPtrList[SlotIndex(slot)] = OWrite;
}

int GetOutPtr(uint8_t slot) {
    return OutPtrList[SlotIndex(slot)];
}

void ResetOutput() {
    OutFile = nullptr;
    OutBuf = OutStage;
    memset(OutBuf, 0, OutBufSize);
    OWrite = 0;
    OLimit = 0;
    OWrap = MinKeep;
    memset(OutPtrList, 0, sizeof OutPtrList);
    OutCreatedFd = -1;
    OutCreatedName = nullptr;
}
