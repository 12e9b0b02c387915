// Counting the elements of a stream, for the summary (vnkdump --stats).
//
// Summary format, instead of the listing: "CODE  NAME  COUNT" for each code
// present in ascending order, then "records  N", "text-bytes  N" (hard
// returns included) and "hard-returns  N".
#pragma once

#include <cstddef>
#include <cstdio>

#include "listing.h"

namespace vnkdump {

struct StreamStats {
    size_t perCode[256] = {}; // complete records by code
    size_t records = 0;       // complete records in all
    size_t textBytes = 0;     // bytes outside records, hard returns included
    size_t hardReturns = 0;   // 0x0D bytes outside records
};

// Adds one element to the counts (a truncated record counts nowhere).
void CountElement(StreamStats& stats, const Element& e);
// Writes one line per code that occurred, in code order, then the totals.
void PutStats(FILE* out, const StreamStats& stats);

} // namespace vnkdump
