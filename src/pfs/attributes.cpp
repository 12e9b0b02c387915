// Character attributes and the saved formatting state.
//
// The stream carries attributes as switches: a record turns an attribute on
// with a value and off with 0.  Each Put operation compares the request with
// its flag and writes only on a change, so repeated requests cost nothing.
// SaveFlags and RestoreFlags move the body's indents, attributes, alignment,
// margins, position and paragraph flag aside and back around text that does
// not belong to the body flow; neither writes a record.

#include "pfs/attributes.h"

#include <cstring>

#include "io/output.h"
#include "pfs/layout.h"
#include "stream/codes.h"
#include "stream/records.h"

uint8_t OldLind = 0, OldRind = 0, OldHind = 0, OldPind = 0;
uint8_t OldIndFlag[6];
uint8_t AttrSave = 0;
uint8_t OldAlign = 0;
int16_t OldLm = 0;
int16_t OldRm = 0;
uint8_t SaveIPos = 0;
int32_t SaveCrFlag = 0;

// Bits of AttrSave.
constexpr uint8_t SavedItalic = 0x01;
constexpr uint8_t SavedBold = 0x02;
constexpr uint8_t SavedUnder = 0x04;
constexpr uint8_t SavedSuper = 0x08;
constexpr uint8_t SavedSub = 0x10;
constexpr uint8_t SavedStrike = 0x20;

// ------------------------------------------------------------- attributes ---

// Code 0x10 carries bold (2) and italic (1) together.
static void PutStyle() {
    PutBControl(vnk::Style, (uint8_t)((Bold ? 2 : 0) + (Italic ? 1 : 0)));
}

void PutBold(uint8_t r) {
    if (r == 1 && !Bold) {
        Bold = 1;
        PutStyle();
    } else if (r == 0 && Bold) {
        Bold = 0;
        PutStyle();
    }
}

void PutItalic(uint8_t r) {
    if (r == 1 && !Italic) {
        Italic = 1;
        PutStyle();
    } else if (r == 0 && Italic) {
        Italic = 0;
        PutStyle();
    }
}

void PutShadow(uint8_t r) {
    PutBold(r);
}

void PutOutline(uint8_t r) {
    PutBold(r);
}

void PutUnderScore(uint8_t r) {
    if (r == 1) {
        if (!UnderScore)
            PutBControl(vnk::Underline, UnderLine);
        UnderScore = 1;
    } else if (r == 0) {
        if (UnderScore)
            PutBControl(vnk::Underline, 0);
        UnderScore = 0;
    }
}

void PutStrike(uint8_t r) {
    if (r == 1) {
        if (!StrikeOut)
            PutBControl(vnk::Strike, StrikeChar);
        StrikeOut = 1;
    } else if (r == 0) {
        if (StrikeOut)
            PutBControl(vnk::Strike, 0);
        StrikeOut = 0;
    }
}

// Switching one position on leaves the other's flag alone; 0 ends both.
void PutScript(uint8_t r) {
    if (r == 1) {
        if (!SuperScript)
            PutBControl(vnk::Script, 2);
        SuperScript = 1;
    } else if (r == 2) {
        if (!SubScript)
            PutBControl(vnk::Script, 3);
        SubScript = 1;
    } else if (r == 0) {
        if (SuperScript || SubScript)
            PutBControl(vnk::Script, 0);
        SuperScript = SubScript = 0;
    }
}

void CancelAttributes() {
    Italic = Bold = UnderScore = SuperScript = SubScript = StrikeOut = 0;
}

// ------------------------------------------------------------ saved state ---

void SaveIndents() {
    OldLind = Lindent;
    OldRind = Rindent;
    OldHind = Hindent;
    OldPind = Pindent;
    memcpy(OldIndFlag, IndentFlag, sizeof OldIndFlag);
    Lindent = Rindent = Hindent = Pindent = 0;
    memset(IndentFlag, 0, sizeof IndentFlag);
}

void SaveAttributes() {
    AttrSave = (uint8_t)((Italic ? SavedItalic : 0) | (Bold ? SavedBold : 0) |
                         (UnderScore ? SavedUnder : 0) | (SuperScript ? SavedSuper : 0) |
                         (SubScript ? SavedSub : 0) | (StrikeOut ? SavedStrike : 0));
    CancelAttributes();
}

void SaveAlignments() {
    OldAlign = Alignment;
    Alignment = 0;
}

void SaveMargins() {
    OldLm = LtMargin;
    OldRm = RtMargin;
}

void RestoreIndents() {
    Lindent = OldLind;
    Rindent = OldRind;
    Hindent = OldHind;
    Pindent = OldPind;
    memcpy(IndentFlag, OldIndFlag, sizeof IndentFlag);
}

void RestoreMargins() {
    LtMargin = OldLm;
    RtMargin = OldRm;
}

void RestoreAlignment() {
    Alignment = OldAlign;
}

void SaveFlags() {
    SaveIndents();
    SaveAttributes();
    SaveAlignments();
    SaveMargins();
    SaveIPos = (uint8_t)(IPos & 0xFF);
    IPos = FirstColumn;
    SaveCrFlag = CrFlag;
    CrFlag = 1;
}

void RestoreFlags() {
    CancelAttributes();
    RestoreMargins();
    RestoreAlignment();
    RestoreIndents();
    Italic = (AttrSave & SavedItalic) != 0;
    Bold = (AttrSave & SavedBold) != 0;
    UnderScore = (AttrSave & SavedUnder) != 0;
    SuperScript = (AttrSave & SavedSuper) != 0;
    SubScript = (AttrSave & SavedSub) != 0;
    StrikeOut = (AttrSave & SavedStrike) != 0;
    CrFlag = SaveCrFlag;
    IPos = SaveIPos;
}

// Used where a run of text ends: the body before plain text, a header or
// footer block at its end.
void CancelPfsFonts() {
    if (UnderScore)
        PutUnderScore(0);
    if (Italic)
        PutItalic(0);
    if (Bold)
        PutBold(0);
    if (SuperScript || SubScript)
        PutScript(0);
}

void ResetAttributes() {
    OldLind = OldRind = OldHind = OldPind = 0;
    memset(OldIndFlag, 0, sizeof OldIndFlag);
    AttrSave = OldAlign = 0;
    OldLm = OldRm = 0;
    SaveIPos = 0;
    SaveCrFlag = 0;
}
