// Taking the arguments, the directories and the positional arguments.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "driver/errors.h"
#include "driver/startup.h"
#include "driver_test_util.h"

namespace {

// Sets or removes an environment variable for one test, restoring it after.
class EnvVar {
  public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name))
            old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvVar() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class StartupFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetStartup();
        ResetErrors();
    }
    void TearDown() override {
        ResetStartup();
        ResetErrors();
    }
    // An argument vector that lives as long as the test.
    char** Argv(std::vector<std::string> args) {
        store = std::move(args);
        ptrs.clear();
        for (auto& a : store)
            ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        return ptrs.data();
    }
    // Positional arguments as ApplyArgs sees them, entry 0 being the program.
    void Apply(std::vector<std::string> args) {
        char** av = Argv(std::move(args));
        ASSERT_EQ(TakeArgs((int)store.size(), av), 0);
        ApplyArgs();
    }
    std::vector<std::string> store;
    std::vector<char*> ptrs;
};

// ------------------------------------------------------------ taking arguments ---

using StartupTakeArgs = StartupFixture;

TEST_F(StartupTakeArgs, CommandLinePointersAreUsedAsTheyAre) {
    char** av = Argv({"prog", "a", "b"});
    EXPECT_EQ(TakeArgs(3, av), 0);
    EXPECT_EQ(ArgC, 3);
    EXPECT_EQ(ArgV[0], av[0]);
    EXPECT_EQ(ArgV[2], av[2]);
    EXPECT_EQ(ArgV[3], nullptr);
    EXPECT_EQ(cmdLineFP, nullptr);
}

TEST_F(StartupTakeArgs, MoreThanTwentyArgumentsKeepArgCButFillTwentyEntries) {
    std::vector<std::string> args;
    for (int i = 0; i < 25; ++i)
        args.push_back("a" + std::to_string(i));
    char** av = Argv(args);
    EXPECT_EQ(TakeArgs(25, av), 0);
    EXPECT_EQ(ArgC, 25);
    EXPECT_EQ(ArgV[19], av[19]);
    ApplyArgs(); // reads no entry beyond 6
    EXPECT_STREQ(InFileName, "a1");
}

TEST_F(StartupTakeArgs, AtAloneIsRefusedWithErrorOne) {
    EXPECT_EQ(TakeArgs(3, Argv({"prog", "@", "x"})), 1);
    EXPECT_EQ(ArgC, 1);
    EXPECT_STREQ(ArgV[0], "prog");
    EXPECT_EQ(ArgV[1], nullptr);
}

TEST_F(StartupTakeArgs, ResponseFileReplacesTheCommandLine) {
    drvtest::TempDir dir;
    drvtest::WriteFile(dir / "r", "src\ntgt\n2\n");
    EXPECT_EQ(TakeArgs(4, Argv({"prog", "@" + (dir / "r"), "ignored", "also"})), 0);
    EXPECT_EQ(ArgC, 4);
    EXPECT_NE(cmdLineFP, nullptr);
    ApplyArgs();
    EXPECT_STREQ(InFileName, "src");
    EXPECT_STREQ(OutFileName, "tgt");
    EXPECT_EQ(Display, 2);
}

// ----------------------------------------------------------------- directories ---

using StartupDirectories = StartupFixture;

TEST_F(StartupDirectories, ProgramDirectory) {
    EnvVar tmp("TMPDIR", nullptr);
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/mv/bin/pfs2vnk", "/opt/mv/bin/"},
        {"vol:pfs2vnk", "vol:"},
        {"pfs2vnk", ""},
    };
    for (auto [prog, want] : cases) {
        TakeArgs(1, Argv({prog}));
        SetDirectories();
        EXPECT_STREQ(mvPath, want);
    }
    std::string longProg = std::string(1500, 'p') + "/x";
    TakeArgs(1, Argv({longProg}));
    SetDirectories();
    EXPECT_STREQ(mvPath, ""); // its slash lies beyond the 1023 characters kept
}

TEST_F(StartupDirectories, TmpDirIsTakenAndLeftDefinedAndEmpty) {
    EnvVar tmp("TMPDIR", "/some/tmp");
    TakeArgs(1, Argv({"prog"}));
    SetDirectories();
    EXPECT_STREQ(MvTempDir, "/some/tmp");
    ASSERT_NE(getenv("TMPDIR"), nullptr);
    EXPECT_STREQ(getenv("TMPDIR"), "");
}

