// The text body: one turn of the translation loop.
//
// Before each turn the window is refilled when fewer than 3000 bytes lie
// ahead, a paragraph is set up when the last one ended, and the next bytes
// go to ProcessPara (plain text, line ends, format records, commands, tabs)
// or, when a lead byte with attribute bits comes next, to ProcessEnhanced.
// The document setup runs the header and footer lines through the same
// step, so this file sits below the setup.
//
// In the body, attributes live only as long as a run of enhanced
// characters: plain text starts with all of them off.  In a header or
// footer they are left as the block's attribute byte or the last enhanced
// character set them.

#include "pfs/paragraph.h"

#include <cstring>

#include "common/error_codes.h"
#include "common/scan.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/attributes.h"
#include "pfs/commands.h"
#include "pfs/format.h"
#include "pfs/format_records.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/tabs.h"

// A lead byte followed by an attribute byte with any of bits 0..5 set.
static inline bool EnhancedAt(int i) {
    return InAt(i) >= pfs::LeadMin && (InAt(i + 1) & pfs::AttrAny) != 0;
}

void BodyStep() {
    if (IRead > ILast - 3000)
        FillInBuf();
    if (CrFlag) {
        FigureIndents();
        InitPara();
    }
    if (EnhancedAt(IRead))
        ProcessEnhanced();
    else
        ProcessPara();
}

// ----------------------------------------------------------------- plain text ---

// What a byte is to the paragraph loop, told by one load of the table
// below: text that goes to the stream as it is (0x20..0x7F but the
// asterisk), a line-end code, the asterisk that opens a command, a lead
// byte (0x80..0xFF), the byte that opens format records, a tab, the
// end-of-text byte, or one of the other control codes, which are dropped.
enum ByteClass : uint8_t { Text, LineEnd, Command, Lead, Format, TabByte, EndText, Dropped };

struct ByteClasses {
    ByteClass of[256] = {};
    constexpr ByteClasses() {
        for (int b = 0; b < 256; ++b)
            of[b] = pfs::IsLineEnd(b)      ? LineEnd
                    : b == pfs::Asterisk   ? Command
                    : b >= pfs::LeadMin    ? Lead
                    : b == pfs::FormatOpen ? Format
                    : b == pfs::Tab        ? TabByte
                    : b == pfs::EndOfText  ? EndText
                    : b < pfs::Space       ? Dropped
                                           : Text;
    }
};
static constexpr ByteClasses Classes;

// Index of the first byte from `end` on that is not plain, or ILimit when
// the run of plain bytes reaches the limit.  Sixteen bytes at a time, then
// eight, then one; each scan marks the same class of bytes.
static int PlainRunEnd(int end) {
    while (scan::Wide && end + 16 <= ILimit) {
        int k = scan::FirstBelowHighOr16(InBuf + end, pfs::Space, pfs::Asterisk);
        if (k < 16)
            return end + k;
        end += 16;
    }
    while (scan::Enabled && end + 8 <= ILimit) {
        uint64_t w = scan::Load8(InBuf + end);
        uint64_t stop = scan::High(w) | scan::Below(w, pfs::Space) | scan::Equal(w, pfs::Asterisk);
        if (stop != 0)
            return end + scan::First(stop);
        end += 8;
    }
    while (end < ILimit && Classes.of[InBuf[end]] == Text)
        ++end;
    return end;
}

// The fast path of plain text: the run of plain bytes before the window's
// limit is copied in one go, exactly as GetIn and WriteNormalChar would
// copy it byte by byte (GetIn below the limit only advances IRead).  When a
// flush inside the run fails, the run stops after the byte that caused it,
// as the byte-by-byte loop would.
static void CopyPlainRun() {
    if (IRead < 0)
        return;
    // Scan and copy in one step, sixteen bytes at a time, while sixteen
    // bytes lie below the window's limit and sixteen more fit in the output
    // below its limit, so that no byte of the run could move the window or
    // flush.  The loop below then finishes the run from where this stops.
    // Both positions move together, so one count of bytes stands for both
    // tests: room is what lies below the window's limit and fits below the
    // output's limit.
    const int r0 = IRead, o0 = OWrite;
    if (scan::Wide && o0 >= 0) {
        const int room = ILimit - r0 < OLimit - o0 ? ILimit - r0 : OLimit - o0;
        int n = 0, k = 16;
        if (room >= 16) { // a read position past the limit points nowhere in InBuf
            const uint8_t* in = InBuf + r0;
            uint8_t* out = OutBuf + o0;
            do {
                k = scan::CopyBelowHighOr16(in + n, out + n, pfs::Space, pfs::Asterisk);
                n += k;
            } while (k == 16 && n + 16 <= room);
        }
        IPos = (int16_t)(IPos + n);
        IRead = (int16_t)(r0 + n);
        OWrite = (int16_t)(o0 + n);
        if (k < 16) // the run ended at IRead
            return;
    }

    int start = IRead, end = PlainRunEnd(IRead);
    while (start < end) {
        int room = OLimit + 1 - OWrite;
        int k = end - start < room ? end - start : (room > 0 ? room : 1);
        memcpy(OutBuf + OWrite, InBuf + start, (size_t)k);
        OWrite = (int16_t)(OWrite + k);
        start += k;
        if (OWrite > OLimit) {
            WriteOutBuf();
            if (ErrType != ErrNone)
                break;
        }
    }
    IPos = (int16_t)(IPos + (start - IRead));
    IRead = (int16_t)start;
}

