// Decoding a control record's payload, and quoting bytes, for the listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "stream/codes.h"

namespace vnkdump {

// Writes the payload decoded as kind, or as "raw" hex bytes when its length does not fit the kind.
void PutPayload(FILE* out, vnk::Payload kind, const uint8_t* bytes, size_t size);
// Writes the payload as "raw" followed by each byte as a space and two uppercase hex digits.
void PutRaw(FILE* out, const uint8_t* bytes, size_t size);
// Writes a twips measure as "<twips> (<inches>in)", the inches rounded to three decimals.
void PutTwips(FILE* out, int16_t twips);
// Writes the bytes between double quotes: printable ASCII as itself, '"' and
// '\' with a backslash, every other byte as \xNN (two uppercase hex digits).
void PutQuoted(FILE* out, const uint8_t* bytes, size_t size);

} // namespace vnkdump