TEST_F(StartupDirectories, UnsetTmpDirLeavesMvTempDirEmptyAndDefinesIt) {
    EnvVar tmp("TMPDIR", nullptr);
    TakeArgs(1, Argv({"prog"}));
    SetDirectories();
    EXPECT_STREQ(MvTempDir, "");
    ASSERT_NE(getenv("TMPDIR"), nullptr);
    EXPECT_STREQ(getenv("TMPDIR"), "");
}

TEST_F(StartupDirectories, LongTmpDirIsCutTo1023) {
    std::string longDir(2000, 't');
    EnvVar tmp("TMPDIR", longDir.c_str());
    TakeArgs(1, Argv({"prog"}));
    SetDirectories();
    EXPECT_EQ(std::string(MvTempDir), longDir.substr(0, 1023));
}

// -------------------------------------------------------- positional arguments ---

using StartupPositional = StartupFixture;

TEST_F(StartupPositional, DefaultsAndFileNames) {
    EnvVar dbg("MVDEBUG", nullptr);
    Apply({"prog"});
    EXPECT_STREQ(InFileName, "TESTFILE.IN");
    EXPECT_STREQ(OutFileName, "TESTFILE.VNK");
    EXPECT_EQ(TransType, 'I');
    EXPECT_EQ(Display, 1);
    EXPECT_EQ(ErrLock, 0);

    Apply({"prog", "doc.pfs"});
    EXPECT_STREQ(InFileName, "doc.pfs");
    EXPECT_STREQ(OutFileName, "TESTFILE.VNK");

    Apply({"prog", "", ""}); // empty names: standard input and output
    EXPECT_STREQ(InFileName, "");
    EXPECT_STREQ(OutFileName, "");
}

TEST_F(StartupPositional, DisplayLevelReadAsDecimal) {
    EnvVar dbg("MVDEBUG", nullptr);
    const std::pair<const char*, int> cases[] = {
        {"2", 2},
        {"  +3x", 3},
        {"-1", -1},
        {"abc", 0},
        {"0", 0},
        {"", 0},
        {"99999999999", INT32_MAX},
    };
    for (auto [arg, want] : cases) {
        ResetStartup();
        Apply({"prog", "a", "b", arg});
        EXPECT_EQ(Display, want) << arg;
        EXPECT_EQ(ErrLock, 0) << arg;
    }
}

TEST_F(StartupPositional, LockFlagFromLeadingL) {
    EnvVar dbg("MVDEBUG", nullptr);
    for (const char* arg : {"L", "l", "l7"}) {
        ResetStartup();
        Apply({"prog", "a", "b", arg});
        EXPECT_EQ(Display, 0) << arg;
        EXPECT_EQ(ErrLock, 1) << arg;
    }
    ResetStartup();
    Apply({"prog", "a", "b", " L"});
    EXPECT_EQ(ErrLock, 0);
}

TEST_F(StartupPositional, MvDebugRaisesOnlyASilentLevel) {
    {
        EnvVar dbg("MVDEBUG", "1");
        Apply({"prog", "a", "b", "L"});
        EXPECT_EQ(Display, 1);
        EXPECT_EQ(ErrLock, 1);
    }
    {
        ResetStartup();
        EnvVar dbg("MVDEBUG", "0");
        Apply({"prog", "a", "b", "3"});
        EXPECT_EQ(Display, 3);
    }
    {
        ResetStartup();
        EnvVar dbg("MVDEBUG", " 4");
        Apply({"prog", "a", "b", "0"});
        EXPECT_EQ(Display, 4);
    }
    {
        ResetStartup();
        EnvVar dbg("MVDEBUG", "5");
        Apply({"prog", "a", "b"}); // no display argument: level 1 stays
        EXPECT_EQ(Display, 1);
    }
}

TEST_F(StartupPositional, TemporaryDirectoryFromPositionSix) {
    EnvVar dbg("MVDEBUG", nullptr);
    snprintf(MvTempDir, sizeof MvTempDir, "%s", "/from/env");
    Apply({"prog", "a", "b", "1", "x", "y", ""});
    EXPECT_STREQ(MvTempDir, "/from/env");
    Apply({"prog", "a", "b", "1", "x", "y", "/given", "/later", "/more"});
    EXPECT_STREQ(MvTempDir, "/given");
    Apply({"prog", "a", "b", "1", "x", "y"}); // ArgC 6: position 6 absent
    EXPECT_STREQ(MvTempDir, "/given");
}

} // namespace
