// Covers tools/render/odt_*.cpp in the real office suite (LibreOffice
// headless, pandoc, pdfinfo, pdftotext, pdffonts).
// The ODT of every example and of 33 documents of the golden corpus (three
// of each kind: blank runs, commands, damaged, double spacing, enhanced
// text, format lines, generated, headers and footers, indents, line ends,
// tabs, window crossings) is converted by LibreOffice to PDF and to DOCX,
// all files of a group in one call, one profile per group so that groups
// run in parallel.  Checked for each document:
//   - the PDF's page size is the stream's, within 1 pt, and it has at least
//     one page more than the stream has hard page breaks; its text, and the
//     plain text pandoc makes of the ODT and of LibreOffice's DOCX, hold the
//     document's words in order; its font is Liberation Mono;
//   - content.xml: the words the stream sets bold, italic or underlined, and
//     no others, are in spans with that attribute; the document's tab ruler
//     is among the paragraphs' tab stops; the first page's left and right
//     margins are the stream's (styles.xml);
//   - the package opens with libzip and its first file is "mimetype".
// The PDF/A-2b recipe of the documentation makes a PDF that says
// pdfaid:part 2.  Skipped, naming the Debian package, when a program is
// missing.
//
// Run alone with: ctest --preset debug -L office

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "office/office_facts.h"
#include "support/files.h"
#include "support/shell.h"

namespace {

using testshell::OnPath;
using testshell::Output;
using testshell::Shell;

// "Page size:       612 x 792 pts (letter)" -> 612, 792.
bool PageSize(const std::string& info, double& w, double& h) {
    const size_t at = info.find("Page size:");
    return at != std::string::npos &&
           std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h) == 2;
}

