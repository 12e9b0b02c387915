// Decoding a control record's payload, and quoting bytes, for the listing.
//
// The code table gives each code a payload kind; this file turns the bytes
// into text by that kind:
//   Byte    L = 1  unsigned decimal            "144"
//   Int16   L = 2  signed decimal, low first   "-5"
//   Twips   L = 2  as Int16, then inches       "9360 (6.500in)"
//   Raw     any L  the bytes quoted            "\"2\""
//   ColType L = 2  column, then the type char  "12 \"x\""
// A payload whose length does not fit its kind is not guessed at: it is
// shown as "raw" and its bytes in hex, so a malformed record stays visible
// as exactly what it holds.  Inches are computed in integer thousandths,
// rounded half away from zero, so the text is the same on every platform.
//
// Text in the stream is in the source program's character set, so nothing
// beyond printable ASCII is quoted as itself: every other byte, including
// the tab, line feed and every byte from 0x80 up, becomes \xNN.  One escape
// form for all of them keeps listings easy to write by hand and to compare,
// and a listing line never breaks or changes meaning with the terminal's
// character set.

#include "payload.h"

#include <cstdlib>

#include "elements.h"

namespace vnkdump {

namespace {

constexpr int TwipsPerInch = 1440;

} // namespace

void PutRaw(FILE* out, const uint8_t* bytes, size_t size) {
    std::fputs("raw", out);
    for (size_t i = 0; i < size; ++i)
        std::fprintf(out, " %02X", bytes[i]);
}

void PutTwips(FILE* out, int16_t twips) {
    const long magnitude = std::labs(static_cast<long>(twips));
    const long thousandths = (magnitude * 1000 + TwipsPerInch / 2) / TwipsPerInch;
    std::fprintf(out, "%d (%s%ld.%03ldin)", twips, twips < 0 ? "-" : "", thousandths / 1000,
                 thousandths % 1000);
}

void PutPayload(FILE* out, vnk::Payload kind, const uint8_t* bytes, size_t size) {
    switch (kind) {
    case vnk::Payload::Byte:
        if (size != 1)
            break;
        std::fprintf(out, "%u", bytes[0]);
        return;
    case vnk::Payload::Int16:
        if (size != 2)
            break;
        std::fprintf(out, "%d", ReadInt16(bytes));
        return;
    case vnk::Payload::Twips:
        if (size != 2)
            break;
        PutTwips(out, ReadInt16(bytes));
        return;
    case vnk::Payload::Raw:
        PutQuoted(out, bytes, size);
        return;
    case vnk::Payload::ColType:
        if (size != 2)
            break;
        std::fprintf(out, "%u ", bytes[0]);
        PutQuoted(out, bytes + 1, 1);
        return;
    }
    PutRaw(out, bytes, size);
}

void PutQuoted(FILE* out, const uint8_t* bytes, size_t size) {
    std::fputc('"', out);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = bytes[i];
        if (b == '"' || b == '\\') {
            std::fputc('\\', out);
            std::fputc(b, out);
        } else if (b >= 0x20 && b <= 0x7E) {
            std::fputc(b, out);
        } else {
            std::fprintf(out, "\\x%02X", b);
        }
    }
    std::fputc('"', out);
}

} // namespace vnkdump
