// Covers tools/batch/office*.cpp and pdfa.cpp with the real LibreOffice.
// pfs2vnk-batch --render pdfa: a tree of the examples and generated
// documents (two of them under the same name in different folders) becomes
// targets, ODTs and PDFs in one run.  Every PDF opens in pdfinfo, claims
// PDF/A-2b in its metadata, has the stream's page size within 1 pt and
// holds the document's words in order (pdftotext); the manifest verifies
// with sha256sum -c.  Skipped, naming the Debian package, when a program is
// missing (.ci/run fails when it is skipped).
//
// Run alone with: ctest --preset debug -L office

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "generate.h"
#include "office/office_facts.h"
#include "support/files.h"
#include "support/shell.h"

namespace {

using testshell::OnPath;
using testshell::Output;

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

TEST(OfficePdfa, EveryDocumentGetsAPdfA2bWithItsPageSizeAndWordsInOrder) {
    for (const auto& [program, package] : {std::pair{"soffice", "libreoffice-writer-nogui"},
                                           {"pdfinfo", "poppler-utils"},
                                           {"pdftotext", "poppler-utils"}})
        if (!OnPath(program))
            GTEST_SKIP() << program << " is missing: install the Debian package " << package;
    testfs::TempDir dir;
    const std::string src = dir / "src", dst = dir / "dst";
    std::vector<std::string> docs;
    for (const char* name : {"letter", "memo", "long"}) {
        fs::create_directories(src + "/examples");
        fs::copy_file(SOURCE_DIR "/examples/" + std::string(name) + ".pfs",
                      src + "/examples/" + name + ".pfs");
        docs.push_back("examples/" + std::string(name) + ".pfs");
    }
    const std::pair<size_t, uint32_t> generated[] = {{3000, 1}, {12000, 2}, {40000, 3}};
    for (const auto& [bytes, seed] : generated) {
        const std::string rel = (seed == 3 ? "b/" : "a/") + std::string("same.pfs");
        const std::string rel2 = seed == 2 ? "a/other.pfs" : rel;
        fs::create_directories(fs::path(src + "/" + rel2).parent_path());
        testfs::WriteFile(src + "/" + rel2, GenerateDocument(bytes, seed));
        docs.push_back(rel2);
    }

    int status = 0;
    const std::string run = Output(Quote(PFS2VNK_BATCH_EXE) + " -q -j 2 --render pdfa --report " +
                                       Quote(dir / "r.jsonl") + " --manifest " + Quote(dir / "m") +
                                       " " + Quote(src) + " " + Quote(dst) + " 2>&1",
                                   &status);
    ASSERT_EQ(status, 0) << run << testfs::ReadFile(dir / "r.jsonl");
    for (const std::string& rel : docs) {
        const std::string pdf = dst + "/" + rel + ".pdf", vnk = dst + "/" + rel + ".vnk";
        const std::string info = Output("pdfinfo " + Quote(pdf) + " 2>&1", &status);
        ASSERT_EQ(status, 0) << rel << ": " << info;
        const std::string meta = Output("pdfinfo -meta " + Quote(pdf) + " 2>&1");
        EXPECT_NE(meta.find("<pdfaid:part>2</pdfaid:part>"), std::string::npos) << rel << meta;
        EXPECT_NE(meta.find("<pdfaid:conformance>B</pdfaid:conformance>"), std::string::npos)
            << rel;

        const StreamFacts stream = ReadListing(Output(Quote(VNKDUMP_EXE) + " " + Quote(vnk)));
        double w = 0, h = 0;
        const size_t at = info.find("Page size:");
        ASSERT_NE(at, std::string::npos) << info;
        std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
        EXPECT_NEAR(w, stream.pageWidth / 20.0, 1) << rel;
        EXPECT_NEAR(h, stream.pageLength / 20.0, 1) << rel;

        const auto want = Words(BodyText(Output(Quote(VNKDUMP_EXE) + " --text " + Quote(vnk))));
        std::string missing;
        ASSERT_FALSE(want.empty());
        // In the order of the page's content (see office_test.cpp).
        EXPECT_TRUE(InOrder(want, Words(Output("pdftotext -raw " + Quote(pdf) + " -")), &missing))
            << rel << ": the PDF lacks \"" << missing << "\" in order";
    }
    const std::string check =
        Output("cd " + Quote(dst) + " && sha256sum -c " + Quote(dir / "m") + " 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(std::count(check.begin(), check.end(), '\n'), static_cast<long>(docs.size() * 3))
        << "target, ODT and PDF of every document:\n"
        << check;
}

} // namespace
