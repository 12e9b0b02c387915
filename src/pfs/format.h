// The PFS document format, as far as the translator reads it.
//
// A document is a 1024-byte header followed by the text body at offset 1025
// (byte 1024 is skipped).  Header numbers are unsigned 16-bit, low byte
// first; page measures are in lines (at LPI lines per inch), margins in
// columns of 144 twips.  The body is a stream of bytes with the vocabulary
// below; the header and footer lines use the same vocabulary.
#pragma once

#include <cstdint>

namespace pfs {

// ------------------------------------------------------------ the header ---
// clang-format off
constexpr int PageLines    = 0;    // page length, lines (2 bytes)
constexpr int TopLines     = 2;    // top margin, lines (2 bytes)
constexpr int BottomLines  = 4;    // bottom margin, lines up from the bottom edge (2 bytes)
constexpr int LeftColumns  = 10;   // left margin, columns (2 bytes)
constexpr int RightColumns = 12;   // right margin: column at which lines end (2 bytes)
constexpr int HeaderLine1  = 328;  // length byte of header line 1 (0: no header); text follows
constexpr int HeaderLine2  = 402;  // length byte of header line 2 (0: none)
constexpr int FooterLine1  = 484;  // length byte of footer line 1 (0: no footer)
constexpr int FooterLine2  = 558;  // length byte of footer line 2 (0: none)
constexpr int Signature    = 641;  // "TYP", exact case
constexpr int HeaderAlign  = 822;  // 0 centred, 2 right, other left
constexpr int FooterAlign  = 824;  // coded as HeaderAlign
constexpr int Justify      = 826;  // 1: the body is justified
constexpr int HeaderAttr   = 828;  // header attribute bits (below)
constexpr int FooterAttr   = 830;  // footer attribute bits
constexpr int Skipped      = 1024; // not read
constexpr int BodyStart    = 1025; // first byte of the text body
// clang-format on

constexpr uint8_t SignatureText[3] = {'T', 'Y', 'P'};

// Alignment byte values of HeaderAlign / FooterAlign.
constexpr uint8_t AlignByteCentre = 0;
constexpr uint8_t AlignByteLeft = 1; // any value but 0 and 2
constexpr uint8_t AlignByteRight = 2;

// Attribute bits of HeaderAttr / FooterAttr.
constexpr uint8_t HfUnderline = 0x01;
constexpr uint8_t HfBold = 0x02;
constexpr uint8_t HfUnderline2 = 0x04; // a second underline bit
constexpr uint8_t HfSuper = 0x08;      // wins over HfSub
constexpr uint8_t HfSub = 0x10;

// --------------------------------------------------- the body's vocabulary ---
// clang-format off
constexpr uint8_t LineEnd0   = 0x00; // line end: soft next, single spacing
constexpr uint8_t LineEnd1   = 0x01; // line end: hard next, single spacing
constexpr uint8_t LineEnd2   = 0x02; // line end: soft next, double spacing
constexpr uint8_t LineEnd3   = 0x03; // line end: hard next, double spacing
constexpr uint8_t LineEndHardBit   = 0x01;
constexpr uint8_t LineEndDoubleBit = 0x02;
constexpr uint8_t FormatOpen = 0x07; // opens a run of format records
constexpr uint8_t Tab        = 0x09;
constexpr uint8_t EndOfText  = 0x0E;
constexpr uint8_t Space      = 0x20;
constexpr uint8_t Asterisk   = 0x2A; // opens an embedded command
constexpr uint8_t Hyphen     = 0x2D;
constexpr uint8_t LeadMin    = 0x80; // lead bytes 0x80..0xFF start an enhanced character
constexpr uint8_t Lead0xFF   = 0xFF; // written as 0x1F
constexpr uint8_t Written0xFF = 0x1F;
// clang-format on

// A byte 0..3: a line-end code.
constexpr bool IsLineEnd(int b) {
    return b >= 0 && b <= 3;
}

// ----------------------------------------------------- enhanced characters ---
// Bits of the attribute byte that follows a lead byte.
// clang-format off
constexpr uint8_t AttrUnderline = 0x01;
constexpr uint8_t AttrBold      = 0x02;
constexpr uint8_t AttrItalic    = 0x04;
constexpr uint8_t AttrSuper     = 0x08;
constexpr uint8_t AttrSub       = 0x10;
constexpr uint8_t AttrEnhanced  = 0x20; // no attribute of its own, still enhanced
constexpr uint8_t AttrKeepHigh  = 0x40; // set: the lead byte unchanged; clear: bit 7 cleared
constexpr uint8_t AttrAny       = 0x3F; // any of these: an enhanced character
// clang-format on

// ----------------------------------------------------------- format records ---
// Offsets from the size byte (the byte after 0x07).
constexpr int FmtSize = 0;  // size of the whole record, counting 0x07 and this byte
constexpr int FmtFlag = 1;  // nonzero: the record sets new margins
constexpr int FmtLeft = 2;  // new left margin, columns
constexpr int FmtRight = 3; // new right margin, columns

} // namespace pfs
