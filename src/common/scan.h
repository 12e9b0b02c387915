// Word-at-a-time byte scans for the translator's hot loops.
//
// The body is mostly runs of ordinary text, and the two scans that walk
// them (the plain-text copy and the search for a line's end) look for the
// first byte of a small class.  Eight bytes are tested at once: each test
// marks bit 7 of every byte of the word that is in the class.  A mark is
// exact for the lowest such byte (a borrow only runs upward from a byte in
// the class), which is all a scan needs: it stops there and goes on byte by
// byte.  The input window steps over runs of spaces with the same kind of
// test, so the scans sit in the lowest layer.  The scans keep their byte-at-a-time loops for the
// tail and for big-endian machines, so the result never depends on this file.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scan {

// The word scans are used where the first byte in memory is the low byte.
constexpr bool Enabled = std::endian::native == std::endian::little;

constexpr uint64_t Ones = 0x0101010101010101ull;
constexpr uint64_t Highs = 0x8080808080808080ull;

// Eight bytes from p, the first in the low byte.
inline uint64_t Load8(const uint8_t* p) {
    uint64_t w;
    memcpy(&w, p, sizeof w);
    return w;
}

// Marks bytes below n (n at most 128).
constexpr uint64_t Below(uint64_t w, uint8_t n) {
    return (w - Ones * n) & ~w & Highs;
}

// Marks bytes equal to v.
constexpr uint64_t Equal(uint64_t w, uint8_t v) {
    return Below(w ^ (Ones * v), 1);
}

// Marks bytes of 0x80 and above.
constexpr uint64_t High(uint64_t w) {
    return w & Highs;
}

// Index (0..7) of the first marked byte of a nonzero mark.
inline int First(uint64_t marks) {
    return std::countr_zero(marks) >> 3;
}

// Sixteen bytes at once where SSE2 is there (every x86-64): the first of
// p[0..15] that is below lo, of 0x80 and above, or equal to v; 16 when none
// is.  As signed bytes, those of 0x80 and above are negative, so one signed
// compare with lo (at most 0x7F) finds both kinds.  Without SSE2, Wide is
// false and the callers use the eight-byte scans alone.
#if defined(__SSE2__)
constexpr bool Wide = true;
inline int FirstBelowHighOr16(const uint8_t* p, uint8_t lo, uint8_t v) {
    __m128i w;
    memcpy(&w, p, sizeof w);
    __m128i below = _mm_cmplt_epi8(w, _mm_set1_epi8((char)lo));
    __m128i equal = _mm_cmpeq_epi8(w, _mm_set1_epi8((char)v));
    unsigned m = (unsigned)_mm_movemask_epi8(_mm_or_si128(below, equal));
    return m != 0 ? std::countr_zero(m) : 16;
}

// The same test, and the sixteen bytes stored at dst as they are: the
// caller keeps the ones before the returned index and writes over the rest.
inline int CopyBelowHighOr16(const uint8_t* p, uint8_t* dst, uint8_t lo, uint8_t v) {
    __m128i w;
    memcpy(&w, p, sizeof w);
    memcpy(dst, &w, sizeof w);
    __m128i below = _mm_cmplt_epi8(w, _mm_set1_epi8((char)lo));
    __m128i equal = _mm_cmpeq_epi8(w, _mm_set1_epi8((char)v));
    unsigned m = (unsigned)_mm_movemask_epi8(_mm_or_si128(below, equal));
    return m != 0 ? std::countr_zero(m) : 16;
}

// The first of p[0..15] that is at most lo or equals v (both compared
// unsigned); 16 when none is.
inline int FirstAtMostOrEqual16(const uint8_t* p, uint8_t lo, uint8_t v) {
    __m128i b;
    memcpy(&b, p, sizeof b);
    __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(b, _mm_set1_epi8((char)lo)), b);
    __m128i eq = _mm_cmpeq_epi8(b, _mm_set1_epi8((char)v));
    unsigned m = (unsigned)_mm_movemask_epi8(_mm_or_si128(low, eq));
    return m != 0 ? std::countr_zero(m) : 16;
}

// The number of bytes from p[0] on that equal v, counting at most sixteen:
// 16 when all of p[0..15] do.
inline int LeadingEqual16(const uint8_t* p, uint8_t v) {
    __m128i w;
    memcpy(&w, p, sizeof w);
    unsigned eq = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(w, _mm_set1_epi8((char)v)));
    return std::countr_zero(~eq); // the first byte that differs; bit 16 of ~eq is set
}

// Eight two-byte characters at p (a lead byte, then an attribute byte): the
// number of them, from the first, whose lead is 0x80 or above and whose
// attribute byte is attr.  The eight leads, each ANDed with keep and then
// from turned into to, are stored at dst[0..7]; the caller keeps the ones
// before the returned count.
inline int CopyLeads8(const uint8_t* p, uint8_t* dst, uint8_t attr, uint8_t keep, uint8_t from,
                      uint8_t to) {
    __m128i w;
    memcpy(&w, p, sizeof w);
    // Bit 2i of ok: lead i is high; bit 2i+1: attribute byte i is attr.
    __m128i isAttr = _mm_cmpeq_epi8(w, _mm_set1_epi16((short)(attr << 8)));
    unsigned ok = ((unsigned)_mm_movemask_epi8(w) & 0x5555u) |
                  ((unsigned)_mm_movemask_epi8(isAttr) & 0xAAAAu);
    __m128i leads = _mm_and_si128(w, _mm_set1_epi16(keep)); // 0..255 in each 16-bit lane
    __m128i isFrom = _mm_cmpeq_epi16(leads, _mm_set1_epi16(from));
    leads =
        _mm_or_si128(_mm_andnot_si128(isFrom, leads), _mm_and_si128(isFrom, _mm_set1_epi16(to)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(leads, leads));
    return std::countr_zero(~ok) >> 1; // the first pair with a bit clear; 8 when none is
}

// Bits 1, 4, 7, ... 46: the middle byte of each of sixteen 3-byte entries.
constexpr uint64_t MiddleBytes = [] {
    uint64_t m = 0;
    for (int i = 0; i < 16; ++i)
        m |= 1ull << (3 * i + 1);
    return m;
}();

// Sixteen 3-byte entries at p (48 bytes): the index of the first whose
// middle byte is not zero; 16 when none is.
inline int FirstMiddleSet16(const uint8_t* p) {
    uint64_t set = 0;
    for (int i = 0; i < 3; ++i) {
        __m128i w;
        memcpy(&w, p + 16 * i, sizeof w);
        unsigned zero = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(w, _mm_setzero_si128()));
        set |= (uint64_t)(~zero & 0xFFFFu) << (16 * i);
    }
    set &= MiddleBytes;
    return set != 0 ? std::countr_zero(set) / 3 : 16;
}
#else
constexpr bool Wide = false;
inline int FirstBelowHighOr16(const uint8_t*, uint8_t, uint8_t) {
    return 16;
}
inline int CopyBelowHighOr16(const uint8_t*, uint8_t*, uint8_t, uint8_t) {
    return 0;
}
inline int LeadingEqual16(const uint8_t*, uint8_t) {
    return 0;
}
inline int FirstAtMostOrEqual16(const uint8_t*, uint8_t, uint8_t) {
    return 16;
}
inline int CopyLeads8(const uint8_t*, uint8_t*, uint8_t, uint8_t, uint8_t, uint8_t) {
    return 0;
}
inline int FirstMiddleSet16(const uint8_t*) {
    return 16;
}
#endif

} // namespace scan
