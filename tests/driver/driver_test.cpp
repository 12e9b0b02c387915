// Covers src/driver/startup.cpp, response_file.cpp, services.cpp, report.cpp,
// src/common/error_file.cpp. The driver in process: the arguments (command line or response file),
// the directories and positional arguments, the services, the error message file (writer and
// reader) and the end-of-run report on the console and in the lock file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/paths.h"
#include "common/run_settings.h"
#include "driver/report.h"
#include "driver/response_file.h"
#include "driver/services.h"
#include "driver/startup.h"
#include "support/files.h"

namespace {

using Args = std::vector<std::string>;

// Sets (or with null removes) an environment variable for one scope.
struct EnvVar {
    EnvVar(const char* n, const char* v) : name(n), had(getenv(n)), old(had ? getenv(n) : "") {
        v ? setenv(n, v, 1) : unsetenv(n);
    }
    ~EnvVar() { had ? setenv(name, old.c_str(), 1) : unsetenv(name); }
    const char* name;
    bool had;
    std::string old;
};

class Startup : public ::testing::Test {
  protected:
    void TearDown() override {
        ResetStartup();
        ResetRunSettings();
    }
    // Takes args (entry 0 the program; they live as long as the test) and
    // applies them, in StartUp's order; the directories only when asked.
    void Apply(Args args, bool dirs = false) {
        ResetStartup();
        ResetRunSettings();
        store = std::move(args);
        ptrs.clear();
        for (auto& a : store)
            ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        ASSERT_EQ(TakeArgs((int)store.size(), ptrs.data()), 0);
        if (dirs)
            SetDirectories();
        ApplyArgs();
    }
    // The entries a response file holding text gives.
    Args Lines(const std::string& text) {
        ResetStartup();
        ResetRunSettings();
        testfs::WriteFile(dir / "r", text);
        EXPECT_EQ(TakeResponseFile("prog", (dir / "r").c_str()), 0);
        return Args(ArgV + 1, ArgV + ArgC);
    }
    Args store;
    std::vector<char*> ptrs;
    testfs::TempDir dir;
};

// One entry per line: leading blanks and quotes, trailing spaces and quotes
// dropped; a line may hold 1023 characters; at most 19 lines.  The copies are freed.
TEST_F(Startup, ResponseFileLines) {
    std::string many;
    Args first19;
    for (int i = 1; i <= 25; ++i) {
        many += "arg" + std::to_string(i) + "\n";
        if (i <= 19)
            first19.push_back("arg" + std::to_string(i));
    }
    const std::string a1023(1023, 'a'), c1023(1023, 'c');
    const std::pair<std::string, Args> cases[] = {
        {"  in.pfs\r\n\r\n\r\n\t out.vnk\r\n \r\n1\r\n", {"in.pfs", "out.vnk", "1"}},
        {"  \" my doc.pfs\"  \n", {"my doc.pfs"}},
        {"\"\"  \"x\" \"\" \n", {"x"}},
        {"a\"b\t\nc \t \n", {"a\"b\t", "c \t"}},
        {"one\ntwo", {"one", "two"}},
        {"one\rtwo  \"", {"one", "two"}},
        {"", {}},
        {" \r\n\t\v\f\"\n\n", {}},
        {a1023 + "\nnext\n" + c1023, {a1023, "next", c1023}},
        {many, first19}};
    for (const auto& [text, want] : cases)
        EXPECT_EQ(Lines(text), want) << text.substr(0, 40);
    EXPECT_EQ(ArgC, 20);
    CleanCmdLine();
    for (char* a : ArgV)
        EXPECT_EQ(a, nullptr);
}

// mvPath is the program's directory; MvTempDir comes from TMPDIR (1023
// characters at most), which is then left defined and empty, or from position 6
// when it is given and not empty.
TEST_F(Startup, Directories) {
    const std::string longProg = std::string(1500, 'p') + "/x", longTmp(2000, 't');
    const struct {
        Args args;
        const char* tmp;
        std::string wantPath, wantTmp;
    } cases[] = {{{"/opt/mv/bin/pfs2vnk"}, "/some/tmp", "/opt/mv/bin/", "/some/tmp"},
                 {{"vol:pfs2vnk"}, nullptr, "vol:", ""},
                 {{"pfs2vnk"}, longTmp.c_str(), "", longTmp.substr(0, 1023)},
                 {{longProg}, nullptr, "", ""}, // the slash lies beyond 1023 characters
                 {{"p", "a", "b", "1", "x", "y", ""}, "/env", "", "/env"},
                 {{"p", "a", "b", "1", "x", "y"}, "/env", "", "/env"},
                 {{"p", "a", "b", "1", "x", "y", "/given", "/later"}, "/env", "", "/given"}};
    for (const auto& c : cases) {
        EnvVar tmp("TMPDIR", c.tmp);
        Apply(c.args, true);
        SCOPED_TRACE(c.args[0].substr(0, 20) + " " + std::to_string(c.args.size()));
        EXPECT_EQ(std::string(mvPath), c.wantPath);
        EXPECT_EQ(std::string(MvTempDir), c.wantTmp);
        EXPECT_STREQ(getenv("TMPDIR"), "");
    }
}

// Position 3 is read as a decimal; a leading l or L sets the lock flag; MVDEBUG
// replaces only a level of 0.
TEST_F(Startup, DisplayLevelAndLockFlag) {
    const struct {
        const char* arg; // null: no position 3
        const char* debug;
        int display, lock;
    } cases[] = {
        {"2", nullptr, 2, 0},   {"  +3x", nullptr, 3, 0}, {"-1", nullptr, -1, 0},
        {"abc", nullptr, 0, 0}, {"", nullptr, 0, 0},      {"99999999999", nullptr, INT32_MAX, 0},
        {"L", nullptr, 0, 1},   {"l7", nullptr, 0, 1},    {" L", nullptr, 0, 0},
        {"L", "1", 1, 1},       {"3", "0", 3, 0},         {"0", " 4", 4, 0},
        {nullptr, "5", 1, 0}};
    for (const auto& c : cases) {
        EnvVar dbg("MVDEBUG", c.debug);
        Apply(c.arg ? Args{"prog", "a", "b", c.arg} : Args{"prog", "a", "b"});
        EXPECT_EQ(Display, c.display) << (c.arg ? c.arg : "-") << " " << (c.debug ? c.debug : "-");
        EXPECT_EQ(ErrLock, c.lock) << (c.arg ? c.arg : "-");
    }
}

// Unique "mvtmp" files in MvTempDir when it is a usable directory, else in the
// system's; a delete without a name leaves the file and its open stream alone.
// Directory parts of paths; no block of size 0.
TEST_F(Startup, ServicesTempFilesPathsAndMalloc) {
    const std::string sys = P_tmpdir; // "/tmp"
    testfs::WriteFile(dir / "plainfile", std::string("x"));
    const std::string tmps[] = {dir.path() + "/", "", dir / "missing", dir / "plainfile"};
    for (const std::string& tmp : tmps) {
        const std::string want = &tmp == tmps ? dir.path() : sys;
        snprintf(MvTempDir, sizeof MvTempDir, "%s", tmp.c_str());
        char a[TempNameSize], b[TempNameSize];
        FILE* fa = CreateTempFile(a);
        FILE* fb = CreateTempFile(b);
        ASSERT_TRUE(fa && fb) << tmp;
        EXPECT_STRNE(a, b);
        EXPECT_EQ(std::string(a).rfind(want + "/mvtmp", 0), 0u) << a;
        DeleteTempFile(fa, "");
        EXPECT_TRUE(fputs("abc", fa) >= 0 && fflush(fa) == 0);
        EXPECT_EQ(testfs::ReadFile(a), "abc");
        DeleteTempFile(fa, a);
        fclose(fb);
        DeleteTempFile(nullptr, b); // a closed stream is passed as null
        EXPECT_FALSE(testfs::Exists(a) || testfs::Exists(b)) << tmp;
    }
    // Directory parts: behind the last '/', else the last ':', within maxChars
    // and the output's room.
    const struct {
        const char* path;
        size_t maxChars, outSize;
        const char* want;
    } parts[] = {{"a:b/c:d", 1023, 32, "a:b/"},   {"vol:x:prog", 1023, 32, "vol:x:"},
                 {"prog", 1023, 32, ""},          {nullptr, 1023, 32, ""},
                 {"ab/cd/ef", 4, 8, "ab/"},       {"abcdefghij/k", 1023, 8, ""},
                 {"abc/defgh/k", 1023, 8, "abc/"}};
    for (const auto& c : parts) {
        std::vector<char> out(c.outSize, 'z');
        GetDirPart(out.data(), out.size(), c.path, c.maxChars);
        EXPECT_STREQ(out.data(), c.want) << (c.path ? c.path : "null");
    }
    // The target's directory: only '/' separates, and 1023 characters are looked at.
    const std::string longName = std::string(1500, 'a') + "/f", longDir = "d/" + longName;
    const char* targets[] = {"/data/out/doc.txt", "vol:doc.txt", nullptr, longName.c_str(),
                             longDir.c_str()};
    const char* wants[] = {"/data/out/", "", "", "", "d/"};
    char buf[1024];
    for (int i = 0; i < 5; ++i) {
        OutFileName = targets[i];
        MvGetTargetPath(buf);
        EXPECT_STREQ(buf, wants[i]) << i;
    }
    EXPECT_EQ(GetMalloc(0), nullptr);
}

using testfs::ListDir;
using testfs::ReadFile;
using Names = testfs::Names;

const std::string Fin = "pfs2vnk finished.\n";
const std::string Fallback = " Unknown: Error File incomplete or not found";

// What the report prints: standard output, "|", standard error (through files
// in the current directory).
std::string Report() {
    fflush(nullptr);
    int saved[2] = {dup(1), dup(2)};
    for (int fd : {1, 2}) {
        int f = open(fd == 1 ? "stdout" : "stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(f, fd);
        close(f);
    }
    ReportOutcome();
    fflush(nullptr);
    for (int fd : {1, 2}) {
        dup2(saved[fd - 1], fd);
        close(saved[fd - 1]);
    }
    return ReadFile("stdout") + "|" + ReadFile("stderr");
}

class Errors : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        ArgV[0] = prog_;
        InFileName = "in.pfs";
        OutFileName = "out.vnk";
    }
    void TearDown() override {
        EXPECT_EQ(chdir(old_), 0);
        ResetStartup();
        ResetRunSettings();
        ResetErrorCode();
        ResetErrorFile();
    }
    testfs::TempDir dir;
    char old_[4096];
    char prog_[8] = "pfs2vnk";
};

