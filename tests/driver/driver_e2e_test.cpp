// The built program run in temporary directories: exit status, standard
// output, standard error and the files left behind.  The program is started
// as "pfs2vnk" (its argument 0), with an environment holding only what a
// test sets.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "driver_test_util.h"

namespace {

using drvtest::Child;
using drvtest::Exists;
using drvtest::ListDir;
using drvtest::ReadFile;
using drvtest::RunProgram;
using drvtest::WriteFile;
using Names = std::set<std::string>;

const std::string Finished = "pfs2vnk finished.\n";
const std::string Err2 = "Morvane error 2: source file could not be opened to read.\n";
const std::string Err1 = "Morvane error 1: program called with wrong number of arguments.\n";
const std::string Err11 =
    "Morvane error 11: you must delete the Morvane Error file before proceeding.\n";
const std::string LockRefusalLines = "You really MUST delete this file, because\n"
                                     "Morvane will not translate anything else\n"
                                     "until you acknowledge this error report\n"
                                     "by cutting the file that contains it!\n\n";

std::string Translating(const std::string& in, const std::string& out) {
    return "\nTranslating from " + in + " to " + out + ".\n";
}

class DriverE2E : public ::testing::Test {
  protected:
    drvtest::TempDir dir;
};

// ------------------------------------------------------------- version query ---

TEST_F(DriverE2E, VersionQueryWhateverFollows) {
    for (std::vector<std::string> args : {std::vector<std::string>{"-v"}, {"-verbose", "x", "0"}}) {
        auto r = RunProgram(dir.path(), args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "Current version is 3.5.09.01.99\n");
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(ListDir(dir.path()), Names{});
}

TEST_F(DriverE2E, OtherDashArgumentIsTheSourceName) {
    auto r = RunProgram(dir.path(), {"-x"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, Translating("-x", "TESTFILE.VNK"));
    EXPECT_EQ(r.err, Err2 + Finished);
}

// ------------------------------------------------------ defaults and display ---

TEST_F(DriverE2E, NoArgumentsTranslateTheDefaultNames) {
    auto r = RunProgram(dir.path(), {});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, Translating("TESTFILE.IN", "TESTFILE.VNK"));
    EXPECT_EQ(r.err, Err2 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{});
}

TEST_F(DriverE2E, SuccessfulRunPrintsOnlyOnStandardOutput) {
    WriteFile(dir / "TESTFILE.IN", drvtest::MinimalPfs());
    auto r = RunProgram(dir.path(), {});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Translating("TESTFILE.IN", "TESTFILE.VNK") + Finished);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(Exists(dir / "mvErrMsg.333"));
    EXPECT_FALSE(Exists(dir / "Morvane.Error"));
}

TEST_F(DriverE2E, DisplayZeroIsSilent) {
    auto r = RunProgram(dir.path(), {"none.pfs", "out.vnk", "0"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ListDir(dir.path()), Names{});
}

TEST_F(DriverE2E, MvDebugRaisesASilentLevelOnly) {
    auto r = RunProgram(dir.path(), {"none.pfs", "out.vnk", "0"}, {"MVDEBUG=2"});
    EXPECT_EQ(r.out, Translating("none.pfs", "out.vnk"));
    EXPECT_EQ(r.err, Err2 + Finished);

    r = RunProgram(dir.path(), {"none.pfs", "out.vnk", "3"}, {"MVDEBUG=0"});
    EXPECT_EQ(r.err, Err2 + Finished);
}

TEST_F(DriverE2E, ArgumentsBeyondPositionSixAreIgnored) {
    auto r = RunProgram(dir.path(), {"none.pfs", "out.vnk", "1", "4", "5", "", "7", "8"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, Translating("none.pfs", "out.vnk"));
}

// ---------------------------------------------------------------- lock file ---

TEST_F(DriverE2E, LockFlagSilentWritesTheLockReport) {
    auto r = RunProgram(dir.path(), {"none.pfs", "out.vnk", "L"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ListDir(dir.path()), Names{"Morvane.Error"});
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating none.pfs to out.vnk,\n"
              "  (2) source file could not be opened to read.\n"
              "Delete this file before running Morvane again!\n\n");
}

TEST_F(DriverE2E, LockFlagWithStandingLockRefusesAndAppends) {
    WriteFile(dir / "Morvane.Error", "earlier report\n");
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    WriteFile(dir / "out.vnk", "old target");
    auto r = RunProgram(dir.path(), {"doc.pfs", "out.vnk", "l"});
    EXPECT_EQ(r.exitCode, 11);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "earlier report\npfs2vnk did not translate file doc.pfs.\n" + LockRefusalLines);
    EXPECT_EQ(ReadFile(dir / "out.vnk"), "old target");
    EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "doc.pfs", "out.vnk"}));
}

