// pfs2vnk-batch's checksums: source_sha256 and sha256 in the report, and
// the manifest checked by the real sha256sum -c in the target folder.

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "batch/batch_support.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

// sha256sum run in dir; its exit status and what it printed.
testprog::Outcome Sha256sum(const std::string& dir, const std::vector<std::string>& args,
                            const std::string& input = "") {
    return testprog::Run(dir, args, input, {}, "/usr/bin/sha256sum");
}

// The checksum sha256sum gives the bytes of the file path (read on its
// standard input, so that no name is escaped).
std::string SumOf(const std::string& path) {
    auto run = Sha256sum("/", {}, testfs::ReadFile(path));
    EXPECT_EQ(run.code, 0) << run.err;
    return run.out.substr(0, 64);
}

// The lines of text that hold word.
std::vector<std::string> LinesWith(const std::string& text, const std::string& word) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(word) != std::string::npos)
            found.push_back(line);
    return found;
}

// A mixed tree, and documents whose names sha256sum must escape.
void AddFixityTree(Tree& tree) {
    tree.AddMixed();
    tree.Add("odd/back\\slash.pfs", Document(2500, 31));
    tree.Add("odd/line\nfeed.pfs", Document(2500, 32));
    tree.Add("odd/carriage\rreturn.pfs", Document(2500, 33));
}

TEST(BatchFixity, ReportHoldsTheChecksumOfEverySourceAndEveryFileInPlace) {
    Tree tree;
    AddFixityTree(tree);
    auto run = Batch(tree, {"-j", "2", "--render", "text,html", "--report", "r.jsonl", "--manifest",
                            "m.sha256", "src", "dst"});
    ASSERT_EQ(run.code, 0) << run.err;
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    size_t files = 0;
    for (const auto& [rel, j] : by) {
        const bool regular = tree.sources().count(rel) != 0;
        if (regular) {
            EXPECT_EQ(j["source_sha256"], SumOf(tree / ("src/" + rel))) << rel;
        } else {
            EXPECT_TRUE(j["source_sha256"].is_null()) << rel << " is not a regular file";
        }
        Json expected = Json::object();
        if (j["status"] == "ok")
            for (const char* ext : {"vnk", "txt", "html"}) {
                const std::string name = ext == std::string("vnk") ? rel + ".vnk" : rel + "." + ext;
                expected[ext] = SumOf(tree / ("dst/" + name));
                ++files;
            }
        EXPECT_EQ(j["sha256"], expected) << rel;
    }
    EXPECT_TRUE(by["empty.pfs"]["source_sha256"] ==
                "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")
        << "the checksum of no bytes";
    EXPECT_EQ(by["notes.txt"]["status"], "not-pfs");
    EXPECT_EQ(files, 11u * 3);
}

TEST(BatchFixity, ManifestVerifiesWithSha256sumAndNamesExactlyTheFileThatChanged) {
    Tree tree;
    AddFixityTree(tree);
    const std::vector<std::string> args = {"--render", "html", "--manifest",
                                           "m.sha256", "src",  "dst"};
    ASSERT_EQ(Batch(tree, args).code, 0);
    const std::string manifest = testfs::ReadFile(tree / "m.sha256");
    auto check = Sha256sum(tree.dst(), {"-c", "--strict", tree / "m.sha256"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;
    EXPECT_EQ(LinesWith(check.out, ": OK").size(), 11u * 2) << check.out;
    EXPECT_EQ(LinesWith(manifest, "\\").size(), 3u * 2)
        << "names with a backslash, line feed or carriage return are escaped:\n"
        << manifest;

    // A rerun converts nothing and lists the same files.
    auto rerun = Batch(tree, args);
    EXPECT_EQ(rerun.code, 0);
    EXPECT_NE(rerun.err.find("  up-to-date   11\n"), std::string::npos) << rerun.err;
    EXPECT_EQ(testfs::ReadFile(tree / "m.sha256"), manifest);

    // One byte of one target changed: sha256sum names that file and no other.
    const std::string victim = tree / "dst/letters/l4096.pfs.vnk";
    std::string bytes = testfs::ReadFile(victim);
    bytes[bytes.size() / 2] ^= 1;
    {
        std::ofstream(victim, std::ios::binary | std::ios::in | std::ios::out)
            .write(bytes.data(), bytes.size());
    }
    check = Sha256sum(tree.dst(), {"-c", "--quiet", tree / "m.sha256"});
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(check.out, "letters/l4096.pfs.vnk: FAILED\n");
}

TEST(BatchFixity, ManifestIsReplacedWholeAndAnUnusableOneStopsTheBatchAtTheStart) {
    Tree tree;
    tree.Add("a.pfs", Document(3000, 1));
    testfs::WriteFile(tree / "m.sha256", std::string("old list\n"));
    ASSERT_EQ(Batch(tree, {"--manifest", "m.sha256", "src", "dst"}).code, 0);
    EXPECT_EQ(testfs::ReadFile(tree / "m.sha256"), SumOf(tree / "dst/a.pfs.vnk") + "  a.pfs.vnk\n");
    for (const auto& entry : fs::directory_iterator(tree / ""))
        EXPECT_EQ(entry.path().filename().string().find(".m.sha256"), std::string::npos)
            << "nothing is left beside the manifest";

    auto run = Batch(tree, {"--manifest", "no/such/folder/m", "src", "other"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("cannot write the manifest no/such/folder/m"), std::string::npos)
        << run.err;
    EXPECT_FALSE(testfs::Exists(tree / "other/a.pfs.vnk"));
    EXPECT_EQ(Batch(tree, {"--manifest", "-", "src", "other"}).code, 2);
}

TEST(BatchFixity, ASourceThatChangesWhileItIsConvertedIsReportedAsChangedAndLeftForTheRerun) {
    Tree tree;
    tree.Add("a.pfs", Document(3000, 1));
    tree.Add("m_large.pfs", Document(16 << 20, 1));
    testprog::Program batch(tree / "", {"-j", "1", "-q", "--report", "r.jsonl", "src", "dst"}, {},
                            PFS2VNK_BATCH_EXE);
    const pid_t worker = WorkerOn(batch.pid(), tree / "src/m_large.pfs");
    ASSERT_GT(worker, 0);
    std::ofstream(tree / "src/m_large.pfs", std::ios::app) << "x"; // a byte more, mid-translation
    kill(worker, SIGCONT);
    const int status = batch.Finish();
    EXPECT_EQ(WEXITSTATUS(status), 1);
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["m_large.pfs"]["status"], "changed");
    EXPECT_EQ(by["a.pfs"]["status"], "ok");
    EXPECT_FALSE(testfs::Exists(tree / "dst/m_large.pfs.vnk"));

    auto rerun = Batch(tree, {"--report", "-", "src", "dst"});
    EXPECT_EQ(rerun.code, 0) << rerun.err;
    EXPECT_EQ(BySource(ReadReport(rerun.out), "src")["m_large.pfs"]["status"], "ok");
}

} // namespace
