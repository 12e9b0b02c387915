// The vnkdump program: its arguments, reading a file or standard input,
// and its exit statuses for broken streams, bad usage and unreadable input.

#include <gtest/gtest.h>

#include "tool_support.h"

namespace {

using namespace vnkdump_test;

const std::string Exe = ShellQuote(VNKDUMP_EXE);

// F0 with 10, the text "Hi", a hard return.
const Bytes Tiny = {0x00, 0xF0, 0x01, 0x0A, 'H', 'i', 0x0D};
const char TinyListing[] = "000000  F0  source-program  10\n000004  text  \"Hi\"\n000006  CR\n";

TEST(VnkdumpCli, ReadsAFileOrStandardInput) {
    TempDir dir;
    WriteFile(dir / "tiny.vnk", Tiny);
    const std::string file = ShellQuote(dir / "tiny.vnk");

    RunResult r = RunShell(Exe + " " + file);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, TinyListing);
    EXPECT_EQ(r.err, "");

    r = RunShell(Exe + " - <" + file);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, TinyListing);

    r = RunShell(Exe + " --stats " + file);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "F0  source-program  1\nrecords  1\ntext-bytes  3\nhard-returns  1\n");
}

TEST(VnkdumpCli, TruncatedStreamExitsWithOne) {
    TempDir dir;
    WriteFile(dir / "cut.vnk", Join({Tiny, {0x00, 0x65, 0x02, 0x90}}));
    const RunResult r = RunShell(Exe + " " + ShellQuote(dir / "cut.vnk"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, TinyListing);
    EXPECT_EQ(r.err, "vnkdump: record at offset 0x000007 truncated: code 65, length 2, 1 byte left\n");
}

TEST(VnkdumpCli, BadUsageExitsWithTwo) {
    for (const char* args : {"", "a b", "--bogus x", "--stats"}) {
        const RunResult r = RunShell(Exe + " " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("usage: vnkdump [--stats] FILE|-"), std::string::npos) << args;
    }
    const RunResult help = RunShell(Exe + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, "usage: vnkdump [--stats] FILE|-\n");
}

TEST(VnkdumpCli, UnreadableInputExitsWithTwo) {
    TempDir dir;
    const std::string missing = dir / "missing.vnk";
    const RunResult r = RunShell(Exe + " " + ShellQuote(missing));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("vnkdump: cannot read " + missing + ": ", 0), 0u) << r.err;
}

} // namespace
