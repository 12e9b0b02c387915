// Covers src/driver/startup.cpp, src/driver/response_file.cpp, src/main.cpp: the built program's
// command lines and response files, and memory running out while a response file is copied.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/program.h"

namespace {

using testfs::FileSize;
using testfs::ListDir;
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

// Runs that find no source: "-v..." answers the version whatever follows, any
// other first argument is the source's name, "@name" a response file, and "@"
// alone or an unopenable response file give error 1.  Nothing is left behind.
TEST(CommandLine, RunsWithoutASource) {
    testfs::TempDir dir;
    WriteFile(dir / "resp", std::string("  \"my doc.pfs\"  \r\n\r\n\t out \"x\".vnk\t\r\n1"));
    const std::string version = "Current version is 3.5.09.01.99\n";
    const std::string none = Translating("none.pfs", "out.vnk");
    const std::string resp = Translating("my doc.pfs", "out \"x\".vnk\t");
    std::vector<std::string> many = {"none.pfs", "out.vnk", "1", "4", "5", ""};
    many.resize(25, "x"); // only positions up to 6 are read
    const struct {
        std::vector<std::string> args, env;
        int code;
        std::string out, err;
    } cases[] = {{{"-v"}, {}, 0, version, ""},
                 {{"-verbose", "x", "0"}, {}, 0, version, ""},
                 {{}, {}, 2, Translating("TESTFILE.IN", "TESTFILE.VNK"), Err2 + Finished},
                 {{"-x"}, {}, 2, Translating("-x", "TESTFILE.VNK"), Err2 + Finished},
                 {many, {}, 2, none, Err2 + Finished},
                 {{"none.pfs", "out.vnk", "0"}, {}, 2, "", ""},
                 {{"none.pfs", "out.vnk", "0"}, {"MVDEBUG=2"}, 2, none, Err2 + Finished},
                 {{"@resp", "ignored.pfs", "ignored.vnk", "0"}, {}, 2, resp, Err2 + Finished},
                 {{"@", "doc.pfs", "out.vnk", "0"}, {}, 1, "", Err1 + Finished},
                 {{"@missing.rsp"}, {}, 1, "", Err1 + Finished}};
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        auto r = testprog::Run(dir.path(), c.args, "", c.env);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(ListDir(dir.path()), Names{"resp"});
}

// Memory running out while the program's name or a line of the response file is copied ends
// the run with 22 and prints nothing (the Nth allocation of the program fails, and every later
// one); with memory to spare the same run looks for its source.
TEST(CommandLine, MemoryRunningOutInTheResponseFileIsError22) {
    testfs::TempDir dir;
    WriteFile(dir / "resp", std::string("none.pfs\nout.vnk\n1\n"));
    for (int at = 1; at <= 4; ++at) {
        auto r = testprog::Run(dir.path(), {"@resp"}, "", {"FAIL_MALLOC_AT=" + std::to_string(at)},
                               PFS2VNK_FAILING_MALLOC_EXE);
        EXPECT_EQ(r.code, 22) << "allocation " << at;
        EXPECT_EQ(r.out + r.err, "") << "allocation " << at;
    }
    auto r = testprog::Run(dir.path(), {"@resp"}, "", {}, PFS2VNK_FAILING_MALLOC_EXE);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, Translating("none.pfs", "out.vnk"));
    EXPECT_EQ(r.err, Err2 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"resp"});
}

} // namespace
