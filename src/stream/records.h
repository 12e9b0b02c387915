// Writers of control records.
//
// A record is 0x00, a code, a payload length L (0..255) and L payload bytes.
// Each writer appends one record to the output buffer; the buffer flushes
// itself as it fills, and a flush may fall inside a record without harm.
#pragma once

#include <cstdint>

#include "io/output.h"
#include "stream/codes.h"

// 0x00, code, length, then length bytes copied from data (no limit test).
void PutControl(uint8_t code, uint8_t length, const void* data);
// 0x00, code, 1, value.
inline void PutBControl(uint8_t code, uint8_t value);
// The same record put byte by byte, each put testing the output's limit.
void PutBControlByBytes(uint8_t code, uint8_t value);
// 0x00, code, 2, value low byte first.
void PutIControl(uint8_t code, int16_t value);

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// 0x00, code, 4, value least significant byte first.
void PutLControl(uint8_t code, int32_t value);
// 0x00, code, n, text; a one-character text is padded with its 0x00 (n 2).
void PutSControl(uint8_t code, const char* text);
// 0x00, code, n + 1, value, text; an empty text is written as one 0x00 byte.
void PutBSControl(uint8_t code, uint8_t value, const char* text);
// 0x00, code, 8, x, y, each least significant byte first.
void PutXYControl(uint8_t code, int32_t x, int32_t y);

// Inline, as records of one byte are the most frequent: when the four bytes
// fit below the output's limit, none of the four puts of PutBControlByBytes
// would flush, so the bytes are stored at once; otherwise they go by bytes.
inline void PutBControl(uint8_t code, uint8_t value) {
    if (OutRoomFor(4)) {
        uint8_t* p = OutBuf + OWrite;
        p[0] = vnk::RecordMark;
        p[1] = code;
        p[2] = 1;
        p[3] = value;
        OWrite = (int16_t)(OWrite + 4);
        return;
    }
    PutBControlByBytes(code, value);
}