TEST_F(DriverE2E, LockFlagWithStandingLockAtDisplayOneReportsOnConsole) {
    WriteFile(dir / "Morvane.Error", "earlier report\n");
    auto r = RunProgram(dir.path(), {"doc.pfs", "out.vnk", "L"}, {"MVDEBUG=1"});
    EXPECT_EQ(r.exitCode, 11);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Err11 + Finished);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), "earlier report\n");
}

TEST_F(DriverE2E, StandingLockIsIgnoredWithoutLockFlag) {
    WriteFile(dir / "Morvane.Error", "earlier report\n");
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    auto r = RunProgram(dir.path(), {"doc.pfs", "out.vnk", "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Translating("doc.pfs", "out.vnk") + Finished);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), "earlier report\n");
}

// ------------------------------------------------------- source and target ---

TEST_F(DriverE2E, TargetInMissingDirectory) {
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    auto r = RunProgram(dir.path(), {"doc.pfs", "nodir/out.vnk", "1"});
    EXPECT_EQ(r.exitCode, 24);
    EXPECT_EQ(r.out, Translating("doc.pfs", "nodir/out.vnk"));
    EXPECT_EQ(r.err, " Unknown: Error File incomplete or not found\n" + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"doc.pfs"});

    r = RunProgram(dir.path(), {"doc.pfs", "nodir/out.vnk", "0"});
    EXPECT_EQ(r.exitCode, 24);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ListDir(dir.path()), Names{"doc.pfs"});
}

TEST_F(DriverE2E, TargetThatCannotBeCreatedInItsDirectory) {
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    mkdir((dir / "d").c_str(), 0755);
    mkdir((dir / "d/t").c_str(), 0755); // a directory stands where the target would go
    auto r = RunProgram(dir.path(), {"doc.pfs", "d/t", "1"});
    EXPECT_EQ(r.exitCode, 24);
    EXPECT_EQ(r.out, Translating("doc.pfs", "d/t"));
    EXPECT_EQ(r.err, "Error trying to create target file.\n   Name:d/t.\n" + Finished);
    EXPECT_EQ(ListDir(dir / "d"), Names{"t"});

    r = RunProgram(dir.path(), {"doc.pfs", "d/t", "0"});
    EXPECT_EQ(r.exitCode, 24);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ListDir(dir / "d"), (Names{"mvErrMsg.333", "t"}));
    EXPECT_EQ(ReadFile(dir / "d/mvErrMsg.333"),
              "3\nError trying to create target file.\n\tName:d/t.\n");
}

TEST_F(DriverE2E, TargetFailureSilentWithLockFlagGoesToLockFile) {
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    mkdir((dir / "d").c_str(), 0755);
    mkdir((dir / "d/t").c_str(), 0755);
    auto r = RunProgram(dir.path(), {"doc.pfs", "d/t", "L"});
    EXPECT_EQ(r.exitCode, 24);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating doc.pfs to d/t,\n"
              "Error trying to create target file.\n   Name:d/t.\n"
              "Delete this file before running Morvane again!\n\n");
    EXPECT_EQ(ListDir(dir / "d"), Names{"t"});
}

// ----------------------------------------------------------- response files ---

TEST_F(DriverE2E, ResponseFileLinesAreTheArguments) {
    WriteFile(dir / "resp", "  \"my doc.pfs\"  \r\n\r\n\t out \"x\".vnk\t\r\n1");
    auto r = RunProgram(dir.path(), {"@resp", "ignored.pfs", "ignored.vnk", "0"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, Translating("my doc.pfs", "out \"x\".vnk\t"));
    EXPECT_EQ(r.err, Err2 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"resp"});
}

