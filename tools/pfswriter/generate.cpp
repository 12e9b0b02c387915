// GenerateDocument: long documents that look like what people write.
//
// The generator picks blocks at random (a small xorshift generator, so the
// same seed gives the same bytes everywhere) and writes them through
// PfsWriter: text paragraphs with one of four indent shapes, numbered lists
// with hanging indents, centred headings, tab tables, short lines with date,
// time and merge commands, page breaks, and double-spaced passages.  Blocks
// are parted by an empty line, now and then by a format line with new
// margins, or by nothing (paragraphs that follow one another directly).
//
// A paragraph is first cut into lines, so that its line count is known
// before its first byte is written: the line-end codes depend on it.  Words
// are laid out up to a fixed width; a long word that does not fit is now and
// then hyphenated across the line end.  Enhanced runs keep their attribute
// on the spaces between their words, and superscripts and subscripts stick
// to the word before them.

#include "generate.h"

#include "pfs_writer.h"
#include "rng.h"

#include <cctype>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kWords[] = {
    "the",        "survey",       "of",           "and",         "land",
    "boundary",   "northern",     "meadow",       "was",         "measured",
    "in",         "spring",       "with",         "a",           "new",
    "instrument", "which",        "records",      "every",       "reading",
    "to",         "within",       "tenth",        "metre",       "results",
    "show",       "that",         "drainage",     "along",       "eastern",
    "edge",       "has",          "improved",     "since",       "last",
    "year",       "although",     "several",      "markers",     "were",
    "found",      "displaced",    "by",           "frost",       "we",
    "recommend",  "replacing",    "them",         "before",      "autumn",
    "committee",  "agreed",       "budget",       "for",         "maintenance",
    "work",       "contractors",  "will",         "begin",       "once",
    "approvals",  "are",          "complete",     "all",         "figures",
    "below",      "rounded",      "nearest",      "hectare",     "please",
    "note",       "revised",      "schedule",     "inspection",  "river",
    "crossing",   "access",       "road",         "temporary",   "fencing",
    "is",         "required",     "near",         "quarry",      "entrance",
    "further",    "details",      "appear",       "appendix",    "comparison",
    "previous",   "measurements", "considerable", "uncertainty", "remains",
    "regarding",  "ownership",    "western",      "strip",       "correspondence"};

constexpr std::string_view kLabels[] = {"North", "South",   "East",    "West",  "Quarry",
                                        "River", "Orchard", "Pasture", "Copse", "Yard"};

constexpr uint8_t kRunAttrs[] = {PfsWriter::kBold,
                                 PfsWriter::kUnderline,
                                 PfsWriter::kItalic,
                                 PfsWriter::kBold | PfsWriter::kUnderline,
                                 PfsWriter::kBold | PfsWriter::kItalic,
                                 PfsWriter::kEnhancedOnly};

constexpr int kWidth = 62; // columns of text on a line

// A piece of a line: plain text, an enhanced run or a command.
struct Piece {
    enum Kind { Plain, Enhanced, Command } kind;
    std::string text;
    uint8_t attr = 0;
    bool glued = false; // no space in front of it
};

using Line = std::vector<Piece>;

// Columns a piece takes on the printed line.
int Width(const Piece& p) {
    return p.kind == Piece::Command ? 8 : int(p.text.size()); // a field prints about 8
}

// Words of running text in sentences, with an occasional enhanced run,
// script or field.
std::vector<Piece> Words(Rng& rng, int count) {
    std::vector<Piece> out;
    while (int(out.size()) < count) {
        size_t start = out.size();
        for (uint32_t n = 4 + rng.below(10); n > 0; --n) {
            uint32_t r = rng.below(100);
            if (r < 6) {
                std::string run(rng.pick(kWords));
                for (uint32_t k = rng.below(3); k > 0; --k)
                    run += " " + std::string(rng.pick(kWords));
                out.push_back({Piece::Enhanced, run, rng.pick(kRunAttrs)});
            } else if (r < 8 && out.size() > start && out.back().kind == Piece::Plain) {
                bool super = rng.percent(70);
                out.push_back({Piece::Enhanced, super ? "2" : "1",
                               super ? PfsWriter::kSuper : PfsWriter::kSub, true});
            } else if (r < 9 && out.size() > start) {
                out.push_back({Piece::Command, rng.percent(60) ? "@D" : "@T"});
            } else {
                out.push_back({Piece::Plain, std::string(rng.pick(kWords))});
            }
        }
        out[start].text[0] = char(std::toupper((unsigned char)out[start].text[0]));
        if (out.back().kind == Piece::Plain)
            out.back().text += ".";
        else
            out.push_back({Piece::Plain, ".", 0, true});
    }
    return out;
}

