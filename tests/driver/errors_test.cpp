// The error message file (writer and reader), the code table and the
// end-of-run report on the console and in the lock file.

#include <gtest/gtest.h>

#include <string>

#include "driver/errors.h"
#include "driver/startup.h"
#include "driver_test_util.h"

namespace {

using drvtest::Exists;
using drvtest::ReadFile;
using drvtest::WriteFile;

const std::string TargetFailure = "Error trying to create target file.\n\tName:d/t.\n";

class ErrorsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetStartup();
        ResetErrors();
    }
    void TearDown() override {
        ResetStartup();
        ResetErrors();
    }
    drvtest::TempDir dir;
};

// --------------------------------------------------- writing the message file ---

using ErrorsMsgFileWrite = ErrorsFixture;

TEST_F(ErrorsMsgFileWrite, LiesInTheDirectoryOfThePathWithCodeLineAndText) {
    CreateErrMsgFile(3, TargetFailure.c_str(), (dir / "t").c_str());
    EXPECT_EQ(ErrType, 24);
    EXPECT_EQ(std::string(mvErrMsgFileName), dir / "mvErrMsg.333");
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "3\n" + TargetFailure);
}

TEST_F(ErrorsMsgFileWrite, DirectoryRuleSlashThenColonThenCurrent) {
    drvtest::InDir(dir.path(), [] {
        CreateErrMsgFile(0, "a", "vol:sub:name");
        EXPECT_STREQ(mvErrMsgFileName, "vol:sub:mvErrMsg.333");
        CreateErrMsgFile(0, "b", "name.vnk");
        EXPECT_STREQ(mvErrMsgFileName, "mvErrMsg.333");
        CreateErrMsgFile(0, "c", "./x:y/name");
        EXPECT_STREQ(mvErrMsgFileName, "./x:y/mvErrMsg.333");
    });
    EXPECT_EQ(ReadFile(dir / "vol:sub:mvErrMsg.333"), "0\na");
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "0\nb");
}

TEST_F(ErrorsMsgFileWrite, EmptyMessageAndNegativeCode) {
    CreateErrMsgFile(-7, "", (dir / "t").c_str());
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "-7\nError Message Unknown");
}

TEST_F(ErrorsMsgFileWrite, LongMessageCutTo1124) {
    std::string msg(1200, 'm');
    CreateErrMsgFile(5, msg.c_str(), (dir / "t").c_str());
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "5\n" + std::string(1124, 'm'));
}

TEST_F(ErrorsMsgFileWrite, FirstFailureKeepsItsMessage) {
    CreateErrMsgFile(3, "first", (dir / "t").c_str());
    CreateErrMsgFile(5, "second", (dir / "t").c_str());
    EXPECT_EQ(ErrType, 24);
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "3\nfirst");
}

TEST_F(ErrorsMsgFileWrite, NothingWhenACodeIsAlreadySet) {
    ErrType = 2;
    CreateErrMsgFile(3, "late", (dir / "t").c_str());
    EXPECT_EQ(ErrType, 2);
    EXPECT_FALSE(Exists(dir / "mvErrMsg.333"));
}

TEST_F(ErrorsMsgFileWrite, DeferredMessageBecomes24AtTheEndOnlyWithoutOtherFailure) {
    CreateErrMsgFile(0, "later", (dir / "t").c_str());
    EXPECT_EQ(ErrType, 0);
    CreateErrMsgFile(0, nullptr, nullptr);
    EXPECT_EQ(ErrType, 24);

    ResetErrors();
    CreateErrMsgFile(0, "later", (dir / "t").c_str());
    ErrType = 5;
    CreateErrMsgFile(0, nullptr, nullptr);
    EXPECT_EQ(ErrType, 5);

    ResetErrors();
    CreateErrMsgFile(0, nullptr, nullptr);
    EXPECT_EQ(ErrType, 0);
}

TEST_F(ErrorsMsgFileWrite, DeferredMessageCanBeReplacedByAFailure) {
    CreateErrMsgFile(0, "deferred", (dir / "t").c_str());
    CreateErrMsgFile(4, "real", (dir / "t").c_str());
    EXPECT_EQ(ErrType, 24);
    EXPECT_EQ(ReadFile(dir / "mvErrMsg.333"), "4\nreal");
}

TEST_F(ErrorsMsgFileWrite, UnwritableDirectoryStillGives24) {
    CreateErrMsgFile(3, "x", (dir / "missing/t").c_str());
    EXPECT_EQ(ErrType, 24);
    EXPECT_EQ(drvtest::ListDir(dir.path()).size(), 0u);
}

// --------------------------------------------------- reading the message file ---

