// Generator of plain prose: the bench's second document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A PFS document of about approxBytes bytes of running text in long
// paragraphs (5 to 15 lines of 60 to 80 bytes, half of them with a
// first-line indent), parted by empty lines, with an enhanced word in about
// one paragraph in eight and a date field in one in twenty; the same for the
// same arguments everywhere.
std::vector<uint8_t> GenerateProse(size_t approxBytes, uint32_t seed);
