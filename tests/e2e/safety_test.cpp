// Covers src/io/output.cpp (same file, unfinished target), src/common/error_file.cpp,
// src/driver/report.cpp, response_file.cpp and signals.cpp. The built program pointed at files
// someone else may have planted, and at names that lead back to the source: the source is never
// written over, planted links and FIFOs are neither followed nor waited on, a response file is read
// within bounds, names cannot add lines to the lock file, and a run ended by a signal or a failing
// pipe leaves no half-written stream.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/harness.h"
#include "support/program.h"

namespace {

using testfs::Exists;
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

// The user "nobody", whom a test running as root becomes in its child.
bool NobodyIds(uid_t* uid, gid_t* gid) {
    const passwd* pw = getpwnam("nobody");
    if (pw == nullptr)
        return false;
    *uid = pw->pw_uid;
    *gid = pw->pw_gid;
    return true;
}

// A run with what the common runner does not set up: standard input from a
// file, a file-size limit, another user, and a standard output that is read
// only up to a number of bytes and then closed, as `| head -c N` does.
struct Spawn {
    std::vector<std::string> args;
    std::string stdinFile = "/dev/null";
    long fileSizeLimit = -1; // bytes; -1 for none
    bool asNobody = false;
    size_t readOut = std::string::npos; // standard output bytes read before closing it
};

// A copy of the program in a folder of its own that every user may enter:
// a run as "nobody" cannot reach the build tree when the checkout lies in a
// folder only root may enter (as /root or a mktemp -d folder is).
class ReachableCopy {
  public:
    ReachableCopy() {
        chmod(dir_.path().c_str(), 0755);
        std::filesystem::copy_file(PFS2VNK_EXE, path());
        chmod(path().c_str(), 0755);
    }
    std::string path() const { return dir_ / "pfs2vnk"; }

