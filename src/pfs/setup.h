// Document setup: the signature test, both buffers, the page layout, the
// default tab stops, the running header and footer and the justification.
#pragma once

#include <cstdint>

extern int16_t PageLength; // page length, twips
extern int16_t TopMargin;  // top margin, twips
extern int16_t BotMargin;  // end of the text area from the top of the page, twips
extern int16_t LtMargin;   // left margin: twips while written, then columns
extern int16_t RtMargin;   // right margin: twips while written, then columns
extern uint8_t Alignment;  // 0 none, 1 right, 2 centred, 3 justified

// Keep-backs of the input window and the output buffer.
constexpr int16_t PfsInKeep = 1024;
constexpr int16_t PfsOutKeep = 2048;

// Sets the document up; 1 when the body is ready at IRead, 0 (error 8) when
// the source is not a PFS document.  Nothing is written in that case.
int InitPfsp();
// Translates the header or footer line whose length byte stands at offset.
void PfsHeadFoot(int16_t offset);

void ResetSetup();
