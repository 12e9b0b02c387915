// One listing line per stream element.
#pragma once

#include <cstdio>

#include "scan.h"

namespace vnkdump {

// Writes the listing line of a record, text run or hard return (nothing for a truncated record).
void PutElementLine(FILE* out, const Element& e);
// Writes the one-line report of a truncated record, "vnkdump: record at offset ..." and a newline.
void PutTruncation(FILE* err, const Element& e);

} // namespace vnkdump
