// The stream inspector: an intermediate stream as a readable listing.
//
// This is the whole inspector apart from reading the file: it walks the
// elements of an in-memory stream and either lists each one or counts it.
// Keeping it free of the file system lets the tests and the fuzzer drive it
// with any bytes; the scanner guarantees nothing past the input is read.

#include "dump.h"

#include "listing.h"
#include "scan.h"
#include "stats.h"

namespace vnkdump {

int VnkDump(const uint8_t* data, size_t size, FILE* out, FILE* err, bool stats) {
    StreamStats counts;
    size_t pos = 0;
    Element e;
    bool truncated = false;
    while (NextElement(data, size, pos, e)) {
        if (e.kind == ElementKind::Truncated) {
            truncated = true;
            break;
        }
        if (stats)
            CountElement(counts, e);
        else
            PutElementLine(out, e);
    }
    if (stats) PutStats(out, counts);
    if (!truncated) return 0;
    std::fflush(out);
    PutTruncation(err, e);
    return 1;
}

} // namespace vnkdump
