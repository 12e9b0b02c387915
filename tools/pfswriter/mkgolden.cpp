// mkgolden: writes the documents of the golden corpus.
//
// Usage: mkgolden DIR   (DIR is created when missing)
//
// Each document comes from a fixed seed, so a run gives the same bytes on
// every machine.  The corpus in tests/golden/corpus holds the documents
// themselves, not only their seeds: a later change here cannot change what
// the golden test reads.  tests/golden/regenerate.sh --documents writes them
// anew, for a change of the corpus that is meant.
//
// The families: ordinary generated documents; every line-end code in every
// order, after text, empty lines and lines of spaces; runs of empty lines;
// indents; tabs; enhanced runs; commands; format records; headers and
// footers; double spacing; documents past the input window with something
// at its refill offsets; damaged tails.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "examples.h"
#include "generate.h"
#include "pfs_writer.h"
#include "rng.h"
#include "save.h"

namespace {

using Bytes = PfsWriter::Bytes;
using Docs = std::vector<ExampleDocument>;

constexpr std::string_view kWords[] = {
    "the",    "field", "was",    "measured", "in",    "spring", "and",     "every",
    "marker", "stood", "near",   "a",        "ditch", "along",  "road",    "north",
    "report", "of",    "survey", "hedge-",   "row",   "level",  "reading", "metre"};

// A generator of its own for each family: the seed spread over the state.
Rng Seeded(uint32_t seed) {
    return Rng(seed * 2654435761u + 1);
}

std::string Words(Rng& r, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? " " : "") + std::string(r.pick(kWords));
    return s;
}

std::string Name(const char* family, int n) {
    char buf[64];
    snprintf(buf, sizeof buf, "%s-%03d.pfs", family, n);
    return buf;
}

void Add(Docs& d, const char* family, int n, const Bytes& bytes) {
    d.push_back({Name(family, n), bytes});
}

// A line end as a document in the spacing of the code before it carries it:
// in double spacing the two fillers (0x03, a space) and then the code.
struct Ends {
    PfsWriter& w;
    bool dbl = false;
    void end(uint8_t code) {
        if (dbl)
            w.raw({0x03, ' '});
        w.raw({code});
        dbl = (code & 0x02) != 0;
    }
};

// Ordinary documents of the generator, 1.5 to 9 KB.
void Generated(Docs& d) {
    for (int n = 1; n <= 80; ++n)
        Add(d, "generated", n, GenerateDocument(1500 + size_t(n * 997) % 7500, uint32_t(n)));
}

// Every order of the four codes: each closes a text line, an empty line and
// a line of spaces; once with the fillers double spacing asks for, once
// without (the bytes as they come).
void LineEndOrders(Docs& d) {
    int perm[4] = {0, 1, 2, 3}, n = 0;
    Rng r = Seeded(11);
    do {
        for (bool fillers : {true, false}) {
            PfsWriter w;
            Ends e{w};
            w.text("Title");
            e.end(1);
            for (int i = 0; i < 4; ++i) {
                w.text(Words(r, 3 + int(r.below(6))));
                fillers ? e.end(uint8_t(perm[i])) : void(w.raw({uint8_t(perm[i])}));
                w.text(" ");
                fillers ? e.end(uint8_t(perm[(i + 1) % 4]))
                        : void(w.raw({uint8_t(perm[(i + 1) % 4])}));
                w.text("   ");
                fillers ? e.end(uint8_t(perm[(i + 2) % 4]))
                        : void(w.raw({uint8_t(perm[(i + 2) % 4])}));
            }
            w.text(Words(r, 4));
            if (n % 3 != 2)
                w.endOfText();
            Add(d, "line-ends", ++n, w.bytes());
        }
    } while (std::next_permutation(perm, perm + 4));
}

