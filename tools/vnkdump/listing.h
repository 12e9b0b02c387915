// The stream inspector's listing: an intermediate stream split into its
// elements and shown one element a line.
//
// The elements are those of elements.h.
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

#include "elements.h"

namespace vnkdump {

// Lists (or, with stats, summarises) the stream; returns 0, or 1 after reporting a truncated record
// on err.
int VnkDump(const uint8_t* data, size_t size, FILE* out, FILE* err, bool stats);

} // namespace vnkdump
