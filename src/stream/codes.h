// The control codes of the intermediate stream.
//
// A control record is the byte 0x00, a code byte, a length byte and the
// payload.  Everything that is not a record is document text.  This table is
// the one place where the codes are named; the writers, the translator, the
// tests and the inspector all use these names.
#pragma once

#include <cstdint>

namespace vnk {

constexpr uint8_t RecordMark = 0x00; // first byte of every control record

// Payload kinds, as the inspector decodes them.
enum class Payload : uint8_t {
    Byte,   // one unsigned byte
    Int16,  // signed 16-bit, low byte first
    Twips,  // signed 16-bit measure in twips (1/1440 inch)
    Raw,    // bytes as they are (command texts)
    ColType // column byte, then a type character
};

// clang-format off
constexpr uint8_t PrologueF0   = 0xF0; // source program number (10 for PFS); first record of every stream
constexpr uint8_t Prologue00   = 0x00; // prologue only, 7
constexpr uint8_t Prologue01   = 0x01; // prologue only, 6
constexpr uint8_t Prologue02   = 0x02; // prologue only, 7
constexpr uint8_t Prologue03   = 0x03; // prologue only, 7
constexpr uint8_t Prologue04   = 0x04; // prologue only, 0
constexpr uint8_t Prologue06   = 0x06; // prologue only, 0
constexpr uint8_t Prologue09   = 0x09; // prologue only, 144
constexpr uint8_t Style        = 0x10; // bit 0 italic, bit 1 bold
constexpr uint8_t Prologue12   = 0x12; // prologue only, 100
constexpr uint8_t Spacing      = 0x21; // line spacing in twips: 240 single, 480 double
constexpr uint8_t Prologue22   = 0x22; // prologue only, 0
constexpr uint8_t Prologue24   = 0x24; // prologue only, 0
constexpr uint8_t Script       = 0x30; // 2 superscript, 3 subscript, 0 normal
constexpr uint8_t IndentLeft   = 0x40; // Lindent - Hindent; 0 cancels
constexpr uint8_t IndentRight  = 0x41; // Rindent; 0 cancels
constexpr uint8_t IndentFirst  = 0x42; // Pindent, the first line's column; 0 cancels
constexpr uint8_t IndentHang   = 0x43; // Lindent of a hanging paragraph; 0 cancels
constexpr uint8_t IndentTo     = 0x44; // Lindent inside a paragraph; 0 cancels
constexpr uint8_t IndentNeg    = 0x46; // negative indent Hindent - Lindent; 0 cancels
constexpr uint8_t Align        = 0x4F; // 0 none, 1 right, 2 centred, 3 justified
constexpr uint8_t PageLen      = 0x60; // page length, twips
constexpr uint8_t PageWid      = 0x61; // page width, twips
constexpr uint8_t TopMarg      = 0x62; // top margin, twips
constexpr uint8_t BotMarg      = 0x63; // end of the text area from the top, twips
constexpr uint8_t LeftMarg     = 0x64; // left margin, twips
constexpr uint8_t RightMarg    = 0x65; // right margin, twips
constexpr uint8_t TabP         = 0x70; // ordinary tab stop / tab move; 0 ends tabbed text
constexpr uint8_t TabQ         = 0x71; // text that ends at the stop
constexpr uint8_t TabR         = 0x72; // text centred on the stop
constexpr uint8_t TabS         = 0x73; // further kind without back-off
constexpr uint8_t TabT         = 0x74; // decimal point at the stop
constexpr uint8_t TabOther     = 0x75; // stop list: column, type character
constexpr uint8_t TabBackOff   = 0x76; // columns the tabbed text starts before the stop
constexpr uint8_t TabLeader    = 0x77; // leader byte at a tab move, 0 after a tab ends
constexpr uint8_t TabList      = 0x78; // 1 before a stop list, 0 after
constexpr uint8_t TabClear     = 0x79; // clears all tab stops
constexpr uint8_t ColumnNo     = 0x81; // number of the column that begins; 0 ends the layout
constexpr uint8_t ColumnStart  = 0x82; // column's first position
constexpr uint8_t ColumnEnd    = 0x83; // third byte of the column's entry
constexpr uint8_t FootnoteEnd  = 0x91; // end of a footnote
constexpr uint8_t HeadFoot     = 0xA0; // start of a header (1) or footer (2)
constexpr uint8_t HeadFootDef  = 0xA1; // same value after 0xA0; 0 ends the definition
constexpr uint8_t Underline    = 0xB0; // UnderLine value on, 0 off
constexpr uint8_t Strike       = 0xB1; // StrikeChar value on, 0 off
constexpr uint8_t Field        = 0xC0; // 0 page number, 1 date, 2 time
constexpr uint8_t CmdText      = 0xC4; // text of a command beginning with a digit
constexpr uint8_t CmdArg       = 0xC5; // argument of a G or J command
constexpr uint8_t HardPage     = 0xD5; // hard page break
constexpr uint8_t ParaStart    = 0xD6; // start of a paragraph's text
constexpr uint8_t SoftPage     = 0xD7; // soft page break
// clang-format on

// Field values of code 0xC0.
constexpr uint8_t FieldPage = 0;
constexpr uint8_t FieldDate = 1;
constexpr uint8_t FieldTime = 2;

// Text bytes with a meaning of their own in the stream.
constexpr uint8_t HardReturn = 0x0D;

// One row of the code table, for readers of the stream.
struct CodeInfo {
    uint8_t code;
    const char* name; // short name for listings
    Payload kind;     // how the payload is decoded
};

// Every code this module writes, in ascending order.
// clang-format off
constexpr CodeInfo CodeTable[] = {
    {Prologue00,  "prologue-00",  Payload::Byte},
    {Prologue01,  "prologue-01",  Payload::Byte},
    {Prologue02,  "prologue-02",  Payload::Byte},
    {Prologue03,  "prologue-03",  Payload::Byte},
    {Prologue04,  "prologue-04",  Payload::Byte},
    {Prologue06,  "prologue-06",  Payload::Byte},
    {Prologue09,  "prologue-09",  Payload::Byte},
    {Style,       "style",        Payload::Byte},
    {Prologue12,  "prologue-12",  Payload::Byte},
    {Spacing,     "line-spacing", Payload::Twips},
    {Prologue22,  "prologue-22",  Payload::Int16},
    {Prologue24,  "prologue-24",  Payload::Int16},
    {Script,      "script",       Payload::Byte},
    {IndentLeft,  "indent-left",  Payload::Byte},
    {IndentRight, "indent-right", Payload::Byte},
    {IndentFirst, "indent-first", Payload::Byte},
    {IndentHang,  "indent-hang",  Payload::Byte},
    {IndentTo,    "indent-to",    Payload::Byte},
    {IndentNeg,   "indent-neg",   Payload::Byte},
    {Align,       "align",        Payload::Byte},
    {PageLen,     "page-length",  Payload::Twips},
    {PageWid,     "page-width",   Payload::Twips},
    {TopMarg,     "top-margin",   Payload::Twips},
    {BotMarg,     "bottom-margin",Payload::Twips},
    {LeftMarg,    "left-margin",  Payload::Twips},
    {RightMarg,   "right-margin", Payload::Twips},
    {TabP,        "tab-p",        Payload::Byte},
    {TabQ,        "tab-q",        Payload::Byte},
    {TabR,        "tab-r",        Payload::Byte},
    {TabS,        "tab-s",        Payload::Byte},
    {TabT,        "tab-t",        Payload::Byte},
    {TabOther,    "tab-other",    Payload::ColType},
    {TabBackOff,  "tab-backoff",  Payload::Byte},
    {TabLeader,   "tab-leader",   Payload::Byte},
    {TabList,     "tab-list",     Payload::Byte},
    {TabClear,    "tab-clear",    Payload::Byte},
    {ColumnNo,    "column",       Payload::Byte},
    {ColumnStart, "column-start", Payload::Byte},
    {ColumnEnd,   "column-end",   Payload::Byte},
    {FootnoteEnd, "footnote-end", Payload::Byte},
    {HeadFoot,    "headfoot",     Payload::Byte},
    {HeadFootDef, "headfoot-def", Payload::Byte},
    {Underline,   "underline",    Payload::Byte},
    {Strike,      "strike",       Payload::Byte},
    {Field,       "field",        Payload::Byte},
    {CmdText,     "command-text", Payload::Raw},
    {CmdArg,      "command-arg",  Payload::Raw},
    {HardPage,    "hard-page",    Payload::Byte},
    {ParaStart,   "para-start",   Payload::Byte},
    {SoftPage,    "soft-page",    Payload::Byte},
    {PrologueF0,  "source-program", Payload::Byte},
};
// clang-format on

// The row of a code, or null for a code this module never writes.
constexpr const CodeInfo* FindCode(uint8_t code) {
    for (const CodeInfo& row : CodeTable)
        if (row.code == code)
            return &row;
    return nullptr;
}

} // namespace vnk
