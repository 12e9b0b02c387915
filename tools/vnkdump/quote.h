// Writing bytes as a quoted, escaped string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vnkdump {

// Writes the bytes between double quotes: printable ASCII as itself, '"' and
// '\' with a backslash, every other byte as \xNN (two uppercase hex digits).
void PutQuoted(FILE* out, const uint8_t* bytes, size_t size);

} // namespace vnkdump
