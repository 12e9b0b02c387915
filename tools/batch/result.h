// What became of one document: its status and the figures of its report line.
#pragma once

#include <cstddef>
#include <cstdint>

// Changed: the source changed while it was read (its size, modification
// or change time moved), so its target was not put in place.
enum class Status : int32_t { Ok, UpToDate, NotPfs, NotRegular, Failed, Crashed, Timeout, Changed };
constexpr int StatusCount = 8;

// "ok", "up-to-date", "not-pfs", "not-regular", "failed", "crashed", "timeout", "changed".
const char* StatusName(Status s);
// True for failed, crashed, timeout and changed: the statuses that make the exit status 1.
bool IsFailure(Status s);

constexpr size_t MessageSize = 1400;
constexpr size_t RenderErrorSize = 300;

// Bits of Result::rendered.
constexpr uint8_t RenderedText = 1;
constexpr uint8_t RenderedHtml = 2;
constexpr uint8_t RenderedOdt = 4;
constexpr uint8_t RenderedPdf = 8;

// A SHA-256 checksum.
struct Digest {
    unsigned char bytes[32] = {};
};

// The files a result holds checksums of (bits of Result::hashed): the
// source, the target and each rendering, named in the report by the
// extension of the file.
enum HashSlot : int { HashSource, HashVnk, HashTxt, HashHtml, HashOdt, HashPdf, HashSlots };

// One document's outcome.  A worker sends it to the batch in a single write
// to a pipe; it is smaller than PIPE_BUF, so it always arrives whole.
struct Result {
    uint32_t index = 0; // position in the work list
    Status status = Status::Failed;
    int32_t error = 0;  // the module's error code, 0 for none
    int32_t signal = 0; // the signal that ended the worker (crashed)
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    double ms = 0;
    int8_t complete = -1; // 1 ended at its end-of-text byte, 0 did not, -1 not translated
    bool noSpace = false; // the target file system is full
    bool done = false;    // the result is in
    char message[MessageSize] = {};
    // The renderings written by this run (RenderedText, RenderedHtml, RenderedOdt, RenderedPdf).
    uint8_t rendered = 0;
    uint8_t renderFailed = 0;               // the renderings that could not be written
    char renderError[RenderErrorSize] = {}; // why a rendering is missing; empty when none
    bool pdfWanted = false;                 // its ODT is in place and its PDF is still to be made
    uint8_t hashed = 0;                     // bits (1 << HashSlot) of the checksums below
    Digest digests[HashSlots];
};
static_assert(sizeof(Result) < 4096, "a result must fit in one atomic pipe write");

// Copies text into r's message, cut to fit.
void SetMessage(Result& r, const char* text);
