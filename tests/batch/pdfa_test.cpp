// pfs2vnk-batch --render pdfa with the stand-in soffice
// (tests/batch/fake_soffice.sh) on PATH: LibreOffice missing, crashing
// and hanging, and the batch stopped while LibreOffice works.  Real
// LibreOffice is in tests/office/.

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "batch/batch_support.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

// A tree of documents and the stand-in soffice in bin/.
struct PdfTree : Tree {
    PdfTree() {
        fs::create_directories(*this / "bin");
        fs::copy_file(SOURCE_DIR "/tests/batch/fake_soffice.sh", *this / "bin/soffice");
        for (int i = 0; i < 8; ++i)
            Add((i < 4 ? "1987/" : "1988/") + std::string("letter") + std::to_string(i % 4) +
                    ".pfs",
                Document(2000 + 500 * i, 40 + i));
        Add("notes.txt", "not a document\n");
    }
    std::vector<std::string> Env(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> env = {"PATH=" + (*this / "bin") + ":/usr/bin:/bin"};
        env.insert(env.end(), more.begin(), more.end());
        return env;
    }
    std::vector<std::string> Leftovers() const { return ProcessesNaming(*this / "bin"); }
};

std::vector<std::string> PdfaArgs(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"-q", "--render", "pdfa", "--report", "r.jsonl"};
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"src", "dst"});
    return args;
}

std::map<std::string, Json> Report(const Tree& tree) {
    return BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
}

bool Rendered(const Json& line, const char* kind) {
    for (const auto& k : line["rendered"])
        if (k == kind)
            return true;
    return false;
}

TEST(BatchPdfa, WithoutLibreOfficeTheBatchRefusesAtTheStartNamingThePackage) {
    PdfTree tree;
    auto run = testprog::Run(tree / "", PdfaArgs(), "", {"PATH=/nonexistent"}, PFS2VNK_BATCH_EXE);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("libreoffice-writer-nogui"), std::string::npos) << run.err;
    EXPECT_FALSE(testfs::Exists(tree.dst())) << "nothing converted, not even a folder made";

    run = testprog::Run(tree / "", PdfaArgs({"--soffice", tree / "src"}), "", tree.Env(),
                        PFS2VNK_BATCH_EXE);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("is not a program"), std::string::npos) << run.err;
    EXPECT_EQ(testprog::Run(tree / "", {"--soffice", tree / "bin/soffice", "src", "dst"}, "",
                            tree.Env(), PFS2VNK_BATCH_EXE)
                  .code,
              2)
        << "--soffice without pdfa";
}

TEST(BatchPdfa, ACrashAndAHangOfLibreOfficeCostExactlyTheirTwoDocuments) {
    PdfTree tree;
    auto run =
        testprog::Run(tree / "", PdfaArgs({"-j", "2", "--timeout", "1", "--manifest", "m"}), "",
                      tree.Env({"FAKE_SOFFICE_CRASH=" + (tree / "crash.odt"),
                                "FAKE_SOFFICE_HANG=" + (tree / "hang.odt")}),
                      PFS2VNK_BATCH_EXE);
    ASSERT_EQ(run.code, 0) << run.err << "(the stand-in's trouble files are not there yet)";
    // Two ODTs picked for trouble; their PDFs removed, so that a rerun makes them.
    fs::copy_file(tree / "dst/1987/letter1.pfs.odt", tree / "crash.odt");
    fs::copy_file(tree / "dst/1988/letter2.pfs.odt", tree / "hang.odt");
    fs::remove(tree / "dst/1987/letter1.pfs.pdf");
    fs::remove(tree / "dst/1988/letter2.pfs.pdf");
    fs::remove(tree / "dst/1987/letter3.pfs.pdf");
    run = testprog::Run(tree / "", PdfaArgs({"-j", "2", "--timeout", "1", "--manifest", "m"}), "",
                        tree.Env({"FAKE_SOFFICE_CRASH=" + (tree / "crash.odt"),
                                  "FAKE_SOFFICE_HANG=" + (tree / "hang.odt")}),
                        PFS2VNK_BATCH_EXE);
    EXPECT_EQ(run.code, 1) << run.err;
    auto by = Report(tree);
    EXPECT_NE(by["1987/letter1.pfs"]["render_error"].get<std::string>().find("signal 11"),
              std::string::npos);
    EXPECT_NE(by["1988/letter2.pfs"]["render_error"].get<std::string>().find("time limit"),
              std::string::npos);
    EXPECT_TRUE(Rendered(by["1987/letter3.pfs"], "pdfa")) << "its PDF made again";
    for (const auto& [rel, line] : by) {
        if (rel == "notes.txt")
            continue;
        const bool bad = rel == "1987/letter1.pfs" || rel == "1988/letter2.pfs";
        EXPECT_EQ(line["render_error"].is_null(), !bad) << rel;
        EXPECT_EQ(testfs::Exists(tree / ("dst/" + rel + ".pdf")), !bad) << rel;
        EXPECT_EQ(line["sha256"].contains("pdf"), !bad) << rel;
        EXPECT_EQ(line["status"], "up-to-date") << rel;
    }
    EXPECT_EQ(tree.Leftovers(), std::vector<std::string>{}) << "no LibreOffice left running";
    EXPECT_FALSE(testfs::Exists(tree / "dst/.pfs2vnk-batch-work"));
    auto check =
        testprog::Run(tree.dst(), {"-c", "--quiet", tree / "m"}, "", {}, "/usr/bin/sha256sum");
    EXPECT_EQ(check.code, 0) << check.out << check.err;
}