class ErrorsMsgFileRead : public ErrorsFixture {
  protected:
    // Reads back a file holding content; the code goes to code.
    std::string Read(const std::string& content) {
        WriteFile(dir / "mvErrMsg.333", content);
        char out[1123];
        code = GetErrMsgFileData(out, (dir / "any.name").c_str());
        EXPECT_FALSE(Exists(dir / "mvErrMsg.333"));
        return out;
    }
    int32_t code = -1;
    const std::string Fallback = " Unknown: Error File incomplete or not found";
};

TEST_F(ErrorsMsgFileRead, WrittenTargetFailureReadsBackWithTabAsThreeSpaces) {
    CreateErrMsgFile(3, TargetFailure.c_str(), (dir / "t").c_str());
    char out[1123];
    EXPECT_EQ(GetErrMsgFileData(out, mvErrMsgFileName), 3);
    EXPECT_STREQ(out, "Error trying to create target file.\n   Name:d/t.");
    EXPECT_FALSE(Exists(dir / "mvErrMsg.333"));
}

TEST_F(ErrorsMsgFileRead, MissingFileGivesZeroAndFallback) {
    char out[1123];
    EXPECT_EQ(GetErrMsgFileData(out, (dir / "t").c_str()), 0);
    EXPECT_EQ(std::string(out), Fallback);
}

TEST_F(ErrorsMsgFileRead, CodeLineDigits) {
    EXPECT_EQ(Read("123456789012\nText"), "Text");
    EXPECT_EQ(code, 12345678);
    EXPECT_EQ(Read("-42\nX"), "X");
    EXPECT_EQ(code, 42);
    EXPECT_EQ(Read("a1 b2\nX"), "X");
    EXPECT_EQ(code, 12);
    EXPECT_EQ(Read(std::string("12\0"
                               "34\nX",
                               7)),
              "X");
    EXPECT_EQ(code, 12);
    EXPECT_EQ(Read("x\nX"), "X");
    EXPECT_EQ(code, 0);
}

TEST_F(ErrorsMsgFileRead, LineEndsAfterCodeAndCarriageReturnsInText) {
    EXPECT_EQ(Read("7\r\n\r\n\nHello\r\nWorld\r\n"), "Hello\nWorld");
    EXPECT_EQ(code, 7);
    EXPECT_EQ(Read("7\rHi"), "Hi");
}

TEST_F(ErrorsMsgFileRead, TextCharacterRules) {
    EXPECT_EQ(Read("1\n\tabc"), "abc"); // a first character that is not printable is dropped
    EXPECT_EQ(Read("1\na\tb"), "a   b");
    EXPECT_EQ(Read(std::string("1\nab\0cd", 7)), "ab");
    EXPECT_EQ(Read("1\na\x01"
                   "b\x7f"
                   "c\xff"
                   "d"),
              "abcd");
    EXPECT_EQ(Read("1\nabc\n\n\n"), "abc");
}

TEST_F(ErrorsMsgFileRead, NoTextKeepsFallback) {
    EXPECT_EQ(Read("5\n"), Fallback);
    EXPECT_EQ(code, 5);
    EXPECT_EQ(Read("5"), Fallback);
    EXPECT_EQ(Read(""), Fallback);
    EXPECT_EQ(code, 0);
}

TEST_F(ErrorsMsgFileRead, AtMost1122Characters) {
    EXPECT_EQ(Read("1\n" + std::string(1200, 'x')), std::string(1122, 'x'));
    EXPECT_EQ(Read("1\n" + std::string(1120, 'x') + "\tyy"), std::string(1120, 'x') + "  ");
}

// ------------------------------------------------------------------ the report ---

class ErrorsReport : public ErrorsFixture {
  protected:
    void SetUp() override {
        ErrorsFixture::SetUp();
        ArgV[0] = prog;
        InitTran();
        InFileName = "in.pfs";
        OutFileName = "out.vnk";
    }
    // Runs the report in the temporary directory.
    drvtest::Captured Report() {
        drvtest::Captured c;
        drvtest::InDir(dir.path(), [&] { c = drvtest::Capture(ReportOutcome); });
        return c;
    }
    char prog[8] = "pfs2vnk";
};

TEST_F(ErrorsReport, SuccessOnStandardOutput) {
    auto c = Report();
    EXPECT_EQ(c.out, "pfs2vnk finished.\n");
    EXPECT_EQ(c.err, "");
}

TEST_F(ErrorsReport, KnownCodesOnStandardError) {
    const std::pair<int, const char*> cases[] = {
        {1, "program called with wrong number of arguments"},
        {2, "source file could not be opened to read"},
        {8, "source file type is not as specified; try a different type"},
        {9, "internal overflow; mail copy of source file to Varnokel"},
        {11, "you must delete the Morvane Error file before proceeding"},
        {18, "child terminated by signal without dumping core"},
        {22, "memory allocation failed"},
    };
    for (auto [code, text] : cases) {
        ErrType = code;
        auto c = Report();
        EXPECT_EQ(c.out, "");
        EXPECT_EQ(c.err,
                  "Morvane error " + std::to_string(code) + ": " + text + ".\npfs2vnk finished.\n");
    }
}

