// Embedded commands.
//
// GetAsterisk takes the four bytes after the "*" (upper-cased in the C
// locale; line ends and all) and applies the first rule that matches: a new
// page, justification, a date or time field, a page-number field or a
// command text passed on as a record, centring, right alignment, a command
// that vanishes, or, when nothing matches, the "*" is plain text.  A
// command's closing "*" must stand on the same line.
//
// A command can break the page, so this file calls down into the line ends;
// the line ends in turn never call a command.

#include "pfs/commands.h"

#include "io/input.h"
#include "pfs/format.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "stream/codes.h"
#include "stream/records.h"

// Upper case in the C locale: only a to z change.
static inline uint8_t Upper(uint8_t b) {
    return (b >= 'a' && b <= 'z') ? (uint8_t)(b - 'a' + 'A') : b;
}

static inline bool IsDigit(uint8_t b) {
    return b >= '0' && b <= '9';
}

// ------------------------------------------------------------ command text ---

// Writes the text from IRead up to the closing "*" as a record of the given
// code and leaves IRead just past the "*".  With no closing "*" on the line
// no record is written and reading goes on at the text's first byte.  A text
// longer than the work area is cut to its first 83 bytes.
static void PutCommandText(uint8_t code) {
    int16_t start = IRead;
    EatToAsterisk(&IRead);
    int n = IRead - start - 1;
    if (n < 0)
        return;
    if (n > CommandTextMax)
        n = CommandTextMax;
    uint8_t work[CommandTextMax];
    for (int i = 0; i < n; ++i)
        work[i] = InAt(start + i);
    PutControl(code, (uint8_t)n, work);
}

static void SetAlignment(uint8_t a) {
    Alignment = a;
    PutBControl(vnk::Align, Alignment);
}

// ------------------------------------------------------------ the commands ---

void GetAsterisk() {
    const uint8_t k1 = Upper(InAt(IRead));
    const uint8_t k2 = Upper(InAt(IRead + 1));
    const uint8_t k3 = Upper(InAt(IRead + 2));
    const uint8_t k4 = Upper(InAt(IRead + 3));

    if (k1 == 'N' && (k3 == 'W' || k2 == '*')) { // new page
        PutHardPage();
        EatToAsterisk(&IRead);
    } else if (k1 == 'J' && k2 == 'Y') { // justification on, or off with N
        SetAlignment(k4 == 'N' ? 0 : 3);
        EatToAsterisk(&IRead);
    } else if (k1 == '@') { // date or time field
        if (k2 == 'D')
            PutBControl(vnk::Field, vnk::FieldDate);
        if (k2 == 'T')
            PutBControl(vnk::Field, vnk::FieldTime);
        EatToAsterisk(&IRead);
    } else if (IsDigit(k1)) { // page number in a header or footer, else text
        if (Header || Footer) {
            PutBControl(vnk::Field, vnk::FieldPage);
            EatToAsterisk(&IRead);
        } else {
            PutCommandText(vnk::CmdText);
        }
    } else if (k1 == 'G' || k1 == 'J') { // argument after the keyword
        if (k2 == 'O')
            IRead = (int16_t)(IRead + 5);
        if (k2 == 'R')
            IRead = (int16_t)(IRead + 6);
        PutCommandText(vnk::CmdArg);
    } else if (k1 == 'C') {
        SetAlignment(2);
        EatToAsterisk(&IRead);
    } else if (k1 == 'R') {
        SetAlignment(1);
        EatToAsterisk(&IRead);
    } else if (k1 == 'P') {
        EatToAsterisk(&IRead);
    } else {
        WriteNormalChar(pfs::Asterisk);
    }
}

// A "*" at the position ends the search just past it; a line end, the
// end-of-text byte or the input limit ends it without success.
void EatToAsterisk(int16_t* pos) {
    const int16_t start = *pos;
    for (int p = start;; ++p) {
        uint8_t b = InAt(p);
        if (b == pfs::Asterisk) {
            *pos = (int16_t)(p + 1);
            return;
        }
        if (pfs::IsLineEnd(b) || b == pfs::EndOfText || p >= ILimit) {
            *pos = start;
            return;
        }
    }
}
