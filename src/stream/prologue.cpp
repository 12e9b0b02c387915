// The prologue that opens every stream.
//
// InitControl writes the number of the source program and seven records of
// fixed values that the readers of the stream expect; PutDefaultLayout
// writes the default page layout the translator has just set: margins, page
// size, line spacing, two fixed measures and code 0x12.  With the clearing
// of the tab stops that follows, 85 bytes in all.

#include "stream/prologue.h"

#include "stream/codes.h"
#include "stream/records.h"

int32_t Progname = 0;

// The fixed records after the source-program record, in stream order.
static const uint8_t FixedRecords[][2] = {
    {vnk::Prologue00, 7}, {vnk::Prologue01, 6}, {vnk::Prologue02, 7},   {vnk::Prologue03, 7},
    {vnk::Prologue04, 0}, {vnk::Prologue06, 0}, {vnk::Prologue09, 144},
};

void InitControl() {
    PutBControl(vnk::PrologueF0, (uint8_t)(Progname & 0xFF));
    for (const auto& r : FixedRecords)
        PutBControl(r[0], r[1]);
}

void PutDefaultLayout(int16_t rightMargin, int16_t topMargin, int16_t botMargin, int16_t pageLength,
                      int16_t pageWidth, int16_t lineSpacing, uint8_t pitch) {
    PutIControl(vnk::LeftMarg, 0);
    PutIControl(vnk::RightMarg, rightMargin);
    PutIControl(vnk::TopMarg, topMargin);
    PutIControl(vnk::BotMarg, botMargin);
    PutIControl(vnk::PageLen, pageLength);
    PutIControl(vnk::PageWid, pageWidth);
    PutIControl(vnk::Spacing, lineSpacing);
    PutIControl(vnk::Prologue22, 0);
    PutIControl(vnk::Prologue24, 0);
    PutBControl(vnk::Prologue12, pitch);
}

void ResetPrologue() {
    Progname = 0;
}
