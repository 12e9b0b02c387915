// GenerateProse: long paragraphs of ordinary text, few commands, few
// enhanced runs.  Each paragraph is laid out into lines first (its line
// count decides the line-end codes), then written through PfsWriter.

#include "prose.h"

#include <string>
#include <string_view>

#include "pfs_writer.h"
#include "rng.h"

namespace {

constexpr std::string_view kWords[] = {
    "the",        "river",    "ran",     "low",     "that",    "summer",  "and",     "we",
    "walked",     "along",    "its",     "banks",   "every",   "morning", "before",  "the",
    "heat",       "came",     "up",      "from",    "fields",  "of",      "barley",  "where",
    "larks",      "rose",     "over",    "hedges",  "a",       "farmer",  "told",    "us",
    "about",      "years",    "when",    "water",   "covered", "whole",   "valley",  "in",
    "spring",     "nobody",   "could",   "cross",   "bridge",  "for",     "weeks",   "it",
    "was",        "quiet",    "except",  "for",     "bells",   "church",  "village", "beyond",
    "orchard",    "children", "playing", "near",    "mill",    "pond",    "while",   "their",
    "mothers",    "talked",   "about",   "harvest", "weather", "prices",  "market",  "town",
    "eventually", "autumn",   "arrived", "with",    "rain"};

// Words of one paragraph, about n bytes of text.
std::vector<std::string> Sentences(Rng& rng, size_t n) {
    std::vector<std::string> words;
    size_t bytes = 0;
    bool start = true;
    while (bytes < n) {
        std::string w(kWords[rng.below(sizeof kWords / sizeof kWords[0])]);
        if (start)
            w[0] = char(w[0] - 'a' + 'A');
        start = false;
        if (rng.below(12) == 0) { // a comma or the end of a sentence
            start = rng.below(4) != 0;
            w += start ? "." : ",";
        }
        bytes += w.size() + 1;
        words.push_back(std::move(w));
    }
    std::string& last = words.back();
    if (last.back() == ',')
        last.back() = '.';
    else if (last.back() != '.')
        last += ".";
    return words;
}

// Cuts words into lines of at most width bytes (indent included on the first).
std::vector<std::vector<std::string>> Lines(const std::vector<std::string>& words, size_t width,
                                            size_t indent) {
    std::vector<std::vector<std::string>> lines(1);
    size_t col = indent;
    for (const std::string& w : words) {
        size_t need = (lines.back().empty() ? 0 : 1) + w.size();
        if (col + need > width && !lines.back().empty()) {
            lines.emplace_back();
            col = 0;
            need = w.size();
        }
        lines.back().push_back(w);
        col += need;
    }
    return lines;
}

void Paragraph(PfsWriter& w, Rng& rng) {
    const size_t width = 64 + rng.below(21); // lines of about 60 to 80 bytes
    const size_t indent = rng.below(2) == 0 ? 5 : 0;
    const size_t lines = 5 + rng.below(11);
    auto laid = Lines(Sentences(rng, lines * width - indent), width, indent);
    const bool enhanced = rng.below(8) == 0, field = rng.below(20) == 0;
    const size_t markLine = rng.below((uint32_t)laid.size());
    w.beginParagraph(laid.size());
    for (size_t i = 0; i < laid.size(); ++i) {
        if (i == 0)
            w.text(std::string(indent, ' '));
        for (size_t k = 0; k < laid[i].size(); ++k) {
            if (k > 0)
                w.text(" ");
            if (i == markLine && k == 1 && enhanced)
                w.enhanced(laid[i][k], PfsWriter::kBold);
            else if (i == markLine && k == 1 && field)
                w.command("@D");
            else
                w.text(laid[i][k]);
        }
        w.endLine();
    }
}

} // namespace

std::vector<uint8_t> GenerateProse(size_t approxBytes, uint32_t seed) {
    Rng rng(seed);
    PfsWriter w;
    w.beginParagraph(1).text("Notes from the valley").endLine();
    w.emptyLine();
    while (w.offset() + 64 < approxBytes) {
        Paragraph(w, rng);
        w.emptyLine();
    }
    w.endOfText();
    return w.bytes();
}
