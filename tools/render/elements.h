// The elements of an intermediate stream, one at a time, for every reader of
// the stream (the listing, the summary and the renderings).
//
// The stream has no header and no framing beyond the record mark: a 0x00
// byte starts a control record (mark, code, length, payload), a 0x0D byte is
// a hard return, and every other byte is text.  The scanner hands out one
// element at a time and never looks at a byte at or past the end of the
// input, so it can be fed anything.  A record cut off by the end of the input
// is the last element; nothing after it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vnkdump {

enum class ElementKind : uint8_t {
    Record,     // a complete control record
    Text,       // a run of text bytes without hard returns
    HardReturn, // one 0x0D byte
    Truncated   // a record cut off by the end of the input; always the last element
};

struct Element {
    ElementKind kind;
    size_t offset;        // where the element starts in the input
    uint8_t code;         // Record: the control code; Truncated: the code byte, 0 if absent
    bool hasLength;       // Truncated: whether the header (code and length) is complete
    size_t length;        // Record: payload length; Truncated: the length byte if present
    const uint8_t* bytes; // Record: the payload; Text: the text bytes
    size_t size;          // Record: payload length; Text: run length; Truncated: bytes left
};

// Reads the element at pos into e and moves pos past it; false at the end of the input.
bool NextElement(const uint8_t* data, size_t size, size_t& pos, Element& e);

// Writes the one-line report of a truncated record, "vnkdump: record at offset ..." and a newline.
void PutTruncation(FILE* err, const Element& e);

// The 16-bit signed value stored low byte first at bytes (two bytes are read).
int16_t ReadInt16(const uint8_t* bytes);

} // namespace vnkdump
