// Splitting a stream into its elements.
//
// A record is recognised by its leading 0x00 alone; text cannot contain that
// byte, so the split is unambiguous and needs no look-back.  A text run ends
// before the next 0x00 or 0x0D, which keeps every hard return on its own
// element and lets the listing show line structure.  A record whose header
// or payload would run past the end becomes a Truncated element carrying
// what is known about it (the code and length when present, and the number
// of bytes that follow its header), and the scan stops there: the bytes
// after a broken record cannot be placed reliably.

#include "elements.h"

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

void PutTruncation(FILE* err, const Element& e) {
    std::fprintf(err, "vnkdump: record at offset 0x%06zX truncated: ", e.offset);
    if (!e.hasLength)
        std::fprintf(err, "header needs 3 bytes, %zu left\n", e.size);
    else
        std::fprintf(err, "code %02X, length %zu, %zu byte%s left\n", e.code, e.length, e.size,
                     e.size == 1 ? "" : "s");
}

int16_t ReadInt16(const uint8_t* bytes) {
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

} // namespace vnkdump
