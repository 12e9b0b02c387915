// Covers src/driver/run.cpp, src/driver/signals.cpp, src/io (files), src/common/error_file.cpp:
// the built program run for real on faults: sources that are no document, targets that cannot
// take the stream, the standard streams as source and target, signals during a translation and
// a standing error lock.

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/harness.h"
#include "support/program.h"

namespace {

using testfs::FileSize;
using testfs::ListDir;
using testfs::ReadFile;
using testfs::WriteFile;
using testprog::Err1;
using testprog::Err2;
using testprog::Err23;
using testprog::Err5;
using testprog::Err8;
using testprog::Finished;
using testprog::NoErrFile;
using testprog::Translating;
using Names = testfs::Names;

class Faults : public ::testing::Test {
  protected:
    // A write to a program that has ended must not end the tests.
    void SetUp() override { oldPipe_ = signal(SIGPIPE, SIG_IGN); }
    void TearDown() override { signal(SIGPIPE, oldPipe_); }
    testfs::TempDir dir;
    sighandler_t oldPipe_ = SIG_DFL;
};

// A directory (it opens but cannot be read), an empty file and empty input
// hold no signature: error 8, and the empty target is removed.
TEST_F(Faults, SourcesThatAreNoDocument) {
    ASSERT_EQ(mkdir((dir / "folder.pfs").c_str(), 0755), 0);
    WriteFile(dir / "empty.pfs", std::string());
    for (const std::string src : {"folder.pfs", "empty.pfs", ""}) {
        const std::string dst = src.empty() ? "" : "out.vnk";
        auto r = testprog::Run(dir.path(), {src, dst, "1"});
        EXPECT_EQ(r.code, 8) << src;
        EXPECT_EQ(r.out, Translating(src, dst)) << src;
        EXPECT_EQ(r.err, Err8 + Finished) << src;
        EXPECT_EQ(ListDir(dir.path()), (Names{"empty.pfs", "folder.pfs"})) << src;
    }
}

// A device target keeps its name (a device reports length 0 whatever it took):
// /dev/null takes the stream; on /dev/full every write fails, the run goes on
// and ends with error 5 and its report.  Reached through a link in the test's
// directory, never on the devices themselves.
TEST_F(Faults, DeviceTargets) {
    WriteFile(dir / "small.pfs", PfsText("A short letter.\x01\x0E"));
    WriteFile(dir / "long.pfs", LongPfs(200000));
    for (const std::string dev : {"/dev/null", "/dev/full"}) {
        struct stat st;
        if (stat(dev.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            GTEST_SKIP() << "no " << dev;
        ASSERT_EQ(symlink(dev.c_str(), (dir / "dev.vnk").c_str()), 0);
        const bool full = dev == "/dev/full";
        for (const std::string src : {"small.pfs", "long.pfs"}) {
            auto r = testprog::Run(dir.path(), {src, "dev.vnk", "1"});
            EXPECT_EQ(r.code, full ? 5 : 0) << dev << " " << src;
            EXPECT_EQ(r.out, Translating(src, "dev.vnk") + (full ? "" : Finished)) << dev << src;
            EXPECT_EQ(r.err, full ? Err5 + Finished : "") << dev << " " << src;
            EXPECT_TRUE(testfs::Exists(dir / "dev.vnk")) << dev << ": the target was removed";
        }
        unlink((dir / "dev.vnk").c_str());
    }
}

// A target that cannot be created: error 24 with the message written beside
// it, or the fallback text when its directory is missing.  Silent, the message
// file stays; with the lock flag the report goes to the lock file.
TEST_F(Faults, TargetThatCannotBeCreated) {
    const std::string nodir = "no/such/dir/out.vnk", made = "Error trying to create target file.\n";
    WriteFile(dir / "doc.pfs", PfsText("Text.\x01\x0E"));
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "d/t").c_str(), 0755), 0); // a directory where the target goes
    const struct {
        std::string target, display, out, err;
        Names inD;
    } cases[] = {
        {nodir, "1", Translating("doc.pfs", nodir), NoErrFile + Finished, {"t"}},
        {"d/t", "1", Translating("doc.pfs", "d/t"), made + "   Name:d/t.\n" + Finished, {"t"}},
        {"d/t", "0", "", "", {"mvErrMsg.333", "t"}},
        {nodir, "L", "", "", {"mvErrMsg.333", "t"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " " + c.display);
        auto r = testprog::Run(dir.path(), {"doc.pfs", c.target, c.display});
        EXPECT_EQ(r.code, 24);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(ListDir(dir / "d"), c.inD);
    }
    EXPECT_EQ(ReadFile(dir / "d/mvErrMsg.333"), "3\n" + made + "\tName:d/t.\n");
    // A longer message file left by an earlier run keeps nothing of its own.
    WriteFile(dir / "d/mvErrMsg.333", "3\n" + std::string(2000, 'x') + "\n");
    EXPECT_EQ(testprog::Run(dir.path(), {"doc.pfs", "d/t", "0"}).code, 24);
    EXPECT_EQ(ReadFile(dir / "d/mvErrMsg.333"), "3\n" + made + "\tName:d/t.\n");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating doc.pfs to no/such/dir/out.vnk,\n" +
                  NoErrFile + "Delete this file before running Morvane again!\n\n");
    EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "d", "doc.pfs"}));
}