// Paragraphs parted by 0 to 5 empty lines, single and double spaced, with
// paragraphs of one to three lines; then random runs of empty lines, lines
// of spaces and text with random codes.
void BlankRuns(Docs& d) {
    Rng r = Seeded(23);
    int n = 0;
    for (int blanks = 0; blanks <= 5; ++blanks)
        for (bool dbl : {false, true})
            for (size_t lines : {1, 3}) {
                PfsWriter w;
                w.paragraph({"Heading"});
                for (int p = 0; p < 3; ++p) {
                    w.doubleSpaced(dbl && p == 1);
                    std::vector<std::string> ls;
                    for (size_t i = 0; i < lines; ++i)
                        ls.push_back(Words(r, 5));
                    w.paragraph(ls);
                    for (int b = 0; b < blanks; ++b)
                        w.emptyLine();
                }
                w.doubleSpaced(false).paragraph({"End."}).endOfText();
                Add(d, "blank-runs", ++n, w.bytes());
            }
    for (int k = 0; k < 12; ++k) {
        PfsWriter w;
        w.line("Start", 1);
        for (int i = 0; i < 30; ++i) {
            switch (r.below(4)) {
            case 0:
                w.text(" ");
                break;
            case 1:
                w.text(std::string(2 + r.below(4), ' '));
                break;
            default:
                w.text(Words(r, 1 + int(r.below(5))));
            }
            w.raw({uint8_t(r.below(4))});
        }
        w.endOfText();
        Add(d, "blank-runs", ++n, w.bytes());
    }
}

// First-line, hanging and block indents of many widths, with and without a
// left margin.
void Indents(Docs& d) {
    Rng r = Seeded(37);
    for (int n = 1; n <= 30; ++n) {
        PfsWriter w;
        w.leftColumn(uint16_t(r.percent(50) ? 0 : r.below(21)))
            .rightColumn(uint16_t(40 + r.below(41)));
        w.paragraph({"Title"}).emptyLine();
        for (int p = 0; p < 4; ++p) {
            size_t first = r.below(13), rest = r.percent(30) ? first : r.below(13);
            size_t lines = 1 + r.below(5);
            std::vector<std::string> ls;
            for (size_t i = 0; i < lines; ++i)
                ls.push_back(std::string(i ? rest : first, ' ') + Words(r, 3 + int(r.below(7))));
            w.paragraph(ls);
            if (r.percent(70))
                w.emptyLine();
        }
        if (n == 30)
            w.paragraph({std::string(300, ' ') + "far", std::string(255, ' ') + "wrapped"});
        w.endOfText();
        Add(d, "indents", n, w.bytes());
    }
}

// Tabs in tables, at line starts, after indents, twice in a row, before a
// line end, in a paragraph that wraps and before a page break.
void Tabs(Docs& d) {
    Rng r = Seeded(41);
    for (int n = 1; n <= 20; ++n) {
        PfsWriter w;
        if (r.percent(50))
            w.leftColumn(0).rightColumn(65);
        w.paragraph({"Table"}).emptyLine();
        for (int row = 0; row < 4; ++row) {
            w.beginParagraph(1);
            if (r.percent(30))
                w.text(std::string(r.below(6), ' '));
            for (uint32_t c = 0, cols = 1 + r.below(4); c < cols; ++c) {
                w.tab();
                if (r.percent(20))
                    w.tab();
                if (r.percent(85))
                    w.text(Words(r, 1));
            }
            w.endLine();
        }
        w.emptyLine().beginParagraph(3);
        w.text(Words(r, 3)).tab().text(Words(r, 2)).endLine();
        w.text(Words(r, 4)).tab().endLine();
        w.text(Words(r, 2)).tab().text("x*N*y").endLine();
        w.endOfText();
        Add(d, "tabs", n, w.bytes());
    }
}

// Enhanced runs with every kind of attribute byte and lead byte.
void Enhanced(Docs& d) {
    Rng r = Seeded(53);
    const uint8_t attrs[] = {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x18, 0x20, 0x03,
                             0x06, 0x1F, 0x3F, 0x40, 0x42, 0x48, 0x7F, 0x80, 0xFF};
    for (int n = 1; n <= 25; ++n) {
        PfsWriter w;
        w.paragraph({"Runs"}).emptyLine();
        for (int p = 0; p < 3; ++p) {
            w.beginParagraph(2);
            for (int line = 0; line < 2; ++line) {
                for (int k = 0; k < 6; ++k) {
                    if (r.percent(40))
                        w.text(Words(r, 1 + int(r.below(3))) + " ");
                    uint8_t a = r.percent(50) ? r.pick(attrs) : uint8_t(r.below(256));
                    if (r.percent(70)) {
                        w.enhanced(Words(r, 1), a);
                    } else {
                        for (uint32_t c = 1 + r.below(4); c > 0; --c)
                            w.raw({uint8_t(0x80 + r.below(128)), a});
                    }
                }
                w.endLine();
            }
            w.emptyLine();
        }
        if (n % 5 == 0)
            w.raw({0xC1}); // a lead byte as the last byte
        else if (n % 5 == 1)
            w.raw({0xC1, 0x02});
        else
            w.endOfText();
        Add(d, "enhanced", n, w.bytes());
    }
}