// Cuts pieces into lines of at most kWidth - indent columns, hyphenating a
// long plain word across the line end now and then.
std::vector<Line> Layout(Rng& rng, std::vector<Piece> pieces, int firstIndent, int restIndent) {
    std::vector<Line> lines(1);
    int col = firstIndent;
    for (size_t i = 0; i < pieces.size(); ++i) {
        Piece p = pieces[i];
        int room = kWidth - col - (lines.back().empty() || p.glued ? 0 : 1);
        if (Width(p) > room && !lines.back().empty() && !p.glued) {
            if (p.kind == Piece::Plain && p.text.size() >= 8 && room >= 5 && rng.percent(50)) {
                size_t cut = size_t(room - 1);
                if (cut > p.text.size() - 3)
                    cut = p.text.size() - 3;
                lines.back().push_back({Piece::Plain, p.text.substr(0, cut) + "-"});
                p.text = p.text.substr(cut);
            }
            lines.emplace_back();
            col = restIndent;
        }
        col += Width(p) + (lines.back().empty() || p.glued ? 0 : 1);
        lines.back().push_back(p);
    }
    return lines;
}

// Writes a line's pieces after indent spaces; the space between two pieces of
// the same enhanced run style is enhanced too.
void WriteLine(PfsWriter& w, int indent, const Line& line) {
    w.text(std::string(size_t(indent), ' '));
    for (size_t i = 0; i < line.size(); ++i) {
        const Piece& p = line[i];
        if (i > 0 && !p.glued) {
            const Piece& q = line[i - 1];
            bool sameRun =
                p.kind == Piece::Enhanced && q.kind == Piece::Enhanced && p.attr == q.attr;
            if (sameRun)
                w.enhanced(" ", p.attr);
            else
                w.text(" ");
        }
        switch (p.kind) {
        case Piece::Plain:
            w.text(p.text);
            break;
        case Piece::Enhanced:
            w.enhanced(p.text, p.attr);
            break;
        case Piece::Command:
            w.command(p.text);
            break;
        }
    }
}

// Writes laid-out lines as one paragraph.
void WriteParagraph(PfsWriter& w, const std::vector<Line>& lines, int firstIndent, int restIndent) {
    w.beginParagraph(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        WriteLine(w, i == 0 ? firstIndent : restIndent, lines[i]);
        w.endLine();
    }
}

// A running-text paragraph with a random indent shape.
void TextParagraph(PfsWriter& w, Rng& rng) {
    int first = 0, rest = 0;
    switch (rng.below(4)) {
    case 0: // flush left
        break;
    case 1: // first-line indent
        first = 5;
        break;
    case 2: // hanging
        rest = 4;
        break;
    case 3: // block indent
        first = rest = 4 * int(1 + rng.below(2));
        break;
    }
    std::vector<Piece> words = Words(rng, int(12 + rng.below(70)));
    if (rest > first)
        words.insert(words.begin(), {Piece::Plain, "Note:"});
    WriteParagraph(w, Layout(rng, words, first, rest), first, rest);
}

// A numbered list: items with hanging indents, one right after the other.
void List(PfsWriter& w, Rng& rng) {
    uint32_t items = 2 + rng.below(3);
    for (uint32_t n = 1; n <= items; ++n) {
        std::vector<Piece> words = Words(rng, int(6 + rng.below(30)));
        words.insert(words.begin(), {Piece::Plain, std::to_string(n) + ". "});
        WriteParagraph(w, Layout(rng, words, 0, 4), 0, 4);
    }
}

