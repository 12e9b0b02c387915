// One listing line per stream element.
//
// Every line starts with the element's offset as six uppercase hex digits
// (more when the input is larger than 16 MiB), and the fields are separated
// by exactly two spaces with no padding, so an expected listing can be typed
// by hand without counting columns.  A record shows its code as two
// uppercase hex digits, its short name from the code table ("??" for a code
// the module never writes) and its decoded payload; an unknown code has no
// kind, so its payload is always shown raw.

#include "listing.h"

#include "payload.h"
#include "quote.h"
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

} // namespace

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

void PutTruncation(FILE* err, const Element& e) {
    std::fprintf(err, "vnkdump: record at offset 0x%06zX truncated: ", e.offset);
    if (!e.hasLength)
        std::fprintf(err, "header needs 3 bytes, %zu left\n", e.size);
    else
        std::fprintf(err, "code %02X, length %zu, %zu byte%s left\n", e.code, e.length, e.size,
                     e.size == 1 ? "" : "s");
}

} // namespace vnkdump