// Written beside the path (directory by '/', else ':', else the current one):
// the code line and at most 1124 characters.  The first failure keeps its
// message and sets 24; a code already set writes nothing; a message with code
// 0 waits for the end-of-run call, which makes it 24 only if nothing else failed.
TEST_F(Errors, MessageFileWriter) {
    const std::string target = "Error trying to create target file.\n\tName:d/t.\n";
    const std::string m1200(1200, 'm'), m1124(1124, 'm');
    const struct {
        int errBefore;
        std::vector<std::pair<int, std::string>> msgs;
        int errAtEnd; // set before the end-of-run call unless 0
        const char *path, *file;
        std::string content; // empty: no file
        int errAfter;
    } cases[] = {{0, {{3, target}}, 0, "t", "mvErrMsg.333", "3\n" + target, 24},
                 {0, {{0, "a"}}, 0, "vol:sub:name", "vol:sub:mvErrMsg.333", "0\na", 24},
                 {0, {{3, "x"}}, 0, "missing/t", "missing/mvErrMsg.333", "", 24},
                 {0, {{-7, ""}}, 0, "t", "mvErrMsg.333", "-7\nError Message Unknown", 24},
                 {0, {{5, m1200}}, 0, "t", "mvErrMsg.333", "5\n" + m1124, 24},
                 {0, {{3, "first"}, {5, "second"}}, 0, "t", "mvErrMsg.333", "3\nfirst", 24},
                 {0, {{0, "deferred"}, {4, "real"}}, 0, "t", "mvErrMsg.333", "4\nreal", 24},
                 {2, {{3, "late"}}, 0, "t", "", "", 2},
                 {0, {{0, "later"}}, 5, "t", "mvErrMsg.333", "0\nlater", 5},
                 {0, {}, 0, "t", "", "", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.msgs.empty() ? "" : " " + c.msgs[0].second.substr(0, 9)));
        ResetErrorCode();
        ResetErrorFile();
        ErrType = c.errBefore;
        for (const auto& [code, msg] : c.msgs)
            CreateErrMsgFile(code, msg.c_str(), c.path);
        if (c.errAtEnd != 0)
            ErrType = c.errAtEnd;
        CreateErrMsgFile(0, nullptr, nullptr);
        EXPECT_EQ(ErrType, c.errAfter);
        EXPECT_STREQ(mvErrMsgFileName, c.file);
        EXPECT_EQ(ReadFile(c.file), c.content);
        remove(c.file);
        EXPECT_EQ(ListDir("."), Names{});
    }
}

