// Reading arguments from a response file.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/errors.h"
#include "driver/response_file.h"
#include "driver/startup.h"
#include "driver_test_util.h"

namespace {

class ResponseFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetStartup();
        ResetErrors();
    }
    void TearDown() override { ResetStartup(); }

    // The entries the lines of text give, read through a memory stream the
    // way StartUp reads a response file (entry 0 holding the program name).
    std::vector<std::string> Lines(const std::string& text) {
        CleanCmdLine();
        ArgV[0] = strdup("prog");
        cmdLineFP = stdin; // marks ArgV as heap copies for CleanCmdLine
        ArgPos = 1;
        FILE* fp = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        EXPECT_EQ(ReadArgLines(fp), 0);
        fclose(fp);
        std::vector<std::string> got;
        for (int i = 1; i < ArgPos; ++i)
            got.push_back(ArgV[i]);
        return got;
    }
};

using Args = std::vector<std::string>;

TEST_F(ResponseFile, CrLfBlankLinesAndLeadingBlanksGiveOneEntryPerLine) {
    EXPECT_EQ(Lines("  in.pfs\r\n\r\n\r\n\t out.vnk\r\n \r\n1\r\n"),
              (Args{"in.pfs", "out.vnk", "1"}));
}

TEST_F(ResponseFile, QuotedNameWithSpaceLosesQuotesAndOuterBlanks) {
    EXPECT_EQ(Lines("  \" my doc.pfs\"  \n"), (Args{"my doc.pfs"}));
    EXPECT_EQ(Lines("\"\"  \"x\" \"\" \n"), (Args{"x"}));
}

TEST_F(ResponseFile, QuoteInsideAndTrailingTabStay) {
    EXPECT_EQ(Lines("a\"b\t\nc \t \n"), (Args{"a\"b\t", "c \t"}));
}

TEST_F(ResponseFile, LastLineWithoutLineEndCounts) {
    EXPECT_EQ(Lines("one\ntwo"), (Args{"one", "two"}));
    EXPECT_EQ(Lines("one\rtwo  \""), (Args{"one", "two"}));
}

TEST_F(ResponseFile, EmptyOrBlankFileGivesNothing) {
    EXPECT_EQ(Lines(""), Args{});
    EXPECT_EQ(Lines(" \r\n\t\v\f\"\n\n"), Args{});
}

TEST_F(ResponseFile, LongLineKeepsFirst1023Characters) {
    std::string longLine(1023, 'a');
    longLine += "bbbbbbbbbb";
    Args got = Lines(longLine + "\nnext\n" + std::string(1023, 'c') + "d");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], std::string(1023, 'a'));
    EXPECT_EQ(got[1], "next");
    EXPECT_EQ(got[2], std::string(1023, 'c'));
}

TEST_F(ResponseFile, AtMostNineteenLinesAreTaken) {
    std::string text;
    for (int i = 1; i <= 25; ++i)
        text += "arg" + std::to_string(i) + "\n";
    Args got = Lines(text);
    ASSERT_EQ(got.size(), 19u);
    EXPECT_EQ(got.front(), "arg1");
    EXPECT_EQ(got.back(), "arg19");
    EXPECT_EQ(ArgPos, 20);
}

TEST_F(ResponseFile, TakenFromFileSetsArgCAndKeepsMarker) {
    drvtest::TempDir dir;
    drvtest::WriteFile(dir / "resp", "in.pfs\r\nout.vnk\r\n");
    ASSERT_EQ(TakeResponseFile("/usr/bin/pfs2vnk", (dir / "resp").c_str()), 0);
    EXPECT_EQ(ArgC, 3);
    EXPECT_EQ(ArgPos, 0);
    EXPECT_NE(cmdLineFP, nullptr);
    EXPECT_STREQ(ArgV[0], "/usr/bin/pfs2vnk");
    EXPECT_STREQ(ArgV[1], "in.pfs");
    EXPECT_STREQ(ArgV[2], "out.vnk");
    EXPECT_EQ(ArgV[3], nullptr);

    CleanCmdLine();
    EXPECT_EQ(cmdLineFP, nullptr);
    for (char* a : ArgV)
        EXPECT_EQ(a, nullptr);
}

TEST_F(ResponseFile, UnopenableFileIsErrorOneWithProgramNameOnly) {
    drvtest::TempDir dir;
    char prog[] = "pfs2vnk";
    EXPECT_EQ(TakeResponseFile(prog, (dir / "missing").c_str()), 1);
    EXPECT_EQ(ArgC, 1);
    EXPECT_EQ(ArgV[0], prog);
    EXPECT_EQ(ArgV[1], nullptr);
    EXPECT_EQ(cmdLineFP, nullptr);
}

TEST_F(ResponseFile, CleanCmdLineWithoutMarkerLeavesEntries) {
    char name[] = "prog";
    ArgV[0] = name;
    CleanCmdLine();
    EXPECT_EQ(ArgV[0], name);
}

} // namespace
