// GenerateTyped: documents as they come out of an archive of letters,
// minutes and reports typed at the keyboard.  Each paragraph is laid out into
// lines first (its line count decides the line-end codes), then written
// through PfsWriter line by line, with the commands, enhanced words, control
// codes and tabs sprinkled over the lines at the rates the header states.

#include "typed.h"

#include <string>
#include <string_view>

#include "pfs_writer.h"
#include "rng.h"

namespace {

constexpr std::string_view kWords[] = {
    "dear",      "sir",        "thank",      "you",        "for",        "your",
    "letter",    "of",         "the",        "tenth",      "we",         "have",
    "now",       "received",   "invoice",    "and",        "enclose",    "a",
    "cheque",    "in",         "full",       "settlement", "minutes",    "meeting",
    "held",      "on",         "tuesday",    "present",    "chairman",   "secretary",
    "treasurer", "apologies",  "were",       "from",       "members",    "matters",
    "arising",   "previous",   "agreed",     "that",       "hall",       "roof",
    "should",    "be",         "repaired",   "before",     "winter",     "quotations",
    "builders",  "will",       "circulated", "next",       "week",       "any",
    "other",     "business",   "date",       "is",         "to",         "fixed",
    "yours",     "faithfully", "regarding",  "order",      "delivery",   "goods",
    "arrived",   "damaged",    "please",     "arrange",    "collection", "replacement",
    "soonest",   "accounts",   "department", "balance",    "outstanding"};

// Commands the translator knows, and ones it does not (their text is kept).
constexpr std::string_view kKnown[] = {"JY N", "JY Y", "@D", "@T", "P", "GO next.pfs"};
constexpr std::string_view kUnknown[] = {"LM 5", "SS", "HY", "TM 3", "BM 2", "UJ"};

// One-byte codes the body drops.
constexpr uint8_t kStray[] = {0x04, 0x0B, 0x0C, 0x1A, 0x1C};

constexpr uint8_t kAttrs[] = {PfsWriter::kBold, PfsWriter::kUnderline, PfsWriter::kItalic,
                              PfsWriter::kBold | PfsWriter::kUnderline};

// Words of one paragraph, about n bytes of text.
std::vector<std::string> Words(Rng& rng, size_t n) {
    std::vector<std::string> words;
    size_t bytes = 0;
    bool start = true;
    while (bytes < n) {
        std::string w(rng.pick(kWords));
        if (start)
            w[0] = char(w[0] - 'a' + 'A');
        start = false;
        if (rng.below(9) == 0) {
            start = rng.below(3) != 0;
            w += start ? "." : ",";
        }
        bytes += w.size() + 1;
        words.push_back(std::move(w));
    }
    if (words.back().back() != '.')
        words.back() += ".";
    return words;
}

// Cuts words into lines of at most width bytes; a word that does not fit
// is now and then hyphenated across the line end.
std::vector<std::vector<std::string>> Lines(Rng& rng, const std::vector<std::string>& words,
                                            size_t width) {
    std::vector<std::vector<std::string>> lines(1);
    size_t col = 0;
    for (std::string w : words) {
        size_t room = width - col;
        size_t need = (lines.back().empty() ? 0 : 1) + w.size();
        if (need > room && !lines.back().empty()) {
            if (w.size() >= 6 && room >= 5 && rng.percent(40)) {
                size_t cut = room - 2;
                if (cut > w.size() - 3)
                    cut = w.size() - 3;
                lines.back().push_back(w.substr(0, cut) + "-");
                w = w.substr(cut);
            }
            lines.emplace_back();
            col = 0;
            need = w.size();
        }
        lines.back().push_back(w);
        col += need;
    }
    return lines;
}

// What the next lines carry: each counts down to its next occurrence.
struct Sprinkle {
    uint32_t command = 0, enhanced = 0, stray = 0, tab = 0;
};

// A word as enhanced characters: one attribute, or (one time in three) an
// attribute that changes from character to character.
void Enhanced(PfsWriter& w, Rng& rng, const std::string& word) {
    if (rng.below(3) != 0) {
        w.enhanced(word, rng.pick(kAttrs));
        return;
    }
    for (size_t i = 0; i < word.size(); ++i)
        w.enhanced(word.substr(i, 1), kAttrs[(i + rng.below(2)) % 4]);
}

void Line(PfsWriter& w, Rng& rng, const std::vector<std::string>& words, Sprinkle& s) {
    const bool command = s.command-- == 0, enhanced = s.enhanced-- == 0;
    const bool stray = s.stray-- == 0, tab = s.tab-- == 0;
    if (command)
        s.command = 1 + rng.below(5); // every 2 to 6 lines
    if (enhanced)
        s.enhanced = 1 + rng.below(4);
    if (stray)
        s.stray = 3 + rng.below(10);
    if (tab)
        s.tab = 4 + rng.below(12);
    const size_t at = rng.below((uint32_t)words.size());
    for (size_t k = 0; k < words.size(); ++k) {
        if (k > 0)
            w.text(tab && k == at ? "\t" : " ");
        if (stray && k == at)
            w.raw({rng.pick(kStray)});
        if (command && k == at) {
            if (rng.percent(60))
                w.command(rng.pick(kKnown));
            else
                w.command(rng.pick(kUnknown));
            w.text(" ");
        }
        if (enhanced && k == at && words[k].back() != '-')
            Enhanced(w, rng, words[k]);
        else
            w.text(words[k]);
    }
}

// A paragraph of 3 to 12 lines (now and then a one-line one), typed with a
// first-line indent, a block indent on every line, or flush left; returns
// its number of lines.
size_t Paragraph(PfsWriter& w, Rng& rng, Sprinkle& s) {
    const size_t width = 30 + rng.below(46);
    const size_t lines = rng.percent(10) ? 1 : 3 + rng.below(10);
    size_t first = 0, rest = 0;
    switch (rng.below(4)) {
    case 0:
        break;
    case 1:
        first = 2 + rng.below(9);
        break;
    default:
        first = rest = 2 + rng.below(9);
        break;
    }
    auto laid = Lines(rng, Words(rng, lines * (width - 5)), width);
    w.beginParagraph(laid.size());
    for (size_t i = 0; i < laid.size(); ++i) {
        w.text(std::string(i == 0 ? first : rest, ' '));
        Line(w, rng, laid[i], s);
        w.endLine();
    }
    return laid.size();
}

} // namespace

std::vector<uint8_t> GenerateTyped(size_t approxBytes, uint32_t seed) {
    Rng rng(seed);
    PfsWriter w;
    Sprinkle s;
    w.beginParagraph(1).text("Minutes of the committee").endLine();
    w.emptyLine();
    // A format line after the paragraph that reaches 24 to 60 lines since the last one.
    size_t untilFormat = 24 + rng.below(37);
    uint32_t untilDouble = 10 + rng.below(20);
    while (w.offset() + 96 < approxBytes) {
        const bool dbl = untilDouble-- == 0;
        if (dbl) {
            untilDouble = 10 + rng.below(20);
            w.doubleSpaced(true);
        }
        const size_t lines = Paragraph(w, rng, s);
        untilFormat = lines < untilFormat ? untilFormat - lines : 0;
        if (dbl) {
            w.emptyLine().doubleSpaced(false);
        } else if (untilFormat == 0) {
            untilFormat = 24 + rng.below(37);
            w.formatLine(uint8_t(5 + rng.below(11)), uint8_t(65 + rng.below(14)));
        } else if (rng.percent(33)) {
            w.emptyLine();
        }
    }
    w.endOfText();
    return w.bytes();
}