int Pages(const std::string& info) {
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

struct Doc {
    std::string name;   // file name without extension
    std::string source; // a .pfs to translate, or a .vnk to take as it is
};

// The office suite on the documents: one soffice call per target format.
void Convert(const testfs::TempDir& dir, const std::string& to, const std::string& outdir,
             const std::string& files) {
    const std::string soffice = "timeout 600 soffice -env:UserInstallation=file://" +
                                dir / "profile" + " --headless --norestore --convert-to '" + to +
                                "' --outdir " + outdir + " " + files + " >" + dir / "soffice.log" +
                                " 2>&1";
    ASSERT_EQ(Shell(soffice), 0) << testfs::ReadFile(dir / "soffice.log");
}

void CheckWords(const std::vector<std::string>& want, const std::string& text, const Doc& doc,
                const char* what) {
    std::string missing;
    EXPECT_TRUE(InOrder(want, Words(text), &missing))
        << doc.name << ": " << what << " lacks \"" << missing << "\" in order:\n"
        << text.substr(0, 3000);
}

void RunGroup(const std::vector<Doc>& docs, bool recipe) {
    for (const auto& [program, package] : {std::pair{"soffice", "libreoffice-writer-nogui"},
                                           {"pandoc", "pandoc"},
                                           {"pdftotext", "poppler-utils"},
                                           {"pdfinfo", "poppler-utils"},
                                           {"pdffonts", "poppler-utils"}})
        if (!OnPath(program))
            GTEST_SKIP() << program << " is missing: install the Debian package " << package;
    testfs::TempDir dir;
    const std::string vnkdump = "'" VNKDUMP_EXE "' ";
    std::string odts;
    for (const Doc& doc : docs) {
        const std::string base = dir / doc.name;
        if (doc.source.ends_with(".pfs"))
            ASSERT_EQ(Shell("'" PFS2VNK_EXE "' '" + doc.source + "' " + base + ".vnk 0"), 0);
        else
            ASSERT_EQ(Shell("cp '" + doc.source + "' " + base + ".vnk"), 0);
        // A damaged stream renders up to its cut and exits with 1.
        EXPECT_LT(Shell(vnkdump + "--odt -o " + base + ".odt " + base + ".vnk 2>/dev/null"), 2)
            << doc.name;
        odts += " " + base + ".odt";
    }
    ASSERT_NO_FATAL_FAILURE(Convert(dir, "pdf", dir.path(), odts));
    ASSERT_NO_FATAL_FAILURE(Convert(dir, "docx", dir.path(), odts));

    for (const Doc& doc : docs) {
        const std::string base = dir / doc.name;
        const StreamFacts stream = ReadListing(Output(vnkdump + base + ".vnk 2>/dev/null"));
        const std::vector<std::string> words =
            Words(BodyText(Output(vnkdump + "--text " + base + ".vnk 2>/dev/null")));

        const std::string info = Output("pdfinfo " + base + ".pdf");
        double w = 0, h = 0;
        ASSERT_TRUE(PageSize(info, w, h)) << doc.name << ": no PDF\n" << info;
        EXPECT_NEAR(w, stream.pageWidth / 20.0, 1) << doc.name;
        EXPECT_NEAR(h, stream.pageLength / 20.0, 1) << doc.name;
        EXPECT_GE(Pages(info), stream.hardBreaks + 1) << doc.name;
        EXPECT_NE(Output("pdffonts " + base + ".pdf").find("LiberationMono"), std::string::npos)
            << doc.name << ": not set in Liberation Mono (Debian package fonts-liberation)";
        // In the order of the page's content: a layout order puts raised or
        // lowered letters (superscript, subscript) on lines of their own.
        CheckWords(words, Output("pdftotext -raw " + base + ".pdf -"), doc, "the PDF");
        CheckWords(words, Output("pandoc -f odt -t plain " + base + ".odt"), doc,
                   "pandoc's text of the ODT");
        CheckWords(words, Output("pandoc -f docx -t plain " + base + ".docx"), doc,
                   "pandoc's text of LibreOffice's DOCX");

        const OdtFacts odt = ReadOdt(base + ".odt");
        ASSERT_TRUE(odt.opened) << doc.name;
        EXPECT_EQ(odt.firstEntry, "mimetype") << doc.name;
        static const char* const kinds[] = {"bold", "italic", "underlined"};
        for (int k = 0; k < AttrKinds; ++k)
            EXPECT_EQ(odt.words[k], stream.words[k]) << doc.name << ": words set " << kinds[k];
        for (int column : stream.ruler)
            EXPECT_TRUE(odt.stopColumns.count(column)) << doc.name << ": no stop at " << column;
        // A damaged stream's margins are made sane first; those are not compared.
        if (0 <= stream.leftMargin && stream.leftMargin < stream.rightMargin &&
            stream.rightMargin <= stream.pageWidth) {
            EXPECT_NEAR(odt.pageMarginLeft, stream.leftMargin / 1440.0, 0.001) << doc.name;
            EXPECT_NEAR(odt.pageMarginRight, (stream.pageWidth - stream.rightMargin) / 1440.0,
                        0.001)
                << doc.name;
        }
    }

    if (recipe) { // the archival copy, as docs/renderings.md gives it
        const std::string odt = dir / docs[0].name + ".odt";
        ASSERT_NO_FATAL_FAILURE(Convert(
            dir, R"(pdf:writer_pdf_Export:{"SelectPdfVersion":{"type":"long","value":"2"}})",
            dir / "pdfa", odt));
        const std::string meta = Output("pdfinfo -meta " + dir / "pdfa/" + docs[0].name + ".pdf");
        const size_t at = meta.find("pdfaid:part");
        ASSERT_NE(at, std::string::npos) << meta;
        EXPECT_EQ(meta.substr(at, 16).find('2') != std::string::npos, true) << meta.substr(at, 40);
    }
}

// Three documents of each kind of the golden corpus, every other kind to a group.
std::vector<Doc> Corpus(int group) {
    std::vector<std::string> names;
    for (const std::string& n : testfs::ListDir(GOLDEN_DIR))
        if (n.ends_with(".vnk"))
            names.push_back(n.substr(0, n.size() - 4));
    std::vector<Doc> docs;
    std::string kind;
    int kindIndex = -1, taken = 0;
    for (const std::string& n : names) {
        const std::string k = n.substr(0, n.rfind('-'));
        if (k != kind)
            kind = k, ++kindIndex, taken = 0;
        if (kindIndex % 2 == group && taken < 3) {
            docs.push_back({n, GOLDEN_DIR "/" + n + ".vnk"});
            ++taken;
        }
    }
    return docs;
}

TEST(Office, Examples) {
    RunGroup({{"letter", SOURCE_DIR "/examples/letter.pfs"},
              {"memo", SOURCE_DIR "/examples/memo.pfs"},
              {"long", SOURCE_DIR "/examples/long.pfs"}},
             true);
}

TEST(Office, CorpusFirstKinds) {
    const auto docs = Corpus(0);
    ASSERT_GE(docs.size(), 15u);
    RunGroup(docs, false);
}

TEST(Office, CorpusSecondKinds) {
    const auto docs = Corpus(1);
    ASSERT_GE(docs.size(), 15u);
    RunGroup(docs, false);
}

} // namespace
