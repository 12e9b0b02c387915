// Generator of large, realistic PFS documents for benchmarks, fuzz seeds and
// window-crossing tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PfsWriter;

// A whole PFS document of about approxBytes bytes (never fewer than the
// header and a short body), the same for the same arguments on every
// platform: a running header with a page number and a footer, centred
// headings, paragraphs with first-line, hanging and block indents, wrapped
// and hyphenated lines, enhanced runs, tab tables, fields and other
// commands, format lines, page breaks and double-spaced passages, closed by
// the end-of-text byte.
std::vector<uint8_t> GenerateDocument(size_t approxBytes, uint32_t seed);

// The same document written into w (header fields and body, without
// bytes()), for callers that want to add to it or look at the writer.
void GenerateInto(PfsWriter& w, size_t approxBytes, uint32_t seed);
