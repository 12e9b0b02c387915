// Directory parts of path names.
#pragma once

#include <cstddef>

// The directory part of path: its first maxChars characters, cut just behind
// the last '/', or behind the last ':' when there is no '/', or empty when
// there is neither.  Always terminated within outSize bytes.
void GetDirPart(char* out, size_t outSize, const char* path, size_t maxChars);
