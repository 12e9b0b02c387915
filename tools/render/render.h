// Renderings of an intermediate stream for reading: the document as plain
// UTF-8 text (vnkdump --text), as one self-contained HTML page
// (vnkdump --html) and, in odt.h, as OpenDocument Text (vnkdump --odt).
//
// All read the stream with the same walker (render.cpp), which keeps the
// layout state the records set (page, margins, indents, alignment, spacing,
// attributes, tab stops and moves, header and footer) and hands the document
// to a sink as paragraphs of text.  Positions are columns of 144 twips, ten to the inch:
// column 1 is the first column of a line at the left margin, column c lies
// c - 1 columns to its right.
//
// Text bytes from 0x80 up are mapped to Unicode through one single-byte code
// page (by default code page 437) with iconv; control bytes that are not
// part of the stream's structure become U+FFFD, so the output is always
// valid UTF-8.
//
// Exit statuses as for the listing: 0 for a sound stream; 1 when the stream
// ends inside a record: everything before it is rendered (the page is
// complete), then the truncation is reported on err as by the listing.
// 2 when the code page is unknown (reported on err; nothing is written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "elements.h"

namespace vnkdump {

// The code page used when none is named.
constexpr const char* DefaultCodePage = "CP437";

// Writes the document as plain UTF-8 text: one line per hard return, indents
// and tabs as spaces, a form feed at each page break, the running header at
// the top and the footer at the bottom between marker lines, fields as "#",
// "[date]" and "[time]", command texts left out.  Returns 0, 1 or 2 (above).
int RenderText(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage);

// Writes the document as one HTML5 page (inline CSS, no scripts, no network):
// a sheet per page with the page's size and margins, the running header and
// footer on every sheet, and CSS paged media for print.  title (may be null)
// is the page's title.  Returns 0, 1 or 2 (above).
int RenderHtml(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage,
               const char* title);

// ------------------------------------------------ shared by the renderers ---

// Text bytes to UTF-8: each byte's character, U+FFFD for a byte with none.
struct CodePage {
    std::string utf8[256];
};

// Fills cp from the iconv code page name; false when iconv does not know it.
bool LoadCodePage(const char* name, CodePage& cp);

// The page in force, in twips, made sane: sizes positive, each margin inside
// the page, and a text area of at least one column and one line.
struct PageLayout {
    int width, length; // of the sheet
    int top, bottom;   // top margin; end of the text area from the top
    int left, right;   // left margin; right edge of the text area from the left
    bool operator==(const PageLayout&) const = default;
};

// Alignment values of code 0x4F.
enum class Align : uint8_t { None = 0, Right = 1, Centre = 2, Justify = 3 };

// A tab stop of the stop list (codes 0x78, 0x79 and one record a stop).
// type is the stop's kind as the stream names it: 'p' an ordinary stop
// (code 0x70), 'q' text that ends at the stop, 'r' text centred on it, 's'
// a further kind without back-off, 't' text whose decimal point stands at
// it, or the type character of code 0x75.
struct TabStop {
    uint8_t column; // 1 to 255
    char type;
    bool operator==(const TabStop&) const = default;
};
using TabStops = std::shared_ptr<const std::vector<TabStop>>; // by column, one stop a column

// A tab move in the text (codes 0x77, 0x76 and 0x70 to 0x74).
struct TabMove {
    int from;              // the column the line stands at
    int stopColumn;        // the stop the move goes to
    char type;             // 'p' to 't', from the move's code
    int count;             // fill characters up to the stop less the back-off, at least one
    bool reached;          // false when the line already stands there or beyond: one space
    std::string_view fill; // the fill character (the leader, or a space)
};

// A paragraph's layout, taken when its first content arrives.
struct ParaLayout {
    int firstColumn; // column of the first line; 0 or less hangs into the margin
    int restColumn;  // column of the lines after the first, 1 or more
    int rightIndent; // columns kept free left of the right margin
    Align align;
    int spacing;     // line spacing in twips
    PageLayout page; // the margins in force (format lines change them)
    bool continued;  // the paragraph goes on after a page break
    TabStops tabs;   // the stop list in force, never null
};

// Character attributes as the records switch them.
struct Attributes {
    bool bold = false, italic = false, underline = false, strike = false;
    uint8_t script = 0; // 0 normal, 2 superscript, 3 subscript (code 0x30)
    bool operator==(const Attributes&) const = default;
};

// Field values of code 0xC0.
enum class FieldKind : uint8_t { Page = 0, Date = 1, Time = 2 };

// What the walker hands over, in stream order.  Text between BeginParagraph
// and EndParagraph; a paragraph is begun lazily before its first content, or
// at its hard return when it has none (an empty line).
class RenderSink {
  public:
    virtual ~RenderSink() = default;
    virtual void BeginParagraph(const ParaLayout& para) = 0;
    virtual void Text(std::string_view utf8) = 0;
    virtual void Tab(const TabMove& move) = 0;
    virtual void Field(uint8_t value) = 0;
    // A command text (code 0xC4 or 0xC5), already mapped to UTF-8.
    virtual void Command(uint8_t code, std::string_view utf8) = 0;
    virtual void SetAttributes(const Attributes& attrs) = 0;
    virtual void EndParagraph() = 0;
    virtual void PageBreak(bool hard, const PageLayout& page) = 0;
    // Header (odd kind) or footer (even kind) text follows, up to EndHeadFoot.
    virtual void BeginHeadFoot(bool header) = 0;
    virtual void EndHeadFoot() = 0;
    virtual void End(const PageLayout& page) = 0;
};

// The text that stands for a field (code 0xC0) of the given value.
std::string_view FieldText(uint8_t value);

// Walks the stream and feeds sink up to sink.End; false when the stream ends
// inside a record, which is then left in truncated.
bool WalkStream(const uint8_t* data, size_t size, const CodePage& cp, RenderSink& sink,
                Element& truncated);

// Loads the code page into cp; an unknown one is reported on err.
bool LoadNamedCodePage(const char* codepage, CodePage& cp, FILE* err);

// The exit status of a walk: 0 when sound, else 1 after out is flushed and
// the truncation reported on err.
int WalkStatus(bool sound, const Element& truncated, FILE* out, FILE* err);

// Loads the code page and runs the walker into sink; writes nothing of its
// own to out but flushes it before reporting on err.  Returns 0, 1 or 2.
int Render(const uint8_t* data, size_t size, const char* codepage, RenderSink& sink, FILE* out,
           FILE* err);

} // namespace vnkdump
