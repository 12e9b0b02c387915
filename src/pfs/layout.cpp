#include "pfs/layout.h"

#include <cstring>

int16_t PageLength = 0;
int16_t PageWidth = 0;
int16_t TopMargin = 0;
int16_t BotMargin = 0;
int16_t LtMargin = 0;
int16_t RtMargin = 0;
uint8_t Alignment = 0;
uint8_t LPI = 0;
int16_t HalfLineTwips = 0;
int16_t Pitch = 0;
int16_t ColTwips = 0;
uint8_t FirstColumn = 0;
uint8_t LastColumn = 0;
int16_t PageNumb = 0;
int16_t FntNumber = 0;

int16_t IPos = 0;
int32_t CrFlag = 0;
int32_t SoftCr = 0;
int32_t Hard = 0;
int32_t DoubleSpace = 0;
int16_t LineSpacing = 0;
uint8_t LineCount = 0;
uint8_t LastIPos = 0;
uint8_t LastSpace = 0;

uint8_t Lindent = 0;
uint8_t Pindent = 0;
uint8_t Hindent = 0;
uint8_t Rindent = 0;
int16_t NegIndent = 0;
uint8_t IndentFlag[6];
uint8_t EndPos = 0;

uint8_t TabArray[TabColumns][3];
uint8_t TabType = 0;
int16_t TabEndPtr = -1;
uint8_t TabDataWid = 0;
uint8_t TabDecimal = 0;

int32_t Bold = 0;
int32_t Italic = 0;
int32_t UnderScore = 0;
int32_t SuperScript = 0;
int32_t SubScript = 0;
int32_t StrikeOut = 0;
uint8_t UnderLine = 0;
uint8_t StrikeChar = 0;

int32_t Header = 0;
int32_t Footer = 0;
int32_t Footnote = 0;
int32_t InColumn = 0;

void ResetLayout() {
    PageLength = PageWidth = TopMargin = BotMargin = LtMargin = RtMargin = 0;
    Alignment = LPI = 0;
    HalfLineTwips = Pitch = ColTwips = 0;
    FirstColumn = LastColumn = 0;
    PageNumb = FntNumber = 0;
    IPos = 0;
    CrFlag = SoftCr = Hard = DoubleSpace = 0;
    LineSpacing = 0;
    LineCount = LastIPos = LastSpace = 0;
    Lindent = Pindent = Hindent = Rindent = 0;
    NegIndent = 0;
    memset(IndentFlag, 0, sizeof IndentFlag);
    EndPos = 0;
    memset(TabArray, 0, sizeof TabArray);
    TabType = 0;
    TabEndPtr = -1;
    TabDataWid = TabDecimal = 0;
    Bold = Italic = UnderScore = SuperScript = SubScript = StrikeOut = 0;
    UnderLine = StrikeChar = 0;
    Header = Footer = Footnote = InColumn = 0;
}
