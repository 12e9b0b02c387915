#include "common/escape.h"

// Characters of the longest escape, "\xNN".
constexpr size_t EscapeMax = 4;

// The text that stands for c in a report; returns its length.
static size_t EscapeOf(unsigned char c, char out[EscapeMax]) {
    static const char Hex[] = "0123456789ABCDEF";
    const char* named = c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
    if (c == '\\')
        named = "\\\\";
    if (named != nullptr) {
        out[0] = named[0];
        out[1] = named[1];
        return 2;
    }
    if (c >= 0x20 && c != 0x7F) {
        out[0] = (char)c;
        return 1;
    }
    out[0] = '\\';
    out[1] = 'x';
    out[2] = Hex[c >> 4];
    out[3] = Hex[c & 0x0F];
    return 4;
}

void PutEscaped(FILE* fp, const char* text) {
    char piece[EscapeMax];
    for (const char* p = text; *p != '\0'; ++p)
        fwrite(piece, 1, EscapeOf((unsigned char)*p, piece), fp);
}

void CopyEscaped(char* out, size_t size, const char* text) {
    if (size == 0)
        return;
    size_t len = 0;
    char piece[EscapeMax];
    for (const char* p = text; *p != '\0'; ++p) {
        size_t n = EscapeOf((unsigned char)*p, piece);
        if (len + n >= size)
            break;
        for (size_t i = 0; i < n; ++i)
            out[len++] = piece[i];
    }
    out[len] = '\0';
}