// Commands of every kind, closed and unclosed, in lines and at their ends.
void Commands(Docs& d) {
    Rng r = Seeded(67);
    const std::string_view cmds[] = {
        "N",         "NEW PAGE", "new",      "NOW",   "@D",      "@T",   "@t",     "@X",
        "JY",        "JY N",     "jyon",     "JYNN",  "JX text", "C",    "CENTER", "R",
        "r",         "P",        "Page 3",   "1",     "12ab",    "9",    "GO x",   "GOTO x1",
        "GRAPH Pic", "JOIN aB",  "jrnl1 Zz", "JR zz", "Jump 2",  "Note", " ",      "GO"};
    for (int n = 1; n <= 20; ++n) {
        PfsWriter w;
        w.paragraph({"Commands"}).emptyLine();
        for (int p = 0; p < 5; ++p) {
            w.beginParagraph(2);
            for (int line = 0; line < 2; ++line) {
                for (int k = 0; k < 3; ++k) {
                    w.text(Words(r, 1 + int(r.below(3))) + " ");
                    w.command(r.pick(cmds));
                }
                if (r.percent(25))
                    w.text(" *" + std::string(r.pick(cmds)));
                if (r.percent(10))
                    w.command(std::string(90 + r.below(20), '7'));
                w.endLine();
            }
            w.emptyLine();
        }
        if (n % 4 == 0)
            w.text("tail *GO");
        else
            w.endOfText();
        Add(d, "commands", n, w.bytes());
    }
}

// Format lines and records inside lines, of sizes 0 to 9, with and without
// new margins, some past 227 columns, single and in runs.
void FormatRecords(Docs& d) {
    Rng r = Seeded(79);
    for (int n = 1; n <= 20; ++n) {
        PfsWriter w;
        w.paragraph({"Formats"}).emptyLine();
        for (int p = 0; p < 5; ++p) {
            if (r.percent(50))
                w.formatLine(uint8_t(r.below(30)), uint8_t(r.percent(10) ? 255 : 40 + r.below(40)));
            w.beginParagraph(2);
            w.text(Words(r, 4));
            for (uint32_t k = r.below(3); k > 0; --k)
                w.formatRecord(uint8_t(r.below(2)), uint8_t(r.below(256)), uint8_t(r.below(256)),
                               uint8_t(r.below(10)));
            w.text(Words(r, 2)).endLine().text(Words(r, 5)).endLine();
            if (r.percent(60))
                w.emptyLine();
        }
        if (n % 5 == 0)
            w.text("a").raw({0x07});
        else
            w.endOfText();
        Add(d, "format", n, w.bytes());
    }
}

// Header and footer lines, alone and in pairs, every alignment and
// attribute, with page numbers, enhanced characters, tabs and commands.
void HeadFoot(Docs& d) {
    Rng r = Seeded(83);
    const std::string_view texts[] = {"Page *1*",    "Report", "  Indented",  "*R*right",
                                      "a\xC1\x02 b", "x\ty",   "*@D* - *@T*", "Draft *C*",
                                      "*N*break",    "p*12*"};
    for (int n = 1; n <= 30; ++n) {
        PfsWriter w;
        if (r.percent(80))
            w.headerLine(1, r.pick(texts));
        if (r.percent(40))
            w.headerLine(2, r.pick(texts));
        if (r.percent(70))
            w.footerLine(1, r.pick(texts));
        if (r.percent(40))
            w.footerLine(2, r.pick(texts));
        w.headerAlign(uint8_t(r.below(4))).footerAlign(uint8_t(r.below(4)));
        w.headerAttr(uint8_t(r.below(32))).footerAttr(uint8_t(r.below(32)));
        w.justify(uint8_t(r.below(3)));
        w.paragraph({"Body"}).emptyLine().paragraph({Words(r, 8), Words(r, 6)}).endOfText();
        Add(d, "head-foot", n, w.bytes());
    }
}

// Double-spaced passages: switched on and off between paragraphs, empty
// lines and format lines inside, the document ending in the middle.
void DoubleSpacing(Docs& d) {
    Rng r = Seeded(97);
    for (int n = 1; n <= 15; ++n) {
        PfsWriter w;
        w.paragraph({"Double"}).emptyLine();
        for (int p = 0; p < 4; ++p) {
            w.doubleSpaced(r.percent(60));
            std::vector<std::string> ls;
            for (uint32_t i = 0, k = 1 + r.below(4); i < k; ++i)
                ls.push_back(std::string(i == 0 && r.percent(40) ? 5 : 0, ' ') + Words(r, 6));
            w.paragraph(ls);
            if (r.percent(20))
                w.formatLine(uint8_t(5 + r.below(10)), uint8_t(60 + r.below(15)));
            for (uint32_t b = r.below(3); b > 0; --b)
                w.emptyLine();
        }
        if (n % 3 == 0)
            w.raw({'x', 0x03, ' '});
        else
            w.doubleSpaced(false).paragraph({"End."}).endOfText();
        Add(d, "double", n, w.bytes());
    }
}