  private:
    testfs::TempDir dir_;
};

struct Ended {
    int code = -1; // exit status, minus the signal, or -1000 when it did not end in time
    std::string out, err;
};

// Runs the program in dir; a run still going after 20 s is killed (a hang).
Ended RunAs(const std::string& dir, const Spawn& s) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        abort();
    std::vector<std::string> env;
    std::string asan = "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0";
    if (const char* a = getenv("ASAN_OPTIONS"))
        asan += std::string(":") + a;
    env.push_back(asan);
    for (const char* name : {"UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* v = getenv(name))
            env.push_back(std::string(name) + "=" + v);
    uid_t uid = 0;
    gid_t gid = 0;
    if (s.asNobody && !NobodyIds(&uid, &gid))
        abort();
    std::optional<ReachableCopy> copy;
    if (s.asNobody)
        copy.emplace();
    const std::string exe = copy ? copy->path() : PFS2VNK_EXE;
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(s.stdinFile.c_str(), O_RDONLY);
        if (in < 0 || chdir(dir.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in, out[0], out[1], err[0], err[1]})
            close(fd);
        signal(SIGPIPE, SIG_DFL); // as a shell leaves it
        struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (s.fileSizeLimit >= 0) {
            struct rlimit fsize = {(rlim_t)s.fileSizeLimit, (rlim_t)s.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &fsize);
        }
        if (s.asNobody && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        std::vector<char*> av{const_cast<char*>("pfs2vnk")}, ev;
        for (auto& a : s.args)
            av.push_back(const_cast<char*>(a.c_str()));
        for (auto& e : env)
            ev.push_back(const_cast<char*>(e.c_str()));
        av.push_back(nullptr);
        ev.push_back(nullptr);
        execve(exe.c_str(), av.data(), ev.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Ended e;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int fds[2] = {out[0], err[0]};
    std::string* texts[2] = {&e.out, &e.err};
    if (s.readOut == 0) {
        close(fds[0]);
        fds[0] = -1;
    }
    while ((fds[0] >= 0 || fds[1] >= 0) && std::chrono::steady_clock::now() < deadline) {
        pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        if (poll(p, 2, 200) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || p[i].revents == 0)
                continue;
            char buf[65536];
            size_t want = sizeof buf;
            if (i == 0 && s.readOut != std::string::npos)
                want = std::min(want, s.readOut - e.out.size());
            ssize_t n = read(fds[i], buf, want);
            if (n > 0)
                texts[i]->append(buf, (size_t)n);
            if (n <= 0 || (i == 0 && e.out.size() == s.readOut)) {
                close(fds[i]);
                fds[i] = -1;
            }
        }
    }
    for (int fd : fds)
        if (fd >= 0)
            close(fd);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            e.code = -1000;
            return e;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    e.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return e;
}

// What can be planted under a name: a link to a file, a dangling link, a
// FIFO, a second name of a file.
enum class Trap { Link, Dangling, Fifo, SecondName };
const Trap AllTraps[] = {Trap::Link, Trap::Dangling, Trap::Fifo, Trap::SecondName};

std::string TrapName(Trap t) {
    const char* names[] = {"link", "dangling link", "FIFO", "second name"};
    return names[(int)t];
}

// Plants trap at path: links point to victim by its name relative to path's
// directory (linkDir + "/victim"), a dangling one to "made" beside it.
// Returns 0 when done.
int Plant(Trap trap, const std::string& path, const std::string& linkDir,
          const std::string& victim) {
    switch (trap) {
    case Trap::Link:
        return symlink((linkDir + "/victim").c_str(), path.c_str());
    case Trap::Dangling:
        return symlink((linkDir + "/made").c_str(), path.c_str());
    case Trap::Fifo:
        return mkfifo(path.c_str(), 0666);
    case Trap::SecondName:
        return link(victim.c_str(), path.c_str());
    }
    return -1;
}

class Safety : public ::testing::Test {
  protected:
    void SetUp() override {
        oldPipe_ = signal(SIGPIPE, SIG_IGN);
        doc = PfsText("A letter worth keeping.\x01 \x01Yours,\x01\x0E");
        WriteFile(dir / "doc.pfs", doc);
    }
    void TearDown() override { signal(SIGPIPE, oldPipe_); }
    testfs::TempDir dir;
    std::string doc;
    sighandler_t oldPipe_ = SIG_DFL;
};

// A target that is the source under any name (itself, "./", a symbolic or a
// hard link, or standard input read from the file) is refused with 23 before
// anything is written: the source keeps its bytes and no name is removed.
// Another file with the same bytes is a different file and is written.
TEST_F(Safety, TargetThatIsTheSourceIsRefused) {
    ASSERT_EQ(symlink("doc.pfs", (dir / "soft.vnk").c_str()), 0);
    ASSERT_EQ(link((dir / "doc.pfs").c_str(), (dir / "hard.vnk").c_str()), 0);
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    const Names all = {"doc.pfs", "hard.vnk", "soft.vnk", "sub"};
    const struct {
        std::string src, dst, stdinFile;
    } cases[] = {{"doc.pfs", "doc.pfs", ""},        {"doc.pfs", "./doc.pfs", ""},
                 {"doc.pfs", "sub/../doc.pfs", ""}, {"doc.pfs", "soft.vnk", ""},
                 {"doc.pfs", "hard.vnk", ""},       {"soft.vnk", "hard.vnk", ""},
                 {"", "doc.pfs", "doc.pfs"},        {"", "soft.vnk", "doc.pfs"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.src + " -> " + c.dst);
        Spawn s{{c.src, c.dst, "1"}};
        if (!c.stdinFile.empty())
            s.stdinFile = dir / c.stdinFile;
        auto r = RunAs(dir.path(), s);
        EXPECT_EQ(r.code, 23);
        EXPECT_EQ(r.out, Translating(c.src, c.dst));
        EXPECT_EQ(r.err, Err23 + Finished);
        EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
        EXPECT_EQ(ListDir(dir.path()), all);
        EXPECT_EQ(ListDir(dir / "sub"), Names{});
    }
    // Silent with the lock flag, the refusal is the lock file's report.
    auto r = RunAs(dir.path(), Spawn{{"doc.pfs", "hard.vnk", "L"}});
    EXPECT_EQ(r.code, 23);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n  translating doc.pfs to hard.vnk,\n"
              "  (23) file overwrite; change target filename and try again.\n"
              "Delete this file before running Morvane again!\n\n");
    unlink((dir / "Morvane.Error").c_str());

    WriteFile(dir / "copy.vnk", doc);
    r = RunAs(dir.path(), Spawn{{"", "copy.vnk", "0"}, dir / "doc.pfs"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
    EXPECT_GT(FileSize(dir / "copy.vnk"), 85);

    // A source the user may read but not write is still the source (23),
    // not a target that cannot be created (24); as root the run becomes "nobody".
    uid_t uid;
    gid_t gid;
    const bool root = geteuid() == 0;
    if (root && !NobodyIds(&uid, &gid))
        GTEST_SKIP() << "running as root and there is no user \"nobody\" to become";
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "doc.pfs").c_str(), 0444), 0);
    Spawn s{{"doc.pfs", "doc.pfs", "1"}};
    s.asNobody = root;
    r = RunAs(dir.path(), s);
    EXPECT_EQ(r.code, 23);
    EXPECT_EQ(r.err, Err23 + Finished);
    EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
}

// A target that exists already is replaced whole: an older, longer file
// under its name keeps none of its bytes past the end of the new stream.
TEST_F(Safety, AnOlderLongerTargetIsReplacedWhole) {
    const std::string stream = testprog::TranslateBytes(doc);
    WriteFile(dir / "out.vnk", std::string(stream.size() + 5000, 'z'));
    auto r = RunAs(dir.path(), Spawn{{"doc.pfs", "out.vnk", "0"}});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(ReadFile(dir / "out.vnk"), stream);
}

// "mvErrMsg.333" planted beside a target that cannot be created: a link to
// another file, a dangling link, a FIFO and a file with a second name are not
// written, read, waited on or removed; the report gives the fallback text.
TEST_F(Safety, PlantedMessageFileIsLeftAlone) {
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "d/t").c_str(), 0755), 0); // the target is a directory
    WriteFile(dir / "victim", std::string("precious\n"));
    const std::string msg = dir / "d/mvErrMsg.333";
    for (Trap trap : AllTraps) {
        for (const std::string display : {"1", "0", "L"}) {
            SCOPED_TRACE(TrapName(trap) + " at " + display);
            unlink(msg.c_str());
            unlink((dir / "Morvane.Error").c_str());
            ASSERT_EQ(Plant(trap, msg, "..", dir / "victim"), 0);
            auto r = RunAs(dir.path(), Spawn{{"doc.pfs", "d/t", display}});
            EXPECT_EQ(r.code, 24);
            EXPECT_EQ(r.err, display == "1" ? NoErrFile + Finished : "");
            EXPECT_EQ(ReadFile(dir / "victim"), "precious\n");
            EXPECT_FALSE(Exists(dir / "made"));
            EXPECT_TRUE(Exists(msg)) << "the planted file was removed";
            if (display == "L") {
                EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
                          "Morvane Error: input module pfs2vnk,\n  translating doc.pfs to d/t,\n" +
                              NoErrFile + "Delete this file before running Morvane again!\n\n");
            }
        }
    }
}

