// Control records of the intermediate stream.
//
// The header bytes go through PutOut and the numbers through PutInt and
// PutLong, which test the output limit; a raw payload (PutControl) and the
// text of a string payload are copied straight into the buffer and the next
// put that tests the limit flushes.  The keep-back of the output buffer
// leaves room past the limit for a full 255-byte payload.

#include "stream/records.h"

#include <cstring>

#include "io/output.h"
#include "stream/codes.h"

// Header of a record: the mark, the code and the payload length.
static void PutHeader(uint8_t code, uint8_t length) {
    if (OutRoomFor(3)) { // the three puts below, without their tests
        uint8_t* p = OutBuf + OWrite;
        p[0] = vnk::RecordMark;
        p[1] = code;
        p[2] = length;
        OWrite = (int16_t)(OWrite + 3);
        return;
    }
    PutOut(vnk::RecordMark);
    PutOut(code);
    PutOut(length);
}

// Copies a payload into the buffer without a limit test.  Should a payload
// not fit in the room past the limit (a keep-back smaller than the module's
// own), the buffer is flushed first rather than written past its end.
static void CopyPayload(const void* data, int length) {
    if (length <= 0)
        return;
    if (OWrite + length > OutBufSize)
        WriteOutBuf();
    memcpy(OutBuf + OWrite, data, (size_t)length);
    OWrite = (int16_t)(OWrite + length);
}

void PutControl(uint8_t code, uint8_t length, const void* data) {
    PutHeader(code, length);
    CopyPayload(data, length);
}

void PutBControlByBytes(uint8_t code, uint8_t value) {
    PutHeader(code, 1);
    PutOut(value);
}

void PutIControl(uint8_t code, int16_t value) {
    PutHeader(code, 2);
    PutInt(value);
}

void PutLControl(uint8_t code, int32_t value) {
    PutHeader(code, 4);
    PutLong(value);
}

// A text longer than the length byte can say is cut to 255 characters.
void PutSControl(uint8_t code, const char* text) {
    size_t n = strlen(text);
    if (n > 255)
        n = 255;
    if (n == 1) {
        PutHeader(code, 2);
        PutOut((uint8_t)text[0]);
        PutOut(0);
        return;
    }
    PutHeader(code, (uint8_t)n);
    CopyPayload(text, (int)n);
}

// A text longer than 254 characters is cut to 254.
void PutBSControl(uint8_t code, uint8_t value, const char* text) {
    size_t n = strlen(text);
    if (n > 254)
        n = 254;
    if (n == 0) {
        PutHeader(code, 2);
        PutOut(value);
        PutOut(0);
        return;
    }
    PutHeader(code, (uint8_t)(n + 1));
    PutOut(value);
    CopyPayload(text, (int)n);
}

void PutXYControl(uint8_t code, int32_t x, int32_t y) {
    PutHeader(code, 8);
    PutLong(x);
    PutLong(y);
}
