// Installing the build into a fresh prefix: both programs land in bin/ and
// run from there, and both man pages land in share/man/man1/ and render
// without warnings.  The install happens once per process, into a
// directory of its own, so parallel test processes do not meet.

#include <gtest/gtest.h>

#include <filesystem>

#include "tool_support.h"

namespace {

using namespace vnkdump_test;

class Install : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        prefix_ = new TempDir;
        installed_ = new RunResult(RunShell("cmake --install " + ShellQuote(BINARY_DIR) +
                                       " --prefix " + ShellQuote(prefix_->path())));
    }
    static void TearDownTestSuite() {
        delete installed_;
        delete prefix_;
    }
    void SetUp() override {
        ASSERT_EQ(installed_->status, 0) << installed_->out << installed_->err;
    }
    static std::string Path(const std::string& relative) { return *prefix_ / relative; }

    static TempDir* prefix_;
    static RunResult* installed_;
};

TempDir* Install::prefix_ = nullptr;
RunResult* Install::installed_ = nullptr;

const char* const ManPages[] = {"share/man/man1/pfs2vnk.1", "share/man/man1/vnkdump.1"};

TEST_F(Install, ProgramsRunFromBin) {
    ASSERT_TRUE(std::filesystem::exists(Path("bin/pfs2vnk")));
    ASSERT_TRUE(std::filesystem::exists(Path("bin/vnkdump")));
    const RunResult version = RunShell(ShellQuote(Path("bin/pfs2vnk")) + " -v");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Current version is 3.5.09.01.99\n");

    TempDir dir;
    WriteFile(dir / "tiny.vnk", {0x00, 0xF0, 0x01, 0x0A, 'H', 'i', 0x0D});
    const RunResult dump = RunShell(ShellQuote(Path("bin/vnkdump")) + " " + ShellQuote(dir / "tiny.vnk"));
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out, "000000  F0  source-program  10\n000004  text  \"Hi\"\n000006  CR\n");
}

TEST_F(Install, ManPagesRenderWithoutWarnings) {
    if (!OnPath("man")) GTEST_SKIP() << "man is not installed";
    for (const char* page : ManPages) {
        ASSERT_TRUE(std::filesystem::exists(Path(page))) << page;
        const RunResult r = RunShell("MANWIDTH=80 man -l --warnings " + ShellQuote(Path(page)));
        EXPECT_EQ(r.status, 0) << page;
        EXPECT_EQ(r.err, "") << page;
        EXPECT_NE(r.out.find("NAME"), std::string::npos) << page;
        EXPECT_NE(r.out.find("EXIT STATUS"), std::string::npos) << page;
    }
}

TEST_F(Install, ManPagesPassAllGroffWarnings) {
    if (!OnPath("groff")) GTEST_SKIP() << "groff is not installed";
    for (const char* page : ManPages) {
        const RunResult r = RunShell("groff -man -ww -z " + ShellQuote(Path(page)));
        EXPECT_EQ(r.status, 0) << page;
        EXPECT_EQ(r.err, "") << page;
    }
}

} // namespace