TEST_F(DriverE2E, ResponseFileTranslates) {
    WriteFile(dir / "doc.pfs", drvtest::MinimalPfs());
    WriteFile(dir / "resp", "doc.pfs\nout.vnk\n");
    auto r = RunProgram(dir.path(), {"@resp"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Translating("doc.pfs", "out.vnk") + Finished);
    EXPECT_EQ(r.err, "");
}

TEST_F(DriverE2E, AtAloneIsErrorOne) {
    auto r = RunProgram(dir.path(), {"@", "doc.pfs", "out.vnk", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Err1 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{});
}

TEST_F(DriverE2E, UnopenableResponseFileIsErrorOne) {
    auto r = RunProgram(dir.path(), {"@missing.rsp"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Err1 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{});
}

// ------------------------------------------------------------------ signals ---

// Starts the program reading its source from standard input, and waits
// until it has created its target and is waiting for input.
class DriverE2ESignals : public DriverE2E {
  protected:
    std::unique_ptr<Child> StartWaiting(const std::string& display) {
        auto c =
            std::make_unique<Child>(dir.path(), std::vector<std::string>{"", "out.vnk", display});
        if (display != "0") {
            EXPECT_TRUE(c->WaitForOutput(Translating("", "out.vnk")));
        }
        EXPECT_TRUE(Child::WaitForFile(dir / "out.vnk"));
        usleep(100 * 1000);
        return c;
    }
};

TEST_F(DriverE2ESignals, TermAndIntEndWithEighteenSilently) {
    for (int sig : {SIGTERM, SIGINT}) {
        auto c = StartWaiting("1");
        c->Signal(sig);
        int st = c->Finish();
        ASSERT_TRUE(WIFEXITED(st)) << sig;
        EXPECT_EQ(WEXITSTATUS(st), 18);
        EXPECT_EQ(c->out(), Translating("", "out.vnk"));
        EXPECT_EQ(c->err(), "");
        EXPECT_EQ(ListDir(dir.path()), Names{"out.vnk"});
        EXPECT_EQ(ReadFile(dir / "out.vnk"), "");
        unlink((dir / "out.vnk").c_str());
    }
}

TEST_F(DriverE2ESignals, FaultsEndWithNineAndName) {
    const std::pair<int, const char*> cases[] = {
        {SIGSEGV, "Signal: 11 \"SIGSEGV\"\n"},
        {SIGFPE, "Signal: 8 \"SIGFPE\"\n"},
        {SIGBUS, "Signal: 7 \"SIGBUS\"\n"},
    };
    for (auto [sig, line] : cases) {
        auto c = StartWaiting("1");
        c->Signal(sig);
        int st = c->Finish();
        ASSERT_TRUE(WIFEXITED(st)) << sig;
        EXPECT_EQ(WEXITSTATUS(st), 9);
        EXPECT_EQ(c->out(), Translating("", "out.vnk") + "Terminating by OS.\n" + line);
        EXPECT_EQ(c->err(), "");
        EXPECT_EQ(ListDir(dir.path()), Names{"out.vnk"});
        unlink((dir / "out.vnk").c_str());
    }
}

TEST_F(DriverE2ESignals, FaultAtDisplayZeroIsSilent) {
    auto c = StartWaiting("0");
    c->Signal(SIGSEGV);
    int st = c->Finish();
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 9);
    EXPECT_EQ(c->out() + c->err(), "");
}

TEST_F(DriverE2ESignals, FaultAtDebugLevelKeepsTheSystemAction) {
    auto c = StartWaiting("2");
    c->Signal(SIGSEGV);
    int st = c->Finish();
    ASSERT_TRUE(WIFSIGNALED(st));
    EXPECT_EQ(WTERMSIG(st), SIGSEGV);
    EXPECT_EQ(c->out(), Translating("", "out.vnk"));

    auto t = StartWaiting("2");
    t->Signal(SIGTERM);
    st = t->Finish();
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 18);
}

} // namespace
