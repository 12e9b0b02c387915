// PfsWriter: the builder of PFS documents for tests, examples, fuzz seeds,
// the golden corpus and benchmarks.  The header's offsets and the body's
// byte values are the translator's own (pfs/format.h).
//
// A document is the 1024-byte header, one skipped byte (offset 1024) and the
// text body from offset 1025.  Header fields are set with the setters below
// and laid out by bytes(); the body is appended byte by byte as the calls
// come.  Nothing is validated: any field may hold any value, so broken
// documents are as easy to make as good ones.
//
// THE LINE-END CONVENTION.  A line of text is closed by a line-end code
// 0..3, and the reader decides at each line end between a hard return (end
// of paragraph) and a soft one (line wrap).  The code does not describe the
// line it closes but the NEXT one:
//   bit 0 (0x01)  the next line closes its paragraph (ends in a hard return);
//   bit 1 (0x02)  the next line is double spaced.
// Besides, a line end is always hard when an empty line (a space and a code)
// or a format line (a space and 0x07) follows it, and the very first line
// of the body always ends hard.  So, for a paragraph of lines L1..Ln:
//   - the code in front of L1 (the previous line's, or the code of the empty
//     line before it) has bit 0 set exactly when n is 1;
//   - L(n-1) is closed with bit 0 set, every other line with bit 0 clear;
//   - Ln's own code describes the following paragraph (see above).
// beginParagraph(n) and endLine() apply this for you: endLine() picks the
// code from the paragraph's line count, and beginParagraph() rewrites bit 0
// of the code just written (the previous line's or empty line's) to say
// whether the new paragraph's first line is also its last.  A one-line
// paragraph right at the body start needs nothing; a longer one there has
// its first line cut off as a paragraph of its own, so bodies should begin
// with a one-line paragraph (a date, a title).
//
// DOUBLE SPACING.  In double spacing each line end is followed by two
// filler bytes.  The builder writes them as the blank line that double
// spacing puts under every line: a line end in double spacing is the code
// 0x03, a space, and the line's real code (with bit 1 set while the
// spacing stays double).  The reader steps over the two bytes after the
// first code and takes the code it lands behind as the line-end value, so
// the second code carries the convention above; the paragraph-indent scan
// steps over the two fillers only after a 0x03, so the first code is
// always 0x03 (bit 0 of it says the blank line ends hard, which it does).
// The spacing of a line is announced by the code in front of it, so
// doubleSpaced(on) also rewrites bit 1 of the code just written.  Switch
// spacing only between a line end and the next text line (after the empty
// line that follows a passage, not before it: an empty line takes the
// spacing of the line above it), and not before the first line of the body.
//
// FORMAT LINES.  formatLine() writes a space, a format record and a line
// end: the line above it ends hard, and the format line itself reads as an
// empty line; it stands where an empty line would stand between paragraphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pfs/format.h"

class PfsWriter {
  public:
    using Bytes = std::vector<uint8_t>;

    // Header and footer alignment bytes.
    static constexpr uint8_t kAlignCentre = pfs::AlignByteCentre, kAlignLeft = pfs::AlignByteLeft,
                             kAlignRight = pfs::AlignByteRight;
    // Header and footer attribute bits.
    static constexpr uint8_t kHfUnderline = pfs::HfUnderline, kHfBold = pfs::HfBold,
                             kHfSuper = pfs::HfSuper, kHfSub = pfs::HfSub;
    // Attribute bits of an enhanced character.
    static constexpr uint8_t kUnderline = pfs::AttrUnderline, kBold = pfs::AttrBold,
                             kItalic = pfs::AttrItalic, kSuper = pfs::AttrSuper,
                             kSub = pfs::AttrSub, kEnhancedOnly = pfs::AttrEnhanced,
                             kKeepHigh = pfs::AttrKeepHigh;
    // Body bytes.
    static constexpr uint8_t kFormat = pfs::FormatOpen, kTab = pfs::Tab,
                             kEndOfText = pfs::EndOfText;

    // ---------------------------------------------------------------- header ---
    // Defaults: a letter page of 66 lines with 6-line top and bottom margins,
    // margins at columns 10 and 75, the signature, every other byte 0 (so the
    // header and footer alignment bytes say "centred" unless set).

    PfsWriter& pageLines(uint16_t v) { return set(pageLines_, v); }     // pfs::PageLines
    PfsWriter& topLines(uint16_t v) { return set(topLines_, v); }       // pfs::TopLines
    PfsWriter& bottomLines(uint16_t v) { return set(bottomLines_, v); } // pfs::BottomLines
    PfsWriter& leftColumn(uint16_t v) { return set(leftColumn_, v); }   // pfs::LeftColumns
    PfsWriter& rightColumn(uint16_t v) { return set(rightColumn_, v); } // pfs::RightColumns

    // Header (or footer) line n (1 or 2): its length byte and text, up to 255
    // bytes of any value (more are cut).  A line longer than the room before
    // the next field (73 bytes for line 1 of either, 81 for header line 2, 82
    // for footer line 2 up to the signature) runs over it: fields are laid
    // out in offset order, so a field that is set further on overwrites the
    // overlapping text, and one that is not set leaves it alone.  patch()
    // goes over everything.
    PfsWriter& headerLine(int n, std::string_view text);
    PfsWriter& footerLine(int n, std::string_view text);