// A message file left by an earlier run is not this run's report: when the
// run cannot write its own (a second name on the old one; a directory the user
// may not write in), the fallback text is shown and the old file stays.
TEST_F(Safety, StaleMessageFileIsNotReported) {
    const std::string stale = "0\nAll went well.\n";
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "d/t").c_str(), 0755), 0);
    WriteFile(dir / "d/mvErrMsg.333", stale);
    ASSERT_EQ(link((dir / "d/mvErrMsg.333").c_str(), (dir / "d/other").c_str()), 0);
    auto r = RunAs(dir.path(), Spawn{{"doc.pfs", "d/t", "1"}});
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.err, NoErrFile + Finished);
    EXPECT_EQ(ReadFile(dir / "d/mvErrMsg.333"), stale);
    unlink((dir / "d/other").c_str());

    // The same in a directory closed to the user; as root the run becomes "nobody".
    uid_t uid;
    gid_t gid;
    const bool root = geteuid() == 0;
    if (root && !NobodyIds(&uid, &gid))
        GTEST_SKIP() << "running as root and there is no user \"nobody\" to become";
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "doc.pfs").c_str(), 0644), 0);
    ASSERT_EQ(chmod((dir / "d").c_str(), 0555), 0);
    Spawn s{{"doc.pfs", "d/t", "1"}};
    s.asNobody = root;
    r = RunAs(dir.path(), s);
    chmod((dir / "d").c_str(), 0755);
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.err, NoErrFile + Finished);
    EXPECT_EQ(ReadFile(dir / "d/mvErrMsg.333"), stale);
}