// A centred heading, alignment put back at its end.
void Heading(PfsWriter& w, Rng& rng, bool justified) {
    std::string title(rng.pick(kWords));
    title[0] = char(std::toupper((unsigned char)title[0]));
    title += " " + std::string(rng.pick(kWords));
    w.beginParagraph(1).command("C");
    if (rng.percent(50))
        w.enhanced(title, PfsWriter::kBold);
    else
        w.text(title);
    w.command(justified ? "JY Y" : "JY N").endLine();
}

// A table of tab-separated columns, one paragraph per row.
void Table(PfsWriter& w, Rng& rng) {
    uint32_t rows = 2 + rng.below(4);
    for (uint32_t r = 0; r < rows; ++r) {
        w.beginParagraph(1).text(rng.pick(kLabels));
        for (int c = 0; c < 3; ++c)
            w.tab().text(std::to_string(rng.below(1000)) + "." + std::to_string(rng.below(10)));
        w.endLine();
    }
}

// A one-line paragraph of fields and commands.
void Fields(PfsWriter& w, Rng& rng, bool justified) {
    w.beginParagraph(1);
    switch (rng.below(5)) {
    case 0:
        w.text("Printed ").command("@D").text(" at ").command("@T");
        break;
    case 1:
        w.command("JOIN appendix.pfs");
        break;
    case 2:
        w.text("See figure ").command("GRAPH levels");
        break;
    case 3:
        w.text("Item ").command(std::to_string(1 + rng.below(40)));
        break;
    case 4:
        w.command("R").text("Ref. ").command("@D").command(justified ? "JY Y" : "JY N");
        break;
    }
    w.endLine();
}

// One or two double-spaced paragraphs, then the empty line under them.
void DoublePassage(PfsWriter& w, Rng& rng) {
    w.doubleSpaced(true);
    uint32_t paras = 1 + rng.below(2);
    for (uint32_t i = 0; i < paras; ++i) {
        if (i > 0)
            w.emptyLine();
        int first = rng.percent(50) ? 5 : 0;
        WriteParagraph(w, Layout(rng, Words(rng, int(15 + rng.below(40))), first, 0), first, 0);
    }
    w.emptyLine().doubleSpaced(false);
}

} // namespace

void GenerateInto(PfsWriter& w, size_t approxBytes, uint32_t seed) {
    Rng rng(seed);
    bool justified = rng.percent(50);
    w.justify(justified ? 1 : 0)
        .headerAlign(PfsWriter::kAlignCentre)
        .headerAttr(PfsWriter::kHfBold);
    w.headerLine(1, "Site survey report - page *1*").footerLine(1, "Draft for the committee");
    w.footerAlign(PfsWriter::kAlignRight).footerAttr(PfsWriter::kHfUnderline);
    if (rng.percent(50))
        w.leftColumn(0).rightColumn(65);

    Heading(w, rng, justified);
    w.emptyLine();
    while (w.offset() + 64 < approxBytes) {
        uint32_t r = rng.below(100);
        if (r < 50)
            TextParagraph(w, rng);
        else if (r < 58)
            Heading(w, rng, justified);
        else if (r < 66)
            Table(w, rng);
        else if (r < 74)
            List(w, rng);
        else if (r < 80)
            Fields(w, rng, justified);
        else if (r < 83)
            w.beginParagraph(1).command(rng.percent(50) ? "N" : "NEW PAGE").endLine();
        else {
            DoublePassage(w, rng);
            continue; // ends with its own empty line
        }
        uint32_t s = rng.below(100);
        if (s < 75)
            w.emptyLine();
        else if (s < 85)
            w.formatLine(uint8_t(5 + rng.below(11)), uint8_t(65 + rng.below(14)));
        // else: the next paragraph follows directly
    }
    w.endOfText();
}

std::vector<uint8_t> GenerateDocument(size_t approxBytes, uint32_t seed) {
    PfsWriter w;
    GenerateInto(w, approxBytes, seed);
    return w.bytes();
}
