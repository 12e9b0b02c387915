// The batch's worker processes under trouble: a worker killed or stopped in
// the middle of a document, and the batch itself interrupted.

#include <signal.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "batch/batch_support.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

// Small documents before and after one large one that takes a worker a
// while (those after it are queued to the worker behind it).
void AddAroundLarge(Tree& tree, int small) {
    for (int i = 0; i < small; ++i)
        tree.Add((i % 2 == 0 ? "d" : "z") + std::to_string(i) + ".pfs", Document(3000, 10 + i));
    tree.Add("m_large.pfs", Document(16 << 20, 1));
}

// Every document but the large one was converted.
void ExpectOthersOk(const Tree& tree, std::map<std::string, Json>& by) {
    for (const auto& [rel, bytes] : tree.sources()) {
        if (rel != "m_large.pfs") {
            EXPECT_EQ(by[rel]["status"], "ok") << rel;
        }
    }
}

void ExpectNoWorkingFolders(const Tree& tree) {
    EXPECT_FALSE(testfs::Exists(tree / "dst/.pfs2vnk-batch-work"));
}

TEST(BatchWorkers, AWorkerKilledMidDocumentIsReportedAsCrashedAndTheBatchFinishes) {
    Tree tree;
    AddAroundLarge(tree, 4);
    testprog::Program batch(tree / "", {"-j", "1", "-q", "--report", "r.jsonl", "src", "dst"}, {},
                            PFS2VNK_BATCH_EXE);
    pid_t worker = WorkerOn(batch.pid(), tree / "src/m_large.pfs");
    ASSERT_GT(worker, 0);
    kill(worker, SIGKILL);
    int status = batch.Finish();
    EXPECT_EQ(WEXITSTATUS(status), 1);
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    ASSERT_EQ(by.size(), 5u);
    EXPECT_EQ(by["m_large.pfs"]["status"], "crashed");
    EXPECT_EQ(by["m_large.pfs"]["signal"], SIGKILL);
    ExpectOthersOk(tree, by);
    EXPECT_FALSE(testfs::Exists(tree / "dst/m_large.pfs.vnk"));
    ExpectNoWorkingFolders(tree);
}

TEST(BatchWorkers, AWorkerThatHangsIsStoppedAtTheTimeLimit) {
    Tree tree;
    AddAroundLarge(tree, 4);
    testprog::Program batch(
        tree / "", {"-j", "1", "-q", "--timeout", "1", "--report", "r.jsonl", "src", "dst"}, {},
        PFS2VNK_BATCH_EXE);
    pid_t worker = WorkerOn(batch.pid(), tree / "src/m_large.pfs");
    ASSERT_GT(worker, 0);
    int status = batch.Finish();
    EXPECT_EQ(WEXITSTATUS(status), 1);
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["m_large.pfs"]["status"], "timeout");
    EXPECT_EQ(by["m_large.pfs"]["message"], "no result within 1 s");
    EXPECT_GE(by["m_large.pfs"]["ms"].get<double>(), 1000);
    ExpectOthersOk(tree, by);
    ExpectNoWorkingFolders(tree);
}

struct StopCase {
    const char* name;
    int signal;
    int exitStatus;
};

class BatchStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(BatchStop, LeavesOnlyCompleteTargetsAndTheReportOfWhatWasDone) {
    Tree tree;
    AddAroundLarge(tree, 6);
    testprog::Program batch(tree / "", {"-j", "2", "-q", "--report", "r.jsonl", "src", "dst"}, {},
                            PFS2VNK_BATCH_EXE);
    ASSERT_GT(WorkerOn(batch.pid(), tree / "src/m_large.pfs"), 0);
    batch.Signal(GetParam().signal);
    int status = batch.Finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), GetParam().exitStatus);
    ExpectNoWorkingFolders(tree);
    EXPECT_FALSE(testfs::Exists(tree / "dst/m_large.pfs.vnk"));
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by.count("m_large.pfs"), 0u);
    for (const auto& [name, bytes] : ListTree(tree.dst())) {
        std::string rel = name.substr(0, name.size() - 4);
        EXPECT_EQ(bytes, PfsTranslation(tree.sources().at(rel))) << name;
        EXPECT_EQ(by[rel]["status"], "ok") << name << " is in place but not in the report";
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, BatchStop,
                         ::testing::Values(StopCase{"SIGINT", SIGINT, 130},
                                           StopCase{"SIGTERM", SIGTERM, 143},
                                           StopCase{"SIGHUP", SIGHUP, 129}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
