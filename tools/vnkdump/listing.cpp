// The stream inspector's listing: an intermediate stream split into its
// elements and shown one element a line.
//
// A record is recognised by its leading 0x00 alone; text cannot contain that
// byte, so the split is unambiguous and needs no look-back.  A text run ends
// before the next 0x00 or 0x0D, which keeps every hard return on its own
// element and lets the listing show line structure.  A record whose header
// or payload would run past the end becomes a Truncated element carrying
// what is known about it (the code and length when present, and the number
// of bytes that follow its header), and the scan stops there: the bytes
// after a broken record cannot be placed reliably.
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

constexpr size_t HeaderSize = 3; // mark, code, length

// Fills e as a record or truncated record starting at pos; returns the bytes it spans.
size_t ScanRecord(const uint8_t* data, size_t size, size_t pos, Element& e) {
    const size_t left = size - pos;
    e.hasLength = left >= HeaderSize;
    e.code = left > 1 ? data[pos + 1] : 0;
    e.length = e.hasLength ? data[pos + 2] : 0;
    if (left < HeaderSize || left - HeaderSize < e.length) {
        e.kind = ElementKind::Truncated;
        e.size = left < HeaderSize ? left : left - HeaderSize;
        return left;
    }
    e.kind = ElementKind::Record;
    e.bytes = data + pos + HeaderSize;
    e.size = e.length;
    return HeaderSize + e.length;
}

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

bool NextElement(const uint8_t* data, size_t size, size_t& pos, Element& e) {
    if (pos >= size)
        return false;
    e = Element{};
    e.offset = pos;
    const uint8_t first = data[pos];
    if (first == vnk::RecordMark) {
        pos += ScanRecord(data, size, pos, e);
        return true;
    }
    if (first == vnk::HardReturn) {
        e.kind = ElementKind::HardReturn;
        e.bytes = data + pos;
        e.size = 1;
        ++pos;
        return true;
    }
    size_t end = pos;
    while (end < size && data[end] != vnk::RecordMark && data[end] != vnk::HardReturn)
        ++end;
    e.kind = ElementKind::Text;
    e.bytes = data + pos;
    e.size = end - pos;
    pos = end;
    return true;
}

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

void PutTruncation(FILE* err, const Element& e) {
    std::fprintf(err, "vnkdump: record at offset 0x%06zX truncated: ", e.offset);
    if (!e.hasLength)
        std::fprintf(err, "header needs 3 bytes, %zu left\n", e.size);
    else
        std::fprintf(err, "code %02X, length %zu, %zu byte%s left\n", e.code, e.length, e.size,
                     e.size == 1 ? "" : "s");
}

} // namespace vnkdump