TEST_F(ErrorsReport, CodesWithoutTextAreUnknownType) {
    for (int code : {10, 12, 25, 26, 27, 28, 1000}) {
        ErrType = code;
        EXPECT_EQ(Report().err,
                  "Morvane error " + std::to_string(code) + ": unknown type.\npfs2vnk finished.\n");
    }
}

TEST_F(ErrorsReport, DetailedMessageReadBackAndDeleted) {
    CreateErrMsgFile(3, TargetFailure.c_str(), (dir / "d/t").c_str());
    EXPECT_EQ(Report().err, " Unknown: Error File incomplete or not found\npfs2vnk finished.\n");

    ResetErrors();
    mkdir((dir / "d").c_str(), 0755);
    CreateErrMsgFile(3, TargetFailure.c_str(), (dir / "d/t").c_str());
    auto c = Report();
    EXPECT_EQ(c.err, "Error trying to create target file.\n   Name:d/t.\npfs2vnk finished.\n");
    EXPECT_FALSE(Exists(dir / "d/mvErrMsg.333"));
}

TEST_F(ErrorsReport, AnyNonZeroDisplayLevelReportsOnConsole) {
    Display = -3;
    ErrType = 2;
    EXPECT_NE(Report().err, "");
}

TEST_F(ErrorsReport, SilentWithoutLockFlagLeavesNothingAndKeepsMessageFile) {
    Display = 0;
    CreateErrMsgFile(3, "detail", (dir / "t").c_str());
    auto c = Report();
    EXPECT_EQ(c.out + c.err, "");
    EXPECT_EQ(drvtest::ListDir(dir.path()), (std::set<std::string>{"mvErrMsg.333"}));
}

TEST_F(ErrorsReport, LockFileReplacedForOrdinaryError) {
    Display = 0;
    ErrLock = 1;
    WriteFile(dir / "Morvane.Error", "older report\n");
    ErrType = 2;
    auto c = Report();
    EXPECT_EQ(c.out + c.err, "");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating in.pfs to out.vnk,\n"
              "  (2) source file could not be opened to read.\n"
              "Delete this file before running Morvane again!\n\n");
}

TEST_F(ErrorsReport, LockFileNothingOnSuccess) {
    Display = 0;
    ErrLock = 1;
    Report();
    EXPECT_FALSE(Exists(dir / "Morvane.Error"));
}

TEST_F(ErrorsReport, LockFileWithDetailedMessage) {
    Display = 0;
    ErrLock = 1;
    CreateErrMsgFile(3, TargetFailure.c_str(), (dir / "t").c_str());
    Report();
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating in.pfs to out.vnk,\n"
              "Error trying to create target file.\n   Name:d/t.\n"
              "Delete this file before running Morvane again!\n\n");
    EXPECT_FALSE(Exists(dir / "mvErrMsg.333"));
}

TEST_F(ErrorsReport, LockFileUnknownCodeAndModuleKinds) {
    Display = 0;
    ErrLock = 1;
    ErrType = 26;
    TransType = 'O';
    Report();
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: output module pfs2vnk,\n"
              "  translating in.pfs to out.vnk,\n"
              "  (26) unknown type.\n"
              "Delete this file before running Morvane again!\n\n");
    TransType = 'C';
    ErrType = 99;
    Report();
    EXPECT_EQ(ReadFile(dir / "Morvane.Error").substr(0, 45),
              "Morvane Error: conversion module pfs2vnk,\n  t");
    EXPECT_NE(ReadFile(dir / "Morvane.Error").find("  (99) unknown type.\n"), std::string::npos);
}

TEST_F(ErrorsReport, LockRefusalAppendedBelowEarlierReport) {
    Display = 0;
    ErrLock = 1;
    ErrType = 11;
    WriteFile(dir / "Morvane.Error", "earlier\n");
    Report();
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), "earlier\n"
                                               "pfs2vnk did not translate file in.pfs.\n"
                                               "You really MUST delete this file, because\n"
                                               "Morvane will not translate anything else\n"
                                               "until you acknowledge this error report\n"
                                               "by cutting the file that contains it!\n\n");
}

TEST_F(ErrorsReport, LockRefusalOnlyForImportModules) {
    Display = 0;
    ErrLock = 1;
    ErrType = 11;
    TransType = 'O';
    WriteFile(dir / "Morvane.Error", "earlier\n");
    Report();
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), "earlier\n");
}

} // namespace
