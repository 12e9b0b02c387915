// The stream inspector's listing: an intermediate stream split into its
// elements and shown one element a line.
//
// Every listing line starts with the element's offset as six uppercase hex
// digits (more when the input is larger than 16 MiB), and the fields are
// separated by exactly two spaces with no padding, so an expected listing
// can be typed by hand without counting columns.  A record shows its code as
// two uppercase hex digits, its short name from the code table ("??" for a
// code the module never writes) and its decoded payload; an unknown code has
// no kind, so its payload is always shown raw.

#include "listing.h"

#include "payload.h"
#include "stats.h"
#include "stream/codes.h"

namespace vnkdump {

namespace {

// Writes a record line: offset, code, name, payload.
void PutRecordLine(FILE* out, const Element& e) {
    const vnk::CodeInfo* info = vnk::FindCode(e.code);
    std::fprintf(out, "%06zX  %02X  %s  ", e.offset, e.code, info ? info->name : "??");
    if (info)
        PutPayload(out, info->kind, e.bytes, e.size);
    else
        PutRaw(out, e.bytes, e.size);
    std::fputc('\n', out);
}

// Writes the listing line of a record, text run or hard return (nothing for a truncated record).
void PutElementLine(FILE* out, const Element& e) {
    switch (e.kind) {
    case ElementKind::Record:
        PutRecordLine(out, e);
        break;
    case ElementKind::Text:
        std::fprintf(out, "%06zX  text  ", e.offset);
        PutQuoted(out, e.bytes, e.size);
        std::fputc('\n', out);
        break;
    case ElementKind::HardReturn:
        std::fprintf(out, "%06zX  CR\n", e.offset);
        break;
    case ElementKind::Truncated:
        break;
    }
}

} // namespace

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
    if (stats)
        PutStats(out, counts);
    if (!truncated)
        return 0;
    std::fflush(out);
    PutTruncation(err, e);
    return 1;
}

} // namespace vnkdump
