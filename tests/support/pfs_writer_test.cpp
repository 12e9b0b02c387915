// Covers tools/pfswriter/ (pfs_writer.cpp, pfs_header.cpp, examples.cpp, generate.cpp).
// The PFS document builder, as far as the fuzz seeds, examples and benchmarks rely on it.

#include "examples.h"
#include "generate.h"
#include "pfs_writer.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/program.h"

namespace {

// Header fields at the offsets the reader takes them from; every other byte 0.
TEST(PfsWriter, HeaderFieldsLandAtTheirOffsets) {
    PfsWriter w;
    w.pageLines(0x1234).topLines(0x0102).bottomLines(0xA0B0).leftColumn(300).rightColumn(0xFF01);
    w.headerLine(1, "H1").headerLine(2, "H22").footerLine(1, "F1x").footerLine(2, "F");
    w.headerAlign(2).footerAlign(7).justify(1).headerAttr(0x18).footerAttr(0x04).skippedByte(0x55);
    Bytes want(pfs::BodyStart, 0);
    for (const auto& [at, bytes] :
         std::initializer_list<std::pair<size_t, Bytes>>{{pfs::PageLines, {0x34, 0x12}},
                                                         {pfs::TopLines, {0x02, 0x01}},
                                                         {pfs::BottomLines, {0xB0, 0xA0}},
                                                         {pfs::LeftColumns, {0x2C, 0x01}},
                                                         {pfs::RightColumns, {0x01, 0xFF}},
                                                         {pfs::HeaderLine1, B("\2H1")},
                                                         {pfs::HeaderLine2, B("\3H22")},
                                                         {pfs::FooterLine1, B("\3F1x")},
                                                         {pfs::FooterLine2, B("\1F")},
                                                         {pfs::Signature, B("TYP")},
                                                         {pfs::HeaderAlign, {2}},
                                                         {pfs::FooterAlign, {7}},
                                                         {pfs::Justify, {1}},
                                                         {pfs::HeaderAttr, {0x18}},
                                                         {pfs::FooterAttr, {0x04}},
                                                         {pfs::Skipped, B("\125")}})
        std::copy(bytes.begin(), bytes.end(), want.begin() + (long)at);
    EXPECT_EQ(Hex(w.text("body").bytes()), Hex(want + B("body")));
}

// The line-end convention read back by pfs2vnk (records dropped, hard returns as "|"): every
// paragraph, empty line and format line ends in one hard return, single or double spaced.
TEST(PfsWriter, TranslatorFindsEveryParagraph) {
    PfsWriter w;
    w.paragraph({"Title"}).emptyLine().paragraph({"     one two", "three four", "five"});
    w.paragraph({"solo"}).paragraph({"hy-", "phen", "end"}).emptyLine().emptyLine();
    w.doubleSpaced(true).paragraph({"d1", "d2", "d3"}).emptyLine().paragraph({"e1"}).emptyLine();
    w.doubleSpaced(false).paragraph({"x", "    y"}).formatLine(12, 70).paragraph({"z", "w"});
    const std::string stream = testprog::TranslateBytes(w.endOfText().bytes());
    std::string text;
    for (size_t i = 0; i < stream.size(); ++i)
        if (stream[i] == 0)
            i += 2 + (i + 2 < stream.size() ? (uint8_t)stream[i + 2] : 0);
        else
            text += stream[i] == 0x0D ? '|' : stream[i];
    EXPECT_EQ(text, "Title||one two three four five|solo|hy-phen end|||d1 d2 d3||e1||x y||z w||");
}

TEST(PfsWriter, CheckedInExamplesAreUpToDateAndTranslate) {
    for (const ExampleDocument& doc : AllExamples()) {
        EXPECT_EQ(testfs::ReadFile(SOURCE_DIR "/examples/" + doc.name),
                  std::string(doc.bytes.begin(), doc.bytes.end()))
            << doc.name << ": run mkexamples";
        EXPECT_FALSE(testprog::TranslateBytes(doc.bytes).empty()) << doc.name;
    }
}

// The same document for the same seed, of about the size asked, closed by the end-of-text byte.
TEST(PfsWriter, GeneratorIsDeterministic) {
    const Bytes a = GenerateDocument(50000, 9);
    EXPECT_EQ(a, GenerateDocument(50000, 9));
    EXPECT_NE(a, GenerateDocument(50000, 10));
    EXPECT_TRUE(a.size() >= 50000 - 64 && a.size() <= 50000 + 4096 && a.back() == 0x0E);
}

} // namespace