// Standard input to standard output gives the stream of a file-to-file run;
// at level 1 the console lines go around it on standard output.
TEST_F(Faults, StandardInputToStandardOutput) {
    for (const std::string& doc :
         {PfsText("A short letter.\x01 \x01Yours,\x01\x0E"), LongPfs(120000)}) {
        WriteFile(dir / "doc.pfs", doc);
        ASSERT_EQ(testprog::Run(dir.path(), {"doc.pfs", "out.vnk", "0"}).code, 0);
        const std::string stream = ReadFile(dir / "out.vnk");
        ASSERT_GT(stream.size(), 85u);
        unlink((dir / "out.vnk").c_str());
        auto piped = testprog::Run(dir.path(), {"", "", "0"}, doc);
        EXPECT_EQ(piped.code, 0);
        EXPECT_EQ(piped.err, "");
        EXPECT_TRUE(piped.out == stream) << piped.out.size() << " bytes, not " << stream.size();
        auto shown = testprog::Run(dir.path(), {"", "", "1"}, doc);
        EXPECT_EQ(shown.code, 0);
        EXPECT_TRUE(shown.out == Translating("", "") + stream + Finished);
        EXPECT_EQ(ListDir(dir.path()), Names{"doc.pfs"});
    }
}

// Signals while a long document comes through standard input (the pipe kept
// open, the target holding its first block; input and output go in blocks of
// 256 KiB, so the part fed is large enough for both): SIGTERM and SIGINT end with 18 and
// print nothing more; SIGSEGV, SIGFPE and SIGBUS end with 9 and, unless silent,
// their name; at a debugging level a fault keeps the system's action.
TEST_F(Faults, SignalsDuringTranslation) {
    const std::string doc = LongPfs(1200000), t = Translating("", "out.vnk");
    const std::string os = "Terminating by OS.\nSignal: ";
    const struct {
        int sig;
        const char* display;
        int code; // exit status, or minus the signal that ended the program
        std::string out;
    } cases[] = {{SIGTERM, "1", 18, t},
                 {SIGINT, "0", 18, ""},
                 {SIGTERM, "2", 18, t},
                 {SIGSEGV, "1", 9, t + os + "11 \"SIGSEGV\"\n"},
                 {SIGFPE, "1", 9, t + os + "8 \"SIGFPE\"\n"},
                 {SIGBUS, "1", 9, t + os + "7 \"SIGBUS\"\n"},
                 {SIGSEGV, "0", 9, ""},
                 {SIGSEGV, "2", -SIGSEGV, t}};
    for (const auto& c : cases) {
        SCOPED_TRACE("signal " + std::to_string(c.sig) + " at level " + c.display);
        unlink((dir / "out.vnk").c_str());
        testprog::Program p(dir.path(), {"", "out.vnk", c.display});
        ASSERT_TRUE(p.Feed(doc.substr(0, 800000)));
        for (int i = 0; i < 1000 && FileSize(dir / "out.vnk") <= 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(FileSize(dir / "out.vnk"), 0) << "the translation did not get under way";
        p.Signal(c.sig);
        int st = p.Finish();
        EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st), c.code);
        EXPECT_EQ(p.out(), c.out);
        EXPECT_EQ(p.err(), "");
    }
}

// With the lock flag a standing lock file stops the run before the source or
// the target is touched, and the refusal goes below the standing report.
// Without the flag the lock file is left alone.
TEST_F(Faults, StandingLockTouchesNothing) {
    const std::string earlier = "Morvane Error: input module pfs2vnk,\n  (8) earlier.\n";
    const std::string doc = PfsText("Text.\x01\x0E");
    WriteFile(dir / "Morvane.Error", earlier);
    WriteFile(dir / "doc.pfs", doc);
    WriteFile(dir / "out.vnk", std::string("an older target"));
    auto r = testprog::Run(dir.path(), {"doc.pfs", "out.vnk", "L"});
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(dir / "out.vnk"), "an older target");
    EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), earlier +
                                                   "pfs2vnk did not translate file doc.pfs.\n"
                                                   "You really MUST delete this file, because\n"
                                                   "Morvane will not translate anything else\n"
                                                   "until you acknowledge this error report\n"
                                                   "by cutting the file that contains it!\n\n");
    EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "doc.pfs", "out.vnk"}));

    const std::string lock = ReadFile(dir / "Morvane.Error");
    r = testprog::Run(dir.path(), {"doc.pfs", "out.vnk", "1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, Translating("doc.pfs", "out.vnk") + Finished);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), lock);
}

} // namespace
