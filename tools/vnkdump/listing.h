// The stream inspector's listing: an intermediate stream split into its
// elements and shown one element a line.
//
// The stream has no header and no framing beyond the record mark: a 0x00
// byte starts a control record (mark, code, length, payload), a 0x0D byte is
// a hard return, and every other byte is text.  The scanner hands out one
// element at a time and never looks at a byte at or past the end of the
// input, so it can be fed anything.
//
// Listing format (stable; tests state expected translations in it).  One
// line per element, fields separated by exactly two spaces, no padding, no
// trailing blanks.  OFFSET is the element's byte offset as at least six
// uppercase hex digits.
//
//   OFFSET  CODE  NAME  PAYLOAD   a control record: CODE two uppercase hex
//                                 digits, NAME the code's short name ("??"
//                                 for a code the module never writes)
//   OFFSET  text  "..."           a run of text bytes up to the next record
//                                 or hard return
//   OFFSET  CR                    a hard return (the text byte 0x0D)
//
// PAYLOAD by the code's kind: byte "7"; 16-bit "-5"; twips "9360 (6.500in)"
// (inches rounded to three decimals); raw string "\"2\""; column and type
// "12 \"x\"".  A payload whose length does not fit its kind, and the payload
// of an unknown code, is "raw" followed by its bytes, e.g. "raw 01 02"
// ("raw" alone when empty).  Quoted bytes: printable ASCII as itself, \" and
// \\, every other byte \xNN.
//
// Example, the start of every stream:
//   000000  F0  source-program  10
//   000004  00  prologue-00  7
//   000020  64  left-margin  0 (0.000in)
//   000025  65  right-margin  9360 (6.500in)
//
// Summary format (stats = true), instead of the listing: see stats.h.
//
// A record cut off by the end of the input is reported on the error stream
// as "vnkdump: record at offset 0xOFFSET truncated: ..." after everything
// before it has been listed (or counted); nothing after it is read.
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

// Lists (or, with stats, summarises) the stream; returns 0, or 1 after reporting a truncated record
// on err.
int VnkDump(const uint8_t* data, size_t size, FILE* out, FILE* err, bool stats);

// Writes the one-line report of a truncated record, "vnkdump: record at offset ..." and a newline.
void PutTruncation(FILE* err, const Element& e);

} // namespace vnkdump
