// pfs2vnk-batch's command line: usage errors, the shares of the work for
// many machines, the progress line, and the working folders of a batch
// that was killed.

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "batch/batch_support.h"
#include "shard.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

TEST(BatchShard, HashIsFnv1aOf64BitsAndShardsCountFromOne) {
    EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(Fnv1a64("foobar"), 0x85944171f73967e8ull);
    EXPECT_EQ(ShardOf("foobar", 7), 1 + 0x85944171f73967e8ull % 7);
    EXPECT_EQ(ShardOf("anything", 1), 1u);
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.insert(l);
    return lines;
}

Tree& TwelveDocuments(Tree& tree) {
    for (int i = 0; i < 12; ++i)
        tree.Add("f" + std::to_string(i % 3) + "/d" + std::to_string(i) + ".pfs",
                 Document(1500, i));
    tree.Add("notes.txt", "not a document\n");
    return tree;
}

TEST(BatchShard, ListsOfTheSharesAreDisjointAndMakeUpTheWholeList) {
    Tree tree;
    TwelveDocuments(tree);
    auto all = Batch(tree, {"--list", "src", "dst"});
    auto one = Batch(tree, {"--list", "--shard", "1/2", "src", "dst"});
    auto two = Batch(tree, {"--list", "--shard", "2/2", "src", "dst"});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(Lines(all.out).size(), 13u);
    EXPECT_TRUE(Lines(all.out).count("src/f1/d4.pfs"));
    std::set<std::string> joined = Lines(one.out), second = Lines(two.out);
    joined.insert(second.begin(), second.end());
    EXPECT_EQ(joined, Lines(all.out));
    EXPECT_EQ(Lines(one.out).size() + Lines(two.out).size(), 13u);
    EXPECT_FALSE(testfs::Exists(tree.dst())) << "--list converts nothing";
}

TEST(BatchShard, TwoShardsRunByGnuParallelConvertEveryDocumentExactlyOnce) {
    Tree tree;
    if (testprog::Run(tree / "", {"--version"}, "", {"PATH=/usr/bin:/bin"}, "/usr/bin/parallel")
            .out.find("GNU parallel") == std::string::npos)
        GTEST_SKIP() << "GNU parallel is not installed";
    TwelveDocuments(tree);
    auto run = testprog::Run(tree / "",
                             {"--will-cite", "-j", "2", PFS2VNK_BATCH_EXE, "-q", "--shard", "{}/2",
                              "--report", "r{}.jsonl", "src", "dst", ":::", "1", "2"},
                             "", {"PATH=/usr/bin:/bin", "HOME=" + tree / ""}, "/usr/bin/parallel");
    ASSERT_EQ(run.code, 0) << run.err;
    auto one = BySource(ReadReport(testfs::ReadFile(tree / "r1.jsonl")), "src");
    auto two = BySource(ReadReport(testfs::ReadFile(tree / "r2.jsonl")), "src");
    EXPECT_FALSE(one.empty());
    EXPECT_FALSE(two.empty());
    for (const auto& [rel, j] : one)
        EXPECT_EQ(two.count(rel), 0u) << rel << " is in both shares";
    EXPECT_EQ(one.size() + two.size(), tree.sources().size());
    Files expected;
    for (const auto& [rel, bytes] : tree.sources())
        if (rel != "notes.txt")
            expected[rel + ".vnk"] = PfsTranslation(bytes);
    EXPECT_EQ(ListTree(tree.dst()), expected);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};

class BatchUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BatchUsage, ExitsWithStatus2AndSaysWhy) {
    Tree tree;
    tree.Add("a.pfs", Document(1000, 1));
    fs::create_directories(tree / "src/inner");
    auto run = Batch(tree, GetParam().args);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(GetParam().says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchUsage,
    ::testing::Values(
        UsageCase{"NoFolders", {}, "usage: pfs2vnk-batch"},
        UsageCase{"OneFolder", {"src"}, "usage: pfs2vnk-batch"},
        UsageCase{"ThreeFolders", {"src", "dst", "more"}, "usage: pfs2vnk-batch"},
        UsageCase{"JobsZero", {"-j", "0", "src", "dst"}, "-j wants"},
        UsageCase{"JobsNotANumber", {"-j", "two", "src", "dst"}, "-j wants"},
        UsageCase{"JobsMissing", {"src", "dst", "-j"}, "needs a value"},
        UsageCase{"ShardAboveCount", {"--shard", "3/2", "src", "dst"}, "--shard wants"},
        UsageCase{"ShardZero", {"--shard", "0/2", "src", "dst"}, "--shard wants"},
        UsageCase{"ShardWithoutCount", {"--shard", "1", "src", "dst"}, "--shard wants"},
        UsageCase{"NegativeTimeout", {"--timeout", "-1", "src", "dst"}, "--timeout wants"},
        UsageCase{"UnknownOption", {"--fast", "src", "dst"}, "unknown option"},
        UsageCase{"SourceNotAFolder", {"src/a.pfs", "dst"}, "not a folder"},
        UsageCase{"TargetInsideSource", {"src", "src/inner/out"}, "contain each other"},
        UsageCase{"SourceInsideTarget", {"src/inner", "src"}, "contain each other"},
        UsageCase{"SameFolder", {"src", "./src/"}, "contain each other"}),
    [](const auto& info) { return std::string(info.param.name); });

// A run with standard error on a terminal; everything the terminal showed.
std::string OnTerminal(const Tree& tree, const std::vector<std::string>& args) {
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (chdir((tree / "").c_str()) != 0)
            _exit(127);
        std::vector<char*> av{const_cast<char*>("pfs2vnk-batch")};
        for (const auto& a : args)
            av.push_back(const_cast<char*>(a.c_str()));
        av.push_back(nullptr);
        execv(PFS2VNK_BATCH_EXE, av.data());
        _exit(127);
    }
    std::string shown;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
        shown.append(buf, static_cast<size_t>(n));
    close(master);
    waitpid(pid, nullptr, 0);
    return shown;
}

TEST(BatchProgress, ShowsOneLineInPlaceOnATerminalOnlyAndNotWithQ) {
    Tree tree;
    TwelveDocuments(tree);
    const std::string shown = OnTerminal(tree, {"src", "dst"});
    EXPECT_TRUE(std::regex_search(shown, std::regex("\r[0-9]+/13 documents, 0 failed, [0-9]+ "
                                                    "documents/s, [0-9.]+ MB/s, [0-9:]+ left")))
        << shown;
    EXPECT_NE(shown.find(" left\033[K"), std::string::npos) << shown;
    EXPECT_NE(shown.find("pfs2vnk-batch: 13 documents in "), std::string::npos) << shown;
    EXPECT_EQ(OnTerminal(tree, {"-q", "--force", "src", "dst"}).find(" left"), std::string::npos);
    auto piped = Batch(tree, {"--force", "src", "dst"});
    EXPECT_EQ(piped.err.find('\r'), std::string::npos);
    EXPECT_EQ(piped.err.find(" left"), std::string::npos);
}

// -q is silent when every document converts, and still says what went wrong
// when one did not.
TEST(BatchProgress, QuietPrintsNothingOnSuccessAndTheSummaryOnAFailure) {
    Tree tree;
    TwelveDocuments(tree);
    auto ok = Batch(tree, {"-q", "src", "dst"});
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out + ok.err, "");

    tree.Add("blocked/a.pfs", Document(2000, 1));
    testfs::WriteFile(tree / "dst/blocked", std::string("a file where the folder goes"));
    auto failed = Batch(tree, {"-q", "src", "dst"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("pfs2vnk-batch: 14 documents in "), std::string::npos) << failed.err;
}

TEST(BatchWorkFolders, ThoseOfAKilledBatchOnThisMachineAreRemovedOthersKept) {
    Tree tree;
    tree.Add("a.pfs", Document(1000, 1));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string root = tree / "dst/.pfs2vnk-batch-work/";
    const std::string dead = std::string(host) + "." + std::to_string(gone);
    const std::string alive = std::string(host) + "." + std::to_string(getpid());
    for (const auto& name : {dead, alive, std::string("elsewhere.example.1")}) {
        fs::create_directories(root + name + "/w1");
        testfs::WriteFile(root + name + "/w1/doc.vnk", std::string("half"));
    }
    ASSERT_EQ(Batch(tree, {"src", "dst"}).code, 0);
    EXPECT_EQ(testfs::ListDir(root), (testfs::Names{alive, "elsewhere.example.1"}));
}

} // namespace
