// Counting the elements of a stream.
//
// The summary answers "which records does this stream hold, and how much
// text": one line per code that occurs, "CODE  NAME  COUNT" in ascending code
// order with the same code and name fields as the listing, then three total
// lines, "records  N", "text-bytes  N" and "hard-returns  N".  Text bytes
// count every byte outside records, the hard returns among them, so that
// the record bytes and the text bytes add up to the size of a sound stream.

#include "stats.h"

#include "stream/codes.h"

namespace vnkdump {

void CountElement(StreamStats& stats, const Element& e) {
    switch (e.kind) {
    case ElementKind::Record:
        ++stats.perCode[e.code];
        ++stats.records;
        break;
    case ElementKind::Text:
        stats.textBytes += e.size;
        break;
    case ElementKind::HardReturn:
        ++stats.textBytes;
        ++stats.hardReturns;
        break;
    case ElementKind::Truncated:
        break;
    }
}

void PutStats(FILE* out, const StreamStats& stats) {
    for (unsigned code = 0; code < 256; ++code) {
        if (stats.perCode[code] == 0)
            continue;
        const vnk::CodeInfo* info = vnk::FindCode(static_cast<uint8_t>(code));
        std::fprintf(out, "%02X  %s  %zu\n", code, info ? info->name : "??", stats.perCode[code]);
    }
    std::fprintf(out, "records  %zu\n", stats.records);
    std::fprintf(out, "text-bytes  %zu\n", stats.textBytes);
    std::fprintf(out, "hard-returns  %zu\n", stats.hardReturns);
}

} // namespace vnkdump