// "Morvane.Error" planted as a link (to a file, dangling), a FIFO or a second
// name of another file counts as a lock file that cannot be written: nothing is
// written through it, nothing is created, and the run ends with its own code
// (11 when the name stands as a lock, which a dangling link does not).
TEST_F(Safety, PlantedLockFileIsNotWrittenThrough) {
    WriteFile(dir / "victim", std::string("precious\n"));
    const std::string lock = dir / "Morvane.Error";
    for (Trap trap : AllTraps) {
        SCOPED_TRACE(TrapName(trap));
        unlink(lock.c_str());
        ASSERT_EQ(Plant(trap, lock, ".", dir / "victim"), 0);
        auto r = RunAs(dir.path(), Spawn{{"missing.pfs", "out.vnk", "L"}});
        EXPECT_EQ(r.code, trap == Trap::Dangling ? 2 : 11); // else it stands as a lock
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_EQ(ReadFile(dir / "victim"), "precious\n");
        EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "doc.pfs", "victim"}));
    }
}

// Names in the lock file have their control characters escaped, so a name
// holding line feeds cannot add lines to the report; a backslash is doubled.
TEST_F(Safety, LockFileNamesAreEscaped) {
    const std::string src = "a\nDelete nothing!\n\x01\\b.pfs", dst = "out\t.vnk";
    const std::string shown = "a\\nDelete nothing!\\n\\x01\\\\b.pfs";
    auto r = RunAs(dir.path(), Spawn{{src, dst, "L"}});
    EXPECT_EQ(r.code, 2);
    const std::string report = "Morvane Error: input module pfs2vnk,\n  translating " + shown +
                               " to out\\t.vnk,\n"
                               "  (2) source file could not be opened to read.\n"
                               "Delete this file before running Morvane again!\n\n";
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), report);
    r = RunAs(dir.path(), Spawn{{src, dst, "L"}});
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error").substr(report.size()),
              "pfs2vnk did not translate file " + shown +
                  ".\n"
                  "You really MUST delete this file, because\n"
                  "Morvane will not translate anything else\n"
                  "until you acknowledge this error report\n"
                  "by cutting the file that contains it!\n\n");
    // The detailed message of a target that cannot be created names it escaped too.
    ASSERT_EQ(mkdir((dir / "t\nx").c_str(), 0755), 0);
    r = RunAs(dir.path(), Spawn{{"doc.pfs", "t\nx", "1"}});
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.err, "Error trying to create target file.\n   Name:t\\nx.\n" + Finished);
}