// Documents past the input window (16384 bytes; the window moves when the
// read position reaches 15359, by 14336 each time) with a construct placed
// across a refill offset, and a few long generated ones.
void Window(Docs& d) {
    Rng r = Seeded(101);
    const size_t at[] = {15355, 15357, 15358, 15359, 15360, 15362, 16380, 16382, 16383, 16384,
                         16385, 16387, 29693, 29694, 29695, 29696, 29697, 30719, 30720, 30721};
    int n = 0;
    for (size_t a : at) {
        for (int kind = 0; kind < 2; ++kind) {
            PfsWriter w;
            w.paragraph({"Long"}).emptyLine().beginParagraph(3);
            w.padTo(a - 2 - size_t(kind));
            switch ((n + kind) % 7) {
            case 0:
                w.raw({'a', 0x01, ' ', 0x00, ' ', 0x01});
                break; // line end, empty lines
            case 1:
                w.raw({'a', 0xC1, 0x02, 0xC2, 0x42, 'b'});
                break; // enhanced pairs
            case 2:
                w.text("a*@D*b*12*c");
                break;
            case 3:
                w.raw({'a', 0x00, ' ', 0x07, 0x05, 0x01, 0x05, 0x46, 0x00});
                break;
            case 4:
                w.raw({'a', 0x03, ' ', 0x02, 'b', 0x03, ' ', 0x00});
                break; // double filler
            case 5:
                w.raw({'a', 0x09, 'b', 0x09, 0x01, ' ', 0x01});
                break;
            case 6:
                w.raw({'a', 0x01, ' ', 0x01, ' ', ' ', ' ', ' ', 'b', 0x00});
                break;
            }
            w.text(Words(r, 8)).raw({0x01, ' ', 0x01});
            size_t more = 500 + r.below(1500);
            while (w.offset() < a + more)
                w.paragraph({Words(r, 9), Words(r, 7)}).emptyLine();
            w.endOfText();
            Add(d, "window", ++n, w.bytes());
        }
    }
    for (int k = 0; k < 6; ++k)
        Add(d, "window", ++n, GenerateDocument(20000 + size_t(k) * 9000, uint32_t(500 + k)));
}

// Generated documents with damaged tails: cut anywhere, cut right after a
// lead byte, a format byte, a star or a double-spaced code, or with random
// bytes in place of the end.
void DamagedTails(Docs& d) {
    Rng r = Seeded(113);
    for (int n = 1; n <= 25; ++n) {
        Bytes doc = GenerateDocument(2000 + r.below(14000), uint32_t(900 + n));
        size_t cut = 1100 + r.below(uint32_t(doc.size() - 1100));
        doc.resize(cut);
        switch (n % 5) {
        case 0:
            break;
        case 1:
            doc.push_back(0xC3);
            break;
        case 2:
            doc.push_back(0x07);
            break;
        case 3:
            doc.push_back('*');
            break;
        case 4:
            for (uint32_t k = 1 + r.below(40); k > 0; --k)
                doc.push_back(uint8_t(r.below(256)));
            break;
        }
        if (n % 7 == 0)
            doc.insert(doc.end(), {0x03, ' '});
        Add(d, "damaged", n, doc);
    }
}

Docs GoldenDocuments() {
    Docs d;
    Generated(d);
    LineEndOrders(d);
    BlankRuns(d);
    Indents(d);
    Tabs(d);
    Enhanced(d);
    Commands(d);
    FormatRecords(d);
    HeadFoot(d);
    DoubleSpacing(d);
    Window(d);
    DamagedTails(d);
    return d;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: mkgolden DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "mkgolden: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    size_t total = 0;
    const Docs docs = GoldenDocuments();
    for (const ExampleDocument& doc : docs) {
        if (!SaveFile("mkgolden", dir + "/" + doc.name, doc.bytes))
            return 1;
        total += doc.bytes.size();
    }
    if (isatty(1))
        std::printf("%zu documents, %zu bytes, in %s\n", docs.size(), total, dir.c_str());
    return 0;
}
