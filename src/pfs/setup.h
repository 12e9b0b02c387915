// Document setup: the signature test, both buffers, the page layout, the
// default tab stops, the running header and footer and the justification.
#pragma once

#include <cstdint>

// Keep-backs of the input window and the output buffer.
constexpr int16_t PfsInKeep = 1024;
constexpr int16_t PfsOutKeep = 2048;

// Sets the document up; 1 when the body is ready at IRead, 0 (error 8) when
// the source is not a PFS document.  Nothing is written in that case.
int InitPfsp();
// Translates the header or footer line whose length byte stands at offset.
void PfsHeadFoot(int16_t offset);