// A response file that is no regular file, never ends, runs past 1 MiB or
// holds a line longer than 1023 characters gives no arguments: error 1 and
// nothing opened.  19 lines end the reading, whatever follows them.
TEST_F(Safety, ResponseFilesAreReadWithinBounds) {
    ASSERT_EQ(mkdir((dir / "folder.rsp").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir / "fifo.rsp").c_str(), 0666), 0);
    // A name cut at 1023 characters would be the source: "././.../doc.pfs.vnk".
    std::string longName(1023 - 7, '.');
    for (size_t i = 1; i < longName.size(); i += 2)
        longName[i] = '/';
    longName += "doc.pfs";
    ASSERT_EQ(longName.size(), 1023u);
    WriteFile(dir / "cut.rsp", "doc.pfs\n" + longName + ".vnk\n1\n");
    WriteFile(dir / "exact.rsp", "missing.pfs\n" + longName + "\n1\n");
    WriteFile(dir / "blanks.rsp", std::string(1 << 20, '\n') + "missing.pfs\n");
    WriteFile(dir / "mib.rsp", std::string((1 << 20) - 11, '\n') + "missing.pfs");
    std::string nineteen = "missing.pfs\nout.vnk\n1\n";
    for (int i = 4; i <= 19; ++i)
        nineteen += "x\n";
    WriteFile(dir / "more.rsp", nineteen + std::string(3 << 20, 'y'));
    const Names before = ListDir(dir.path());
    const struct {
        std::string arg;
        int code;
    } cases[] = {{"@/dev/zero", 1},  {"@folder.rsp", 1}, {"@fifo.rsp", 1}, {"@cut.rsp", 1},
                 {"@blanks.rsp", 1}, {"@exact.rsp", 2},  {"@mib.rsp", 2},  {"@more.rsp", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg);
        auto r = RunAs(dir.path(), Spawn{{c.arg}});
        EXPECT_EQ(r.code, c.code);
        if (c.code == 1) {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, Err1 + Finished);
        }
        EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
        EXPECT_EQ(ListDir(dir.path()), before);
    }
}

// A target pipe closed early, and a file-size limit, make the writes fail:
// error 5 and its report, not death by SIGPIPE or SIGXFSZ.  The partial target
// of a failed write stays; the exit status tells it apart.  A console pipe
// closed early loses the console lines only.
TEST_F(Safety, FailingWritesEndWithError5) {
    WriteFile(dir / "long.pfs", LongPfs(400000));
    Spawn head{{"long.pfs", "", "0"}};
    head.readOut = 10;
    auto r = RunAs(dir.path(), head);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.out.size(), 10u);
    EXPECT_EQ(r.err, "");

    Spawn limited{{"long.pfs", "out.vnk", "1"}};
    limited.fileSizeLimit = 65536;
    r = RunAs(dir.path(), limited);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.err, Err5 + Finished);
    EXPECT_EQ(FileSize(dir / "out.vnk"), 65536);

    Spawn noConsole{{"long.pfs", "whole.vnk", "1"}};
    noConsole.readOut = 0;
    r = RunAs(dir.path(), noConsole);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_GT(FileSize(dir / "whole.vnk"), 400000);
}

// A run stopped (SIGTERM, SIGINT, SIGHUP) or ended by a fault in the middle of
// a translation leaves no target: its half-written stream would read as a
// finished one.  Reached through a link, the file is emptied and the link
// stays.  The source comes through a pipe held open, so the run is surely
// under way when the signal comes.
TEST_F(Safety, StoppedRunLeavesNoTarget) {
    // Input and output move in 256 KiB blocks: feed enough for the first
    // blocks of the target to be written while the pipe stays open.
    const std::string longDoc = LongPfs(1200000);
    const struct {
        int sig, code;
        bool throughLink;
    } cases[] = {{SIGTERM, 18, false},
                 {SIGINT, 18, false},
                 {SIGHUP, 18, false},
                 {SIGSEGV, 9, false},
                 {SIGTERM, 18, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sig) + (c.throughLink ? " through a link" : ""));
        unlink((dir / "out.vnk").c_str());
        unlink((dir / "real.vnk").c_str());
        if (c.throughLink) {
            ASSERT_EQ(symlink("real.vnk", (dir / "out.vnk").c_str()), 0);
        }
        const std::string written = c.throughLink ? "real.vnk" : "out.vnk";
        testprog::Program p(dir.path(), {"", "out.vnk", "0"});
        ASSERT_TRUE(p.Feed(longDoc.substr(0, 900000)));
        for (int i = 0; i < 1000 && FileSize(dir / written) <= 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(FileSize(dir / written), 0) << "the translation did not get under way";
        p.Signal(c.sig);
        int st = p.Finish();
        EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st), c.code);
        EXPECT_EQ(p.out() + p.err(), "");
        if (c.throughLink) {
            EXPECT_EQ(FileSize(dir / "real.vnk"), 0);
            EXPECT_TRUE(Exists(dir / "out.vnk"));
        } else {
            EXPECT_FALSE(Exists(dir / "out.vnk"));
        }
        EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
    }
}

} // namespace