TEST(BatchPdfa, ARerunStartsLibreOfficeOnlyForPdfsMissingOrWhoseOdtWasMadeAgain) {
    PdfTree tree;
    auto run = testprog::Run(tree / "", PdfaArgs({"-j", "1"}), "", tree.Env(), PFS2VNK_BATCH_EXE);
    ASSERT_EQ(run.code, 0) << run.err;
    for (const auto& [rel, line] : Report(tree)) {
        if (rel != "notes.txt") {
            EXPECT_EQ(line["rendered"], Json::array({"odt", "pdfa"})) << rel;
        }
    }
    const std::string calls = testfs::ReadFile(tree / "bin/calls");
    EXPECT_EQ(calls, "8\n") << "one LibreOffice, one start for the eight documents";

    run = testprog::Run(tree / "", PdfaArgs({"-j", "1"}), "", tree.Env(), PFS2VNK_BATCH_EXE);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(testfs::ReadFile(tree / "bin/calls"), calls) << "nothing to convert, no start";

    fs::remove(tree / "dst/1987/letter2.pfs.odt");
    fs::remove(tree / "dst/1988/letter3.pfs.pdf");
    run = testprog::Run(tree / "", PdfaArgs({"-j", "1"}), "", tree.Env(), PFS2VNK_BATCH_EXE);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(testfs::ReadFile(tree / "bin/calls"), calls + "2\n") << "one start for both";
    auto by = Report(tree);
    EXPECT_EQ(by["1987/letter2.pfs"]["rendered"], Json::array({"odt", "pdfa"}));
    EXPECT_EQ(by["1988/letter3.pfs"]["rendered"], Json::array({"pdfa"}));
    EXPECT_EQ(by["1988/letter0.pfs"]["rendered"], Json::array());
}

TEST(BatchPdfa, SigtermWhileLibreOfficeWorksLeavesNoProcessNoPartialFileAndARerunFinishes) {
    PdfTree tree;
    // The first run makes the ODTs, from which the stand-in's hang is picked.
    ASSERT_EQ(testprog::Run(tree / "", {"-q", "--render", "odt", "src", "first"}, "", tree.Env(),
                            PFS2VNK_BATCH_EXE)
                  .code,
              0);
    fs::copy_file(tree / "first/1988/letter0.pfs.odt", tree / "hang.odt");
    testprog::Program batch(tree / "", PdfaArgs({"-j", "1"}),
                            tree.Env({"FAKE_SOFFICE_HANG=" + (tree / "hang.odt")}),
                            PFS2VNK_BATCH_EXE);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto hanging = [&] {
        for (const auto& p : tree.Leftovers())
            if (p.find("/hanging") != std::string::npos)
                return true;
        return false;
    };
    while (!hanging() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(hanging()) << "the stand-in never reached the hanging document";
    batch.Signal(SIGTERM);
    const int status = batch.Finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
    EXPECT_EQ(tree.Leftovers(), std::vector<std::string>{});
    EXPECT_FALSE(testfs::Exists(tree / "dst/.pfs2vnk-batch-work")) << "no profile, no partial PDF";
    for (const auto& [rel, bytes] : ListTree(tree.dst())) {
        if (rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".pdf") == 0) {
            EXPECT_EQ(bytes.substr(bytes.size() - 6), "%%EOF\n") << rel << " is whole";
        }
    }
    auto by = Report(tree);
    EXPECT_EQ(by.size(), 9u) << "every target in place is reported";
    EXPECT_EQ(by["1988/letter0.pfs"]["render_error"], "pdf: not made, the batch was stopped");

    auto rerun = testprog::Run(tree / "", PdfaArgs(), "", tree.Env(), PFS2VNK_BATCH_EXE);
    EXPECT_EQ(rerun.code, 0) << rerun.err;
    for (const auto& [rel, bytes] : tree.sources()) {
        if (rel != "notes.txt") {
            EXPECT_TRUE(testfs::Exists(tree / ("dst/" + rel + ".pdf"))) << rel;
        }
    }
    EXPECT_EQ(tree.Leftovers(), std::vector<std::string>{});
}

} // namespace