// The code from the first 8 digits of the first line; the text after the line
// ends: printable characters and line feeds, a tab as 3 spaces, a first
// unprintable character dropped, up to a NUL or 1122 characters, trailing line
// feeds dropped.  The file is deleted; without text the fallback stays.
TEST_F(Errors, MessageFileReader) {
    const std::string x1120(1120, 'x');
    const struct {
        std::string content, text;
        int code;
    } cases[] = {{"-123456789012\nText", "Text", 12345678},
                 {"a1 b2\nX", "X", 12},
                 {std::string("12\00034\nX", 7), "X", 12},
                 {"x\nX", "X", 0},
                 {"7\r\r\n\r\n\nHello\r\nWorld\r\n", "Hello\nWorld", 7},
                 {"1\n\tabc", "abc", 1},
                 {"1\na\tb", "a   b", 1},
                 {std::string("1\nab\0cd", 7), "ab", 1},
                 {"1\na\001b\177c\377d", "abcd", 1},
                 {"1\nabc\n\n\n", "abc", 1},
                 {"5\n", Fallback, 5},
                 {"", Fallback, 0},
                 {"1\n" + x1120 + "xxxxxx", x1120 + "xx", 1},
                 {"1\n" + x1120 + "\tyy", x1120 + "  ", 1}};
    char out[1123];
    for (const auto& c : cases) {
        testfs::WriteFile("mvErrMsg.333", c.content);
        EXPECT_EQ(GetErrMsgFileData(out, "any.name"), c.code) << c.content.substr(0, 30);
        EXPECT_EQ(std::string(out), c.text) << c.content.substr(0, 30);
        EXPECT_EQ(ListDir("."), Names{});
    }
    EXPECT_EQ(GetErrMsgFileData(out, "t"), 0);
    EXPECT_EQ(std::string(out), Fallback);
}

