// pfs2vnk-batch over trees of documents: what it writes, what it reports,
// what it leaves alone.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "batch/batch_support.h"
#include "batch/traced_batch.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

// The report without what differs from run to run (times) or by target folder.
std::vector<Json> Comparable(std::vector<Json> lines) {
    for (auto& j : lines) {
        j.erase("ms");
        j.erase("target");
    }
    return lines;
}

timespec MTime(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mtim;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

TEST(BatchConvert, MixedTreeGivesPfs2vnkTargetsAndTheSameReportWithOneOrThreeWorkers) {
    Tree tree;
    tree.AddMixed();
    const Files before = ListTree(tree.src());
    auto one = Batch(tree, {"-j", "1", "--report", "r1.jsonl", "src", "dst1"});
    auto three = Batch(tree, {"-j", "3", "--report", "r3.jsonl", "src", "dst3"});
    EXPECT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(three.code, 0) << three.err;
    EXPECT_EQ(ListTree(tree.src()), before) << "nothing is written beside the sources";

    Files expected;
    for (const auto& [rel, bytes] : tree.sources())
        if (rel.find(".pfs") != std::string::npos && rel != "empty.pfs")
            expected[rel + ".vnk"] = PfsTranslation(bytes);
    EXPECT_EQ(ListTree(tree / "dst1"), expected);
    EXPECT_EQ(ListTree(tree / "dst3"), expected);

    auto report = ReadReport(testfs::ReadFile(tree / "r1.jsonl"));
    EXPECT_EQ(Comparable(report), Comparable(ReadReport(testfs::ReadFile(tree / "r3.jsonl"))));
    auto by = BySource(report, "src");
    ASSERT_EQ(by.size(), tree.sources().size() + 2);
    for (const char* rel : {"notes.txt", "empty.pfs"}) {
        EXPECT_EQ(by[rel]["status"], "not-pfs") << rel;
        EXPECT_TRUE(by[rel]["complete"].is_null()) << rel << ": not a document, so not a cut one";
    }
    for (const char* rel : {"outside.pfs", "pipe.pfs"})
        EXPECT_EQ(by[rel]["status"], "not-regular") << rel;
    EXPECT_EQ(by["cut.pfs"]["status"], "ok");
    EXPECT_EQ(by["cut.pfs"]["complete"], false) << "a cut document has no end-of-text byte";
    const Json& big = by["letters/l200000.pfs"];
    EXPECT_EQ(big["status"], "ok");
    EXPECT_EQ(big["complete"], true);
    EXPECT_EQ(big["error"], 0);
    EXPECT_EQ(big["bytes_in"], tree.sources().at("letters/l200000.pfs").size());
    EXPECT_EQ(big["bytes_out"], expected["letters/l200000.pfs.vnk"].size());
    EXPECT_EQ(big["target"], "dst1/letters/l200000.pfs.vnk");
    EXPECT_NE(one.err.find("  ok           8\n"), std::string::npos) << one.err;
}

TEST(BatchConvert, SecondRunSkipsUpToDateTargetsUntilASourceChangesOrForce) {
    Tree tree;
    tree.Add("a.pfs", Document(3000, 1));
    tree.Add("b/c.pfs", Document(5000, 2));
    ASSERT_EQ(Batch(tree, {"-j", "2", "src", "dst"}).code, 0);
    EXPECT_TRUE(SameTime(MTime(tree / "dst/a.pfs.vnk"), MTime(tree / "src/a.pfs")));
    const Files first = ListTree(tree.dst());

    auto again = Batch(tree, {"--report", "r.jsonl", "src", "dst"});
    EXPECT_EQ(again.code, 0);
    for (const auto& [rel, j] : BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src"))
        EXPECT_EQ(j["status"], "up-to-date") << rel;
    EXPECT_EQ(ListTree(tree.dst()), first);

    const timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    utimensat(AT_FDCWD, (tree / "src/b/c.pfs").c_str(), old, 0);
    Batch(tree, {"--report", "r.jsonl", "src", "dst"});
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["a.pfs"]["status"], "up-to-date");
    EXPECT_EQ(by["b/c.pfs"]["status"], "ok");
    EXPECT_EQ(MTime(tree / "dst/b/c.pfs.vnk").tv_sec, 1000000000);

    // A source changed within the same second as its target's time: only
    // the nanoseconds differ, and they count.
    const timespec sameSecond[2] = {{0, UTIME_OMIT}, {1000000000, 500}};
    utimensat(AT_FDCWD, (tree / "src/b/c.pfs").c_str(), sameSecond, 0);
    Batch(tree, {"--report", "r.jsonl", "src", "dst"});
    by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["b/c.pfs"]["status"], "ok");
    EXPECT_TRUE(SameTime(MTime(tree / "dst/b/c.pfs.vnk"), sameSecond[1]));

    Batch(tree, {"--force", "--report", "r.jsonl", "src", "dst"});
    for (const auto& [rel, j] : BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src"))
        EXPECT_EQ(j["status"], "ok") << rel;
    EXPECT_EQ(ListTree(tree.dst()), first);
}

TEST(BatchConvert, FoldersNamedThroughLinksAreUsedLinksInsideAreNot) {
    Tree tree;
    tree.Add("a.pfs", Document(2000, 1));
    fs::create_directories(tree / "elsewhere/target");
    fs::create_directory_symlink(tree.src(), tree / "src-link");
    fs::create_directory_symlink(tree / "elsewhere/target", tree / "dst-link");
    fs::create_directory_symlink(tree / "elsewhere", tree / "src/inner-link");
    auto run = Batch(tree, {"--report", "-", "src-link", "dst-link"});
    EXPECT_EQ(run.code, 0) << run.err;
    auto by = BySource(ReadReport(run.out), "src-link");
    EXPECT_EQ(by["a.pfs"]["status"], "ok");
    EXPECT_EQ(by["inner-link"]["status"], "not-regular");
    EXPECT_EQ(ListTree(tree / "elsewhere/target"),
              (Files{{"a.pfs.vnk", PfsTranslation(tree.sources().at("a.pfs"))}}));
}

TEST(BatchConvert, LinksPlantedInTheTargetTreeAreNotFollowed) {
    Tree tree;
    tree.Add("sub/a.pfs", Document(3000, 1));
    tree.Add("b.pfs", Document(3000, 2));
    fs::create_directories(tree / "elsewhere");
    testfs::WriteFile(tree / "elsewhere/victim", std::string("keep"));
    fs::create_directories(tree.dst());
    fs::create_directory_symlink(tree / "elsewhere", tree / "dst/sub");
    fs::create_symlink(tree / "elsewhere/victim", tree / "dst/b.pfs.vnk");

    auto run = Batch(tree, {"--report", "r.jsonl", "src", "dst"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(ListTree(tree / "elsewhere"), (Files{{"victim", "keep"}}));
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["sub/a.pfs"]["status"], "failed");
    EXPECT_EQ(by["sub/a.pfs"]["error"], 3);
    EXPECT_EQ(by["b.pfs"]["status"], "ok");
    EXPECT_EQ(ListTree(tree.dst())["b.pfs.vnk"], PfsTranslation(tree.sources().at("b.pfs")))
        << "the link is replaced by the target, its destination left alone";
}

// Sources replaced after the walk listed them as documents, while the
// worker is held before its first one: a link is not followed, a FIFO is
// not waited on; both are reported as not regular and get no target.
TEST(BatchConvert, ASourceReplacedByALinkOrAFifoAfterTheWalkIsNotRegular) {
    Tree tree;
    for (const char* name : {"a.pfs", "b.pfs", "c.pfs"})
        tree.Add(name, Document(3000, name[0]));
    testfs::WriteFile(tree / "outside.pfs", Document(3000, 4));
    TracedBatch batch(tree,
                      {"-j", "1", "-q", "--timeout", "5", "--report", "r.jsonl", "src", "dst"});
    ASSERT_GT(batch.FirstWorker(), 0);
    fs::remove(tree / "src/a.pfs");
    fs::create_symlink(tree / "outside.pfs", tree / "src/a.pfs");
    fs::remove(tree / "src/b.pfs");
    ASSERT_EQ(mkfifo((tree / "src/b.pfs").c_str(), 0600), 0);
    batch.ReleaseWorker(false);
    EXPECT_EQ(WEXITSTATUS(batch.program().Finish()), 0);
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["a.pfs"]["status"], "not-regular");
    EXPECT_EQ(by["b.pfs"]["status"], "not-regular");
    EXPECT_EQ(by["c.pfs"]["status"], "ok");
    EXPECT_EQ(ListTree(tree.dst()),
              (Files{{"c.pfs.vnk", PfsTranslation(tree.sources().at("c.pfs"))}}));
}

TEST(BatchConvert, NamesThatAreNotUtf8RoundTripThroughTheReportInHex) {
    Tree tree;
    const std::string latin1 = "caf\xe9.pfs", utf8 = "caf\xc3\xa9.pfs";
    tree.Add(latin1, Document(2000, 1));
    tree.Add(utf8, Document(2000, 2));
    ASSERT_EQ(Batch(tree, {"--report", "r.jsonl", "src", "dst"}).code, 0);
    auto lines = ReadReport(testfs::ReadFile(tree / "r.jsonl"));
    auto by = BySource(lines, "src");
    ASSERT_EQ(by.size(), 2u);
    EXPECT_FALSE(by[latin1].contains("source"));
    EXPECT_EQ(by[latin1]["target_hex"], "6473742f636166e92e7066732e766e6b"); // dst/caf\xe9.pfs.vnk
    EXPECT_EQ(by[utf8]["source"], "src/" + utf8);
    EXPECT_TRUE(testfs::Exists(tree / ("dst/" + latin1 + ".vnk")));
}

TEST(BatchConvert, AnUnusableTargetFolderIsReportedAndTheOthersGoOn) {
    Tree tree;
    tree.Add("blocked/a.pfs", Document(2000, 1));
    tree.Add("good.pfs", Document(2000, 2));
    fs::create_directories(tree.dst());
    testfs::WriteFile(tree / "dst/blocked", std::string("a file where the folder goes"));
    auto run = Batch(tree, {"--report", "-", "src", "dst"});
    EXPECT_EQ(run.code, 1);
    auto by = BySource(ReadReport(run.out), "src");
    EXPECT_EQ(by["blocked/a.pfs"]["status"], "failed");
    EXPECT_NE(by["blocked/a.pfs"]["message"].get<std::string>().find("target folder"),
              std::string::npos);
    EXPECT_EQ(by["good.pfs"]["status"], "ok");
    EXPECT_NE(run.err.find("most common errors:"), std::string::npos) << run.err;

    if (geteuid() == 0)
        return; // permission bits do not stop root
    fs::remove(tree / "dst/blocked");
    fs::create_directory(tree / "dst/blocked");
    fs::permissions(tree / "dst/blocked", fs::perms::owner_read | fs::perms::owner_exec);
    run = Batch(tree, {"--report", "-", "src", "dst"});
    fs::permissions(tree / "dst/blocked", fs::perms::owner_all);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(BySource(ReadReport(run.out), "src")["blocked/a.pfs"]["status"], "failed");
}

// A small file system mounted for one test, unmounted when the test ends.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(const std::string& at) : at_(at) {
        fs::create_directories(at);
        mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_)
            umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

  private:
    std::string at_;
    bool mounted_ = false;
};

TEST(BatchConvert, AFullTargetFileSystemStopsTheBatchWithAMessage) {
    Tree tree;
    for (int i = 0; i < 40; ++i)
        tree.Add("d" + std::to_string(100 + i) + ".pfs", Document(20000, i));
    SmallFileSystem small(tree.dst());
    if (!small.mounted())
        GTEST_SKIP() << "no file system can be mounted here";
    auto run = Batch(tree, {"-j", "2", "--report", "r.jsonl", "src", "dst"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("the target file system is full (dst); stopped"), std::string::npos)
        << run.err;
    auto lines = ReadReport(testfs::ReadFile(tree / "r.jsonl"));
    EXPECT_LT(lines.size(), 40u) << "the batch stops instead of failing every document";
    size_t full = 0;
    for (const auto& j : lines)
        if (j["status"] == "failed") {
            ++full;
            EXPECT_NE(j["message"].get<std::string>().find("No space left"), std::string::npos);
        }
    EXPECT_GE(full, 1u);
    EXPECT_FALSE(testfs::Exists(tree / "dst/.pfs2vnk-batch-work"));
}

} // namespace