// The paragraph loop: a run of text is copied in one go, then the byte
// that ended it is taken by its class, the common ones first.  A line end
// that closes the paragraph, and an enhanced character, end the loop.
void ProcessPara() {
    if (!Header && !Footer)
        CancelPfsFonts();
    while (Done == 0 && ErrType == ErrNone) {
        CopyPlainRun();
        if (ErrType != ErrNone)
            break;
        const int c = GetIn();
        const ByteClass k = Classes.of[c];
        if (k == LineEnd) {
            ProcessCR();
            if (CrFlag)
                return;
        } else if (k == Command) {
            GetAsterisk();
        } else if (k == Lead) {
            if (InAt(IRead) & pfs::AttrAny) { // an enhanced character: not ours
                IRead = (int16_t)(IRead - 1);
                return;
            }
            IRead = (int16_t)(IRead + 1); // a plain pair: skip its attribute byte
            WriteNormalChar(c == pfs::Lead0xFF ? pfs::Written0xFF : (uint8_t)c);
        } else if (k == Text) { // where the run met the window's limit
            WriteNormalChar((uint8_t)c);
        } else if (k == Format) {
            GetFormat();
        } else if (k == TabByte) {
            WriteTab();
        } else if (k == EndText) {
            Done = 1;
            PutHardCr();
        }
    }
}

// --------------------------------------------------------- enhanced characters ---

// Sets the attributes to the bits of a, each only on a change, in the order
// superscript, subscript, underline, italic, bold.
static void SetAttributes(uint8_t a) {
    if (a & pfs::AttrSuper) {
        if (!SuperScript)
            PutScript(1);
    } else if (SuperScript) {
        PutScript(0);
    }
    if (a & pfs::AttrSub) {
        if (!SubScript)
            PutScript(2);
    } else if (SubScript) {
        PutScript(0);
    }
    if (((a & pfs::AttrUnderline) != 0) != (UnderScore != 0))
        PutUnderScore(a & pfs::AttrUnderline ? 1 : 0);
    if (((a & pfs::AttrItalic) != 0) != (Italic != 0))
        PutItalic(a & pfs::AttrItalic ? 1 : 0);
    if (((a & pfs::AttrBold) != 0) != (Bold != 0))
        PutBold(a & pfs::AttrBold ? 1 : 0);
}

// The attribute bits the state of the five attributes stands for.
constexpr uint8_t StateMask =
    pfs::AttrUnderline | pfs::AttrBold | pfs::AttrItalic | pfs::AttrSuper | pfs::AttrSub;
static uint8_t StateBits() {
    return (uint8_t)((UnderScore ? pfs::AttrUnderline : 0) | (Bold ? pfs::AttrBold : 0) |
                     (Italic ? pfs::AttrItalic : 0) | (SuperScript ? pfs::AttrSuper : 0) |
                     (SubScript ? pfs::AttrSub : 0));
}

// The fast path of enhanced text: after a character with attribute byte a,
// the pairs that follow with the same attribute byte are copied in one go
// while the state already matches a (so SetAttributes would write nothing),
// the lead byte sits below the window's limit (so GetIn only advances) and
// the output buffer has room (so PutOut would not flush).  Whatever breaks
// one of these goes back to the byte-by-byte loop.
static void CopySameRun(uint8_t a) {
    if (InAt(IRead + 1) != a) // the common way out when attributes change often
        return;
    if (Done != 0 || ErrType != ErrNone || IRead < 0 || OWrite < 0 ||
        StateBits() != (a & StateMask))
        return;
    const uint8_t mask = a & pfs::AttrKeepHigh ? 0xFF : 0x7F;
    int r = IRead, o = OWrite, k = 8;
    // Eight pairs at a time while all eight lie below the window's limit and
    // their eight bytes fit below the output's limit: the same tests as the
    // loop below, pair by pair, which then takes the rest.
    while (scan::Wide && k == 8 && r + 16 <= ILimit && o + 8 <= OLimit) {
        k = scan::CopyLeads8(InBuf + r, OutBuf + o, a, mask, pfs::Lead0xFF, pfs::Written0xFF);
        r += 2 * k;
        o += k;
    }
    while (r < ILimit - 1 && o < OLimit && InBuf[r] >= pfs::LeadMin && InBuf[r + 1] == a) {
        uint8_t c = InBuf[r] & mask;
        OutBuf[o++] = c == pfs::Lead0xFF ? pfs::Written0xFF : c;
        r += 2;
    }
    IPos = (int16_t)(IPos + (o - OWrite));
    IRead = (int16_t)r;
    OWrite = (int16_t)o;
}

void ProcessEnhanced() {
    while (Done == 0 && ErrType == ErrNone) {
        int c = GetIn();
        if (c < pfs::LeadMin) {
            IRead = (int16_t)(IRead - 1);
            return;
        }
        uint8_t a = InAt(IRead);
        if ((a & pfs::AttrAny) == 0) { // a plain pair: ProcessPara's
            IRead = (int16_t)(IRead - 1);
            return;
        }
        if (!(a & pfs::AttrKeepHigh))
            c &= 0x7F;
        SetAttributes(a);
        WriteNormalChar(c == pfs::Lead0xFF ? pfs::Written0xFF : (uint8_t)c);
        IRead = (int16_t)(IRead + 1);
        CopySameRun(a);
    }
}
