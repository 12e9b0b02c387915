// Covers tools/vnkdump/output_file.cpp and the --odt and -o paths of main.cpp.
// vnkdump as a program: -o OUT for every mode (written beside OUT and renamed
// into place, never over the input), and --odt, which refuses a terminal.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/files.h"
#include "support/harness.h"

namespace {

struct Ran {
    int code;
    std::string out, err;
};

Ran Shell(const testfs::TempDir& dir, const std::string& args) {
    const std::string command = "cd " + dir.path() + " && '" VNKDUMP_EXE "' " + args + " >" +
                                dir / ".out" + " 2>" + dir / ".err";
    const int raw = std::system(command.c_str());
    Ran r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testfs::ReadFile(dir / ".out"),
          testfs::ReadFile(dir / ".err")};
    unlink((dir / ".out").c_str());
    unlink((dir / ".err").c_str());
    return r;
}

// The names in the directory (the captured streams left out).
testfs::Names Files(const testfs::TempDir& dir) {
    return testfs::ListDir(dir.path());
}

const Bytes Stream = RecB(0xF0, 10) + RecB(vnk::Style, 2) + P + B("Hi") + CR;

// Every mode writes to OUT exactly what it prints, and leaves nothing else.
TEST(VnkdumpOutput, EveryModeWritesToOutWhatItPrints) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.vnk", Stream);
    testfs::WriteFile(dir / "cut.vnk", Stream + Bytes{0x00, 0x65});
    std::vector<std::string> modes = {"", "--stats", "--text", "--html"};
#ifdef RENDER_HAVE_ODT
    modes.push_back("--odt");
#endif
    for (const std::string& mode : modes) {
        for (const std::string in : {"in.vnk", "cut.vnk"}) {
            const Ran printed = Shell(dir, mode + " " + in);
            const Ran written = Shell(dir, mode + " -o out " + in);
            EXPECT_EQ(written.code, in == "in.vnk" ? 0 : 1) << mode << " " << in;
            EXPECT_EQ(written.code, printed.code) << mode;
            EXPECT_EQ(written.out, "") << mode;
            EXPECT_EQ(written.err, printed.err) << mode;
            EXPECT_EQ(testfs::ReadFile(dir / "out"), printed.out) << mode << " " << in;
            EXPECT_EQ(Files(dir), (testfs::Names{"cut.vnk", "in.vnk", "out"})) << mode;
            unlink((dir / "out").c_str());
        }
    }
}

// OUT is replaced as a whole: a link there is replaced, not followed; the
// input is never written over; a failed rendering or a missing folder
// leaves OUT as it was and nothing beside it.
TEST(VnkdumpOutput, OutIsReplacedWholeOrLeftAlone) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.vnk", Stream);
    testfs::WriteFile(dir / "other", std::string("keep"));
    ASSERT_EQ(symlink("other", (dir / "link").c_str()), 0);
    EXPECT_EQ(Shell(dir, "--text -o link in.vnk").code, 0);
    EXPECT_EQ(testfs::ReadFile(dir / "link"), "Hi\n");
    EXPECT_EQ(testfs::ReadFile(dir / "other"), "keep") << "the link's target is left alone";

    for (const std::string args :
         {"--text -o in.vnk in.vnk", "--text -o ./in.vnk - <in.vnk", "-o in.vnk in.vnk"}) {
        const Ran r = Shell(dir, args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
        EXPECT_EQ(testfs::ReadFile(dir / "in.vnk"), std::string(Stream.begin(), Stream.end()));
    }
    Ran r = Shell(dir, "--text --codepage NO-SUCH -o other in.vnk");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(testfs::ReadFile(dir / "other"), "keep");
    r = Shell(dir, "--text -o missing/out in.vnk");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("missing/out"), std::string::npos) << r.err;
    EXPECT_EQ(Files(dir), (testfs::Names{"in.vnk", "link", "other"}));
    EXPECT_EQ(Shell(dir, "--text -o '' in.vnk").code, 2);
    EXPECT_EQ(Shell(dir, "--text in.vnk -o").code, 2);
}

#ifdef RENDER_HAVE_ODT
// The package on a terminal would be noise: refused, saying what to do.
TEST(VnkdumpOutput, OdtRefusesATerminal) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.vnk", Stream);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string tty = ptsname(master);
    const std::string command =
        "'" VNKDUMP_EXE "' --odt " + dir / "in.vnk" + " >" + tty + " 2>" + dir / "err";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    EXPECT_NE(testfs::ReadFile(dir / "err").find("use -o"), std::string::npos);
    // With -o the terminal does not matter; the package starts with its mimetype, stored.
    const int written = std::system(
        ("'" VNKDUMP_EXE "' --odt --codepage CP850 -o " + dir / "in.odt " + dir / "in.vnk >" + tty)
            .c_str());
    close(master);
    EXPECT_EQ(WIFEXITED(written) ? WEXITSTATUS(written) : -1, 0);
    const std::string package = testfs::ReadFile(dir / "in.odt");
    ASSERT_GT(package.size(), 100u);
    EXPECT_EQ(package.substr(0, 4), "PK\x03\x04");
    EXPECT_EQ(package.substr(30, 47), "mimetypeapplication/vnd.oasis.opendocument.text");
}
#else
TEST(VnkdumpOutput, OdtSaysWhatToInstallInABuildWithoutIt) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.vnk", Stream);
    const Ran r = Shell(dir, "--odt -o out in.vnk");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("libodfgen-dev"), std::string::npos) << r.err;
}
#endif

} // namespace
