// Writing bytes as a quoted, escaped string.
//
// Text in the stream is in the source program's character set, so nothing
// beyond printable ASCII is shown as itself: every other byte, including the
// tab, line feed and every byte from 0x80 up, becomes \xNN.  One escape form
// for all of them keeps listings easy to write by hand and to compare, and
// a listing line never breaks or changes meaning with the terminal's
// character set.

#include "quote.h"

namespace vnkdump {

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
