// The PFS document builder: header fields at the offsets the reader takes
// them from, the overlap rules, the body's byte forms, the line-end
// convention (checked once by byte and once by running the translator over
// built documents), and the generator's documents.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "examples.h"
#include "generate.h"
#include "pfs_writer.h"

namespace {

using Bytes = PfsWriter::Bytes;

// Bytes of a string that may hold NULs.
Bytes Of(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// n bytes of f from offset on.
Bytes At(const Bytes& f, size_t offset, size_t n) {
    return Bytes(f.begin() + offset, f.begin() + offset + n);
}

// --------------------------------------------------------------- header ---

TEST(PfsWriterHeader, FieldsLandAtTheirOffsets) {
    PfsWriter w;
    w.pageLines(0x1234).topLines(0x0102).bottomLines(0xA0B0).leftColumn(300).rightColumn(0xFF01);
    w.headerLine(1, "H1").headerLine(2, "H22").footerLine(1, "F1x").footerLine(2, "F");
    w.headerAlign(2).footerAlign(7).justify(1).headerAttr(0x18).footerAttr(0x04).skippedByte(0x55);
    w.text("body");
    Bytes f = w.bytes();
    ASSERT_EQ(f.size(), 1025u + 4);
    EXPECT_EQ(At(f, 0, 6), (Bytes{0x34, 0x12, 0x02, 0x01, 0xB0, 0xA0}));
    EXPECT_EQ(At(f, 6, 4), Bytes(4, 0));
    EXPECT_EQ(At(f, 10, 4), (Bytes{0x2C, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(At(f, 328, 3), Of("\x02H1"));
    EXPECT_EQ(At(f, 402, 4), Of("\x03H22"));
    EXPECT_EQ(At(f, 484, 4), Of("\x03"
                                "F1x"));
    EXPECT_EQ(At(f, 558, 2), Of("\x01"
                                "F"));
    EXPECT_EQ(At(f, 641, 3), Of("TYP"));
    EXPECT_EQ(At(f, 822, 9), (Bytes{2, 0, 7, 0, 1, 0, 0x18, 0, 0x04}));
    EXPECT_EQ(f[1024], 0x55);
    EXPECT_EQ(At(f, 1025, 4), Of("body"));
    // Everything not set stays 0.
    size_t nonzero = std::count_if(f.begin() + 14, f.begin() + 328, [](uint8_t b) { return b; });
    EXPECT_EQ(nonzero, 0u);
}

TEST(PfsWriterHeader, DefaultsAreALetterPageWithTheSignature) {
    Bytes f = PfsWriter().bytes();
    ASSERT_EQ(f.size(), 1025u);
    EXPECT_EQ(At(f, 0, 6), (Bytes{66, 0, 6, 0, 6, 0}));
    EXPECT_EQ(At(f, 10, 4), (Bytes{10, 0, 75, 0}));
    EXPECT_EQ(At(f, 641, 3), Of("TYP"));
    EXPECT_EQ(f[328], 0); // no header, no footer
    EXPECT_EQ(f[484], 0);
    EXPECT_EQ(f[826], 0);
}

TEST(PfsWriterHeader, LongLinesOverlapLaterFieldsOnlyWhereThoseAreSet) {
    std::string line1(100, 'a'); // 329..428 runs over 402
    Bytes alone = PfsWriter().headerLine(1, line1).bytes();
    EXPECT_EQ(alone[402], 'a');
    EXPECT_EQ(alone[428], 'a');
    EXPECT_EQ(alone[429], 0);

    Bytes cut = PfsWriter().headerLine(1, line1).headerLine(2, "xy").bytes();
    EXPECT_EQ(At(cut, 401, 5), Of("a\x02xya")); // line 2 in the middle, line 1 around it

    // A 73-byte first line ends right before line 2's length byte.
    Bytes exact = PfsWriter().headerLine(1, std::string(73, 'b')).headerLine(2, "z").bytes();
    EXPECT_EQ(exact[401], 'b');
    EXPECT_EQ(exact[402], 1);

    // Lengths stop at 255.
    Bytes longest = PfsWriter().footerLine(1, std::string(300, 'c')).omitSignature().bytes();
    EXPECT_EQ(longest[484], 255);
    EXPECT_EQ(longest[485 + 254], 'c');
    EXPECT_EQ(longest[485 + 255], 0);
}

TEST(PfsWriterHeader, SignatureCanBeWrongMissingOrCoveredByText) {
    EXPECT_EQ(At(PfsWriter().signature("typ").bytes(), 641, 3), Of("typ"));
    EXPECT_EQ(At(PfsWriter().omitSignature().bytes(), 641, 3), Bytes(3, 0));
    // Footer line 2 (559..) reaches 641: the signature, laid out after it, wins.
    std::string text(120, 'q');
    EXPECT_EQ(At(PfsWriter().footerLine(2, text).bytes(), 640, 5), Of("qTYPq"));
    EXPECT_EQ(At(PfsWriter().footerLine(2, text).omitSignature().bytes(), 641, 3), Of("qqq"));
}

TEST(PfsWriterHeader, PatchesGoOverEverythingAndGrowTheFile) {
    PfsWriter w;
    w.headerLine(1, "abc").text("xyz").patch(329, "Q").patch(1026, "W").patch(1030, "!");
    Bytes f = w.bytes();
    EXPECT_EQ(At(f, 328, 4), Of("\x03Qbc"));
    ASSERT_EQ(f.size(), 1031u);
    EXPECT_EQ(At(f, 1025, 6), Of(std::string("xWz\0\0!", 6)));
}

// ----------------------------------------------------------------- body ---

TEST(PfsWriterBody, ByteForms) {
    PfsWriter w;
    w.enhanced("Ab", PfsWriter::kBold).enhanced("\xE9", 0x42).tab().command("@D");
    w.formatRecord(1, 12, 70).formatRecord(0, 1, 2, 7).formatRecord(1, 3, 4, 0).endOfText();
    EXPECT_EQ(w.body(), (Bytes{0xC1, 0x02, 0xE2, 0x02, 0xE9, 0x42, 0x09, '*', '@', 'D',
                               '*',  0x07, 5,    1,    12,   70,   0x07, 7,   0,   1,
                               2,    0,    0,    0x07, 0,    1,    3,    4,   0x0E}));
}

TEST(PfsWriterBody, PadToLandsExactlyOnTheOffset) {
    for (size_t gap : {0u, 1u, 2u, 61u, 62u, 63u, 14336u}) {
        PfsWriter w;
        w.text("abc");
        size_t target = w.offset() + gap;
        w.padTo(target);
        EXPECT_EQ(w.offset(), target) << gap;
        EXPECT_EQ(std::count(w.body().begin(), w.body().end(), 0x0E), 0);
    }
    PfsWriter w;
    w.padTo(2000).padTo(1500); // already past: nothing
    EXPECT_EQ(w.offset(), 2000u);
}

// ------------------------------------------------- the line-end convention ---

TEST(PfsWriterLineEnds, ACodeAnnouncesWhetherTheNextLineClosesItsParagraph) {
    PfsWriter w;
    w.paragraph({"T"});           // at the body start: no code in front to set
    w.paragraph({"a", "b", "c"}); // T's code cleared; b announces c
    w.paragraph({"d"});           // c's code set
    w.emptyLine();
    w.paragraph({"e", "f"}); // the empty line's code stays clear; e announces f
    w.emptyLine();
    w.paragraph({"g"}); // the empty line's code set
    EXPECT_EQ(w.body(), Of(std::string("T\0a\0b\1c\1d\0 \0e\1f\0 \1g\0", 20)));
}

TEST(PfsWriterLineEnds, OnlyTheLastByteIsEverRewritten) {
    PfsWriter w;
    w.line("a", 0).raw({0x07, 5, 0, 0, 0}).beginParagraph(1).text("b").lineEnd(2);
    w.text(" ").doubleSpaced(true); // a space after the code: left alone
    EXPECT_EQ(w.body(), (Bytes{'a', 0, 0x07, 5, 0, 0, 0, 'b', 2, ' '}));
}

TEST(PfsWriterLineEnds, DoubleSpacedLinesCarryTheirBlankLine) {
    PfsWriter w;
    w.paragraph({"T"}).emptyLine().doubleSpaced(true);
    w.paragraph({"a", "b", "c"}).emptyLine().doubleSpaced(false);
    w.paragraph({"d"});
    EXPECT_EQ(w.body(), (Bytes{'T', 0, ' ', 2, // the empty line announces double spacing
                               'a', 3, ' ', 2, // each line: 0x03, the blank, its code
                               'b', 3, ' ', 3, // c closes the paragraph
                               'c', 3, ' ', 2, // the empty line below is double too
                               ' ', 3, ' ', 1, // d: single, one line
                               'd', 0}));
}

TEST(PfsWriterLineEnds, FormatLineStandsInForAnEmptyLine) {
    PfsWriter w;
    w.paragraph({"a"}).formatLine(5, 70).paragraph({"b"});
    EXPECT_EQ(w.body(), (Bytes{'a', 0, ' ', 0x07, 5, 1, 5, 70, 1, 'b', 0}));
}

// --------------------------------------------- read back by the translator ---

// The stream's text with every record taken out, cut at the hard returns.
std::vector<std::string> Paragraphs(const Bytes& stream) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < stream.size();) {
        if (stream[i] == 0x00) {
            i += 3 + (i + 2 < stream.size() ? stream[i + 2] : 0);
            continue;
        }
        if (stream[i] == 0x0D)
            out.emplace_back();
        else
            out.back() += char(stream[i]);
        ++i;
    }
    return out;
}

// The whole of a file; empty when it cannot be read.
Bytes ReadFile(const std::string& path) {
    Bytes out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;)
            out.push_back(uint8_t(c));
        std::fclose(f);
    }
    return out;
}

// The translator's stream for a document (empty when the run fails).
Bytes Translate(const Bytes& doc) {
    char src[] = "/tmp/pfswriter_testXXXXXX";
    int fd = mkstemp(src);
    if (fd < 0)
        return {};
    bool written = write(fd, doc.data(), doc.size()) == ssize_t(doc.size());
    close(fd);
    std::string dst = std::string(src) + ".vnk";
    pid_t pid = written ? fork() : -1;
    if (pid == 0) {
        execl(PFS2VNK_EXE, PFS2VNK_EXE, src, dst.c_str(), "0", (char*)nullptr);
        _exit(127);
    }
    int status = -1;
    if (pid > 0)
        waitpid(pid, &status, 0);
    Bytes out = ReadFile(dst);
    std::remove(src);
    std::remove(dst.c_str());
    return status == 0 ? out : Bytes{};
}

TEST(PfsWriterRoundTrip, EveryParagraphEndsInOneHardReturn) {
    PfsWriter w;
    w.paragraph({"Title"}).emptyLine();
    w.paragraph({"     one two", "three four", "five"});
    w.paragraph({"solo"});
    w.paragraph({"hy-", "phen", "end"}).emptyLine().emptyLine();
    w.doubleSpaced(true).paragraph({"d1", "d2", "d3"}).emptyLine().paragraph({"e1"});
    w.emptyLine().doubleSpaced(false);
    w.paragraph({"x", "    y"}).formatLine(12, 70).paragraph({"z", "w"});
    w.endOfText();
    // Records dropped, hard returns shown as "|": every empty line and the
    // format line add one, and the end of the text a last one.
    std::string text;
    for (const std::string& p : Paragraphs(Translate(w.bytes())))
        text += p + "|";
    EXPECT_EQ(text, "Title||one two three four five|solo|hy-phen end|||d1 d2 d3||e1||x y||z w|||");
}

TEST(PfsWriterExamples, CheckedInFilesAreUpToDateAndTranslate) {
    for (const ExampleDocument& doc : AllExamples()) {
        EXPECT_EQ(ReadFile(std::string(SOURCE_DIR) + "/examples/" + doc.name), doc.bytes)
            << doc.name << ": run mkexamples";
        EXPECT_FALSE(Translate(doc.bytes).empty()) << doc.name;
    }
}

// ------------------------------------------------------------ generator ---

TEST(PfsWriterGenerate, SameSeedSameBytesAndSizeNearTheAsk) {
    Bytes a = GenerateDocument(50000, 9);
    EXPECT_EQ(a, GenerateDocument(50000, 9));
    EXPECT_NE(a, GenerateDocument(50000, 10));
    EXPECT_GE(a.size(), 50000u - 64);
    EXPECT_LE(a.size(), 50000u + 4096);
    EXPECT_EQ(At(a, 641, 3), Of("TYP"));
    EXPECT_EQ(a.back(), 0x0E);
    for (size_t i = 1025; i + 1 < a.size(); ++i) // else only as a margin in a format record
        if (a[i] == 0x0E) {
            EXPECT_TRUE(a[i - 3] == 0x07 || a[i - 4] == 0x07) << i;
        }
    EXPECT_LT(GenerateDocument(0, 1).size(), 1200u);
}

TEST(PfsWriterGenerate, LongDocumentsHoldEveryKindOfBlock) {
    Bytes d = GenerateDocument(200000, 3);
    auto has = [&](const Bytes& pat) {
        return std::search(d.begin() + 1025, d.end(), pat.begin(), pat.end()) != d.end();
    };
    EXPECT_TRUE(has(Of("*@D*")));
    EXPECT_TRUE(has(Of("*@T*")));
    EXPECT_TRUE(has(Of("*C*")));
    EXPECT_TRUE(has(Of("*N")));
    EXPECT_TRUE(has(Of("*JOIN ")));
    EXPECT_TRUE(has(Of(std::string("-\0", 2))) || has(Of("-\x01")));
    EXPECT_TRUE(has(Of(std::string("\x03 \x02", 3))));     // a double-spaced line end
    EXPECT_TRUE(has(Of(std::string(" \x07\x05\x01", 4)))); // a format line
    EXPECT_TRUE(has(Of(std::string("\x09", 1))));
    EXPECT_TRUE(has(Of("     "))); // indents
    size_t enhanced = 0;
    for (size_t i = 1025; i + 1 < d.size(); ++i)
        if (d[i] >= 0x80 && (d[i + 1] & 0x3F))
            ++enhanced, ++i;
    EXPECT_GT(enhanced, 100u);
}

TEST(PfsWriterGenerate, ParagraphsSurviveTranslationWhole) {
    PfsWriter w;
    GenerateInto(w, 100000, 5);
    Bytes stream = Translate(w.bytes());
    ASSERT_FALSE(stream.empty());
    // Every paragraph of running text starts a sentence; a line end taken
    // for hard in the middle of one would start a paragraph in lower case.
    for (const std::string& p : Paragraphs(stream)) {
        if (p.empty())
            continue;
        EXPECT_FALSE(std::islower(static_cast<unsigned char>(p[0]))) << p;
    }
    // And none is merged with the next: the translator starts one paragraph
    // (code 0xD6) per paragraph written, per format line, per header and
    // footer line, and one at the end of the text.
    const Bytes formatLine = {' ', 0x07, 5, 1};
    size_t formatLines = 0, starts = 0;
    for (auto i = w.body().begin(); (i = std::search(i, w.body().end(), formatLine.begin(),
                                                     formatLine.end())) != w.body().end();
         ++i)
        ++formatLines;
    for (size_t i = 0; i + 2 < stream.size();) {
        if (stream[i] != 0x00) {
            ++i;
            continue;
        }
        starts += stream[i + 1] == 0xD6;
        i += 3 + stream[i + 2];
    }
    EXPECT_EQ(starts, w.paragraphs() + formatLines + 2 + 1);
}

} // namespace