    PfsWriter& headerAlign(uint8_t v) { return set(headerAlign_, v); } // pfs::HeaderAlign
    PfsWriter& footerAlign(uint8_t v) { return set(footerAlign_, v); } // pfs::FooterAlign
    PfsWriter& justify(uint8_t v) { return set(justify_, v); } // pfs::Justify; 1 justifies the body
    PfsWriter& headerAttr(uint8_t v) { return set(headerAttr_, v); } // pfs::HeaderAttr
    PfsWriter& footerAttr(uint8_t v) { return set(footerAttr_, v); } // pfs::FooterAttr
    PfsWriter& skippedByte(uint8_t v) { return set(skipped_, v); }   // pfs::Skipped

    // Writes these bytes (up to 3) at pfs::Signature in place of "TYP".
    PfsWriter& signature(std::string_view bytes);
    // Leaves the signature's 3 bytes to whatever else lies there (0 by default).
    PfsWriter& omitSignature();
    // Overwrites the file from offset on, after everything else is laid out;
    // the file grows with zeros when the patch reaches past its end.
    PfsWriter& patch(size_t offset, std::string_view bytes);

    // ------------------------------------------------------------------ body ---

    // Text bytes as given.
    PfsWriter& text(std::string_view s);
    // Any bytes as given.
    PfsWriter& raw(std::initializer_list<uint8_t> b);
    PfsWriter& raw(const Bytes& b);
    // A line-end code as given; in double spacing 0x03, a space, then code.
    PfsWriter& lineEnd(uint8_t code);
    // text(s) then lineEnd(code).
    PfsWriter& line(std::string_view s, uint8_t code);
    // An empty line: a space and a line end, code 0 (2 in double spacing)
    // until beginParagraph or doubleSpaced rewrite it.
    PfsWriter& emptyLine();
    // Each byte c of s as the pair (c | 0x80, attr).  With bit 0x40 of attr
    // clear the reader gives back c for ASCII text; with none of bits 0..5
    // set the pair reads as the plain character c | 0x80.
    PfsWriter& enhanced(std::string_view s, uint8_t attr);
    PfsWriter& tab();
    // "*name*".
    PfsWriter& command(std::string_view name);
    // 0x07, size, flag, left, right, then size - 5 zero bytes.  A size below
    // 5 still writes the three fields; the reader goes on inside them.
    PfsWriter& formatRecord(uint8_t flag, uint8_t left, uint8_t right, uint8_t size = 5);
    // A space, a margin-setting format record, and endLine().
    PfsWriter& formatLine(uint8_t left, uint8_t right);
    PfsWriter& endOfText();

    // Starts or ends double spacing for the lines written from now on, and
    // sets or clears bit 1 of the line-end code just written, if the last
    // thing written was one.
    PfsWriter& doubleSpaced(bool on);
    bool isDoubleSpaced() const { return double_; }

    // Starts a paragraph of the given number of lines: sets bit 0 of the
    // line-end code just written (if the last thing written was one) when
    // lines is 1, clears it otherwise.
    PfsWriter& beginParagraph(size_t lines);
    // How many paragraphs beginParagraph has started.
    size_t paragraphs() const { return paragraphs_; }
    // Closes a line of the current paragraph with the code the convention
    // asks for: bit 0 when the next line is its last, bit 1 in double spacing.
    PfsWriter& endLine();
    // beginParagraph, then each line's text and endLine().
    PfsWriter& paragraph(std::initializer_list<std::string_view> lines);
    PfsWriter& paragraph(const std::vector<std::string>& lines);

    // Fills the body with lines of letters closed by code 0 until the next
    // byte lands at file offset `at` (nothing when already there or past it).
    // When a single byte is left it is a letter with no line end.  The lines
    // are single spaced and belong to whatever paragraph is open.
    PfsWriter& padTo(size_t at);

    // File offset of the next body byte.
    size_t offset() const { return pfs::BodyStart + body_.size(); }
    // The body written so far.
    const Bytes& body() const { return body_; }
    // The whole file.
    Bytes bytes() const;

  private:
    // Stores v in field; the writer, for chaining.
    template <typename T> PfsWriter& set(T& field, T v) {
        field = v;
        return *this;
    }
    // Remembers that the byte just written is a line-end code the next
    // paragraph or spacing change may rewrite.
    void markCode() { codeAt_ = body_.size() - 1; }
    // The index of that code, if it is still the last byte of the body.
    std::optional<size_t> lastCode() const;

    uint16_t pageLines_ = 66, topLines_ = 6, bottomLines_ = 6;
    uint16_t leftColumn_ = 10, rightColumn_ = 75;
    std::optional<std::string> lines_[4]; // header 1, header 2, footer 1, footer 2
    std::optional<std::string> signature_ = std::string("TYP");
    uint8_t headerAlign_ = 0, footerAlign_ = 0, justify_ = 0, headerAttr_ = 0, footerAttr_ = 0;
    uint8_t skipped_ = 0;
    std::vector<std::pair<size_t, std::string>> patches_;

    Bytes body_;
    bool double_ = false;
    size_t linesLeft_ = 0; // lines of the current paragraph not yet closed
    size_t paragraphs_ = 0;
    size_t codeAt_ = size_t(-1); // body index of the last code written
};
