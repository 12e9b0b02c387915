// What the office test compares: facts read from a stream (through the
// inspector's listing and text) and from an ODT package (content.xml and
// styles.xml read with libzip and parsed with libxml2), and the words of a
// text.
#pragma once

#include <set>
#include <string>
#include <vector>

// Words as the comparisons see them: runs of ASCII letters and digits (so
// punctuation, quotes and the characters an office suite or pandoc adds or
// drops around words do not count), superscript and subscript digits read
// as digits.
std::vector<std::string> Words(const std::string& text);

// The text rendering (vnkdump --text) without its header and footer
// blocks, and without the stand-ins of its fields ("#", "[date]", "[time]",
// "[field]") and the letters and digits next to one: the office suite shows
// the field's value there, which runs into a word that touches it.
std::string BodyText(std::string text);

// True when the words of want appear in got in order, other words between
// them or not; a word may be split in got (an office suite or pandoc may
// part letters where an attribute changes inside a word, "_(and)measured").
// Otherwise false with the first word missing in *missing.
bool InOrder(const std::vector<std::string>& want, const std::vector<std::string>& got,
             std::string* missing);

// Attributes a word of the body can carry.
enum AttrKind { Bold, Italic, Underline, AttrKinds };

// From the listing of a stream (vnkdump without options).
struct StreamFacts {
    int pageWidth = 12240, pageLength = 15840; // twips, in force at the first paragraph
    int leftMargin = 0, rightMargin = 9360;    // twips from the page's left edge
    std::vector<int> ruler;                    // the columns of the first tab-stop list
    int hardBreaks = 0;
    std::set<std::string> words[AttrKinds]; // body words set bold, italic, underlined
};
StreamFacts ReadListing(const std::string& listing);

// From the package.
struct OdtFacts {
    bool opened = false;
    std::string firstEntry;                           // the name of the package's first file
    double pageMarginLeft = -1, pageMarginRight = -1; // inches, the first page's layout
    std::set<int> stopColumns;              // tab stops of the body as columns from the page margin
    std::set<std::string> words[AttrKinds]; // body words in spans with the attribute
};
OdtFacts ReadOdt(const std::string& path);