// On the console at any level but 0: success on standard output, a failure on
// standard error by its text, or as "unknown type" for a code without one.
// Silent with the lock flag, a failure replaces the lock file with a report of
// the run; error 11 of an input module instead appends its refusal below it.
TEST_F(Errors, Report) {
    auto report = [](const char* kind, const char* line) {
        return std::string("Morvane Error: ") + kind + " module pfs2vnk,\n" +
               "  translating in.pfs to out.vnk,\n" + line +
               "Delete this file before running Morvane again!\n\n";
    };
    const std::string E = "earlier\n";
    const struct {
        int display, lock;
        char trans;
        int code;
        std::string printed, lockFile;
    } cases[] = {
        {1, 1, 'I', 0, Fin + "|", E},
        {1, 0, 'I', 9,
         "|Morvane error 9: internal overflow; mail copy of source file to Varnokel.\n" + Fin, E},
        {-3, 1, 'I', 22, "|Morvane error 22: memory allocation failed.\n" + Fin, E},
        {0, 0, 'I', 2, "|", E},
        {0, 1, 'I', 0, "|", E},
        {0, 1, 'I', 2, "|", report("input", "  (2) source file could not be opened to read.\n")},
        {0, 1, 'O', 26, "|", report("output", "  (26) unknown type.\n")},
        {0, 1, 'O', 11, "|", E}};
    for (const auto& c : cases) {
        testfs::WriteFile("Morvane.Error", E);
        Display = c.display;
        ErrLock = c.lock;
        TransType = c.trans;
        ErrType = c.code;
        EXPECT_EQ(Report(), c.printed) << &c - cases;
        EXPECT_EQ(ReadFile("Morvane.Error"), c.lockFile) << &c - cases;
    }
    Display = 1;
    for (int code : {10, 12, 25, 26, 27, 28, 1000}) {
        ErrType = code;
        EXPECT_EQ(Report(), "|Morvane error " + std::to_string(code) + ": unknown type.\n" + Fin);
    }
}

} // namespace
