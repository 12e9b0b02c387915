// Faults tried for real on the built program: sources that are not files or
// not documents, targets that cannot take the stream, the standard streams
// as source and target, signals in the middle of a translation, and a
// standing error lock.  Each case runs in a fresh directory and checks the
// exit status, what is printed, and which files are left.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Names = std::set<std::string>;

const std::string Finished = "pfs2vnk finished.\n";

std::string Translating(const std::string& in, const std::string& out) {
    return "\nTranslating from " + in + " to " + out + ".\n";
}

// ------------------------------------------------------------------ files ---

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/pfs2vnk-faults-XXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            abort();
        path_ = tmpl;
    }
    ~TempDir() { RemoveTree(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    static void RemoveTree(const std::string& p) {
        if (DIR* d = opendir(p.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..")
                    continue;
                std::string full = p + "/" + n;
                struct stat st;
                if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                    RemoveTree(full);
                else
                    unlink(full.c_str());
            }
            closedir(d);
        }
        rmdir(p.c_str());
    }
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
}

std::string ReadFile(const std::string& path) {
    std::string s;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[8192];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        fclose(f);
    }
    return s;
}

Names ListDir(const std::string& path) {
    Names names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.insert(n);
        }
        closedir(d);
    }
    return names;
}

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

// ------------------------------------------------------------- documents ---

// A PFS header with the signature and an ordinary page, then the body.
std::string Pfs(const std::string& body) {
    std::string doc(1025, '\0');
    doc[0] = 66;
    doc[2] = 6;
    doc[4] = 6;
    doc[10] = 10;
    doc[12] = 75;
    doc.replace(641, 3, "TYP");
    return doc + body;
}

// A long document: paragraphs of a few lines with indents, tabs, enhanced
// words and commands, about size bytes, closed by the end-of-text byte.
std::string LongPfs(size_t size) {
    std::string body = "Title\x01 \x01";
    const std::string bold = "\xE2\x02\xEF\x02\xEC\x02\xE4\x02"; // "bold" in bold
    for (int n = 0; body.size() < size; ++n) {
        body += "     Paragraph " + std::to_string(n) + " begins with an indent and " + bold +
                " words,";
        body += '\x00'; // soft line end
        body += "goes on\tafter a tab with *C* and *@D* in it and ends";
        body += '\x01'; // the next line closes the paragraph
        body += "on its last line.";
        body += std::string{'\x01', ' ', '\x01'}; // an empty line
    }
    body += '\x0E';
    return Pfs(body);
}

// ----------------------------------------------------------- the program ---

// The environment of a run: only the sanitizers' options of this process
// (so a sanitized build reports the same way) and what a test adds.
std::vector<std::string> ChildEnv(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string v = *e;
        if (v.rfind("ASAN_OPTIONS=", 0) == 0 || v.rfind("UBSAN_OPTIONS=", 0) == 0 ||
            v.rfind("LSAN_OPTIONS=", 0) == 0)
            env.push_back(v);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

// A running pfs2vnk (argument 0 "pfs2vnk") in a directory, with pipes on its
// three standard streams.
class Program {
  public:
    Program(const std::string& dir, const std::vector<std::string>& args,
            const std::vector<std::string>& extraEnv = {}) {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            abort();
        std::vector<std::string> env = ChildEnv(extraEnv);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
                close(fd);
            struct rlimit noCore = {0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            if (chdir(dir.c_str()) != 0)
                _exit(127);
            std::vector<char*> av, ev;
            static char prog[] = "pfs2vnk";
            av.push_back(prog);
            for (auto& a : args)
                av.push_back(const_cast<char*>(a.c_str()));
            av.push_back(nullptr);
            for (auto& e : env)
                ev.push_back(const_cast<char*>(e.c_str()));
            ev.push_back(nullptr);
            execve(PFS2VNK_EXE, av.data(), ev.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        inFd_ = in[1];
        outFd_ = out[0];
        errFd_ = err[0];
        for (int fd : {inFd_, outFd_, errFd_})
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~Program() {
        for (int fd : {inFd_, outFd_, errFd_})
            if (fd >= 0)
                close(fd);
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Writes data to the program's standard input while reading what it
    // prints; false when the program stopped reading first.
    bool Feed(const std::string& data) {
        size_t done = 0;
        while (done < data.size()) {
            if (inFd_ < 0)
                return false;
            pollfd fds[3] = {{inFd_, POLLOUT, 0}, {outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
            if (poll(fds, 3, 10000) <= 0)
                return false;
            if (fds[0].revents & (POLLERR | POLLHUP))
                return false;
            if (fds[0].revents & POLLOUT) {
                ssize_t n = write(inFd_, data.data() + done, data.size() - done);
                if (n < 0 && errno != EAGAIN)
                    return false;
                if (n > 0)
                    done += (size_t)n;
            }
            Drain(fds[1].revents, fds[2].revents);
        }
        return true;
    }

    void CloseInput() {
        if (inFd_ >= 0)
            close(inFd_);
        inFd_ = -1;
    }

    void Signal(int sig) { kill(pid_, sig); }

    // Closes the input, reads everything the program prints and waits for
    // it to end (at most 60 s); returns the wait status.
    int Finish() {
        CloseInput();
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < end) {
            pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
            if (poll(fds, 2, 1000) > 0)
                Drain(fds[0].revents, fds[1].revents);
        }
        int status = 0;
        for (int i = 0; i < 600; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "the program did not end";
        return -1;
    }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

  private:
    void Drain(short outEvents, short errEvents) {
        int* fds[2] = {&outFd_, &errFd_};
        std::string* texts[2] = {&out_, &err_};
        short events[2] = {outEvents, errEvents};
        for (int i = 0; i < 2; ++i) {
            if (*fds[i] < 0 || events[i] == 0)
                continue;
            char buf[65536];
            ssize_t n = read(*fds[i], buf, sizeof buf);
            if (n > 0) {
                texts[i]->append(buf, (size_t)n);
            } else if (n == 0 || errno != EAGAIN) {
                close(*fds[i]);
                *fds[i] = -1;
            }
        }
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int inFd_ = -1, outFd_ = -1, errFd_ = -1;
    std::string out_, err_;
};

struct Outcome {
    int code = -1; // exit status, -1 when the program did not end by exit
    std::string out, err;
};

Outcome RunProgram(const std::string& dir, const std::vector<std::string>& args,
                   const std::string& input = "", const std::vector<std::string>& env = {}) {
    Program p(dir, args, env);
    Outcome o;
    if (!input.empty()) {
        EXPECT_TRUE(p.Feed(input)) << "the program stopped reading its input";
    }
    int st = p.Finish();
    o.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    o.out = p.out();
    o.err = p.err();
    return o;
}

class Faults : public ::testing::Test {
  protected:
    // A write to a program that has ended must not end the tests.
    void SetUp() override { oldPipe_ = signal(SIGPIPE, SIG_IGN); }
    void TearDown() override { signal(SIGPIPE, oldPipe_); }

    TempDir dir;

  private:
    sighandler_t oldPipe_ = SIG_DFL;
};

const std::string Err5 = "Morvane error 5: problem while writing target file.\n";
const std::string Err8 =
    "Morvane error 8: source file type is not as specified; try a different type.\n";
const std::string Err11 =
    "Morvane error 11: you must delete the Morvane Error file before proceeding.\n";
const std::string NoErrFile = " Unknown: Error File incomplete or not found\n";

// --------------------------------------------------------------- sources ---

// A directory opens but cannot be read: the window records a read failure,
// then the signature test finds no document; the run ends with 8 and the
// empty target is removed.
TEST_F(Faults, DirectoryAsSourceEndsWithEightAndNoTarget) {
    ASSERT_EQ(mkdir((dir / "folder.pfs").c_str(), 0755), 0);
    Outcome r = RunProgram(dir.path(), {"folder.pfs", "out.vnk", "1"});
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.out, Translating("folder.pfs", "out.vnk"));
    EXPECT_EQ(r.err, Err8 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"folder.pfs"});
}

TEST_F(Faults, EmptySourceEndsWithEightAndNoTarget) {
    WriteFile(dir / "empty.pfs", "");
    Outcome r = RunProgram(dir.path(), {"empty.pfs", "out.vnk", "1"});
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.err, Err8 + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"empty.pfs"});
}

TEST_F(Faults, LongSourceThatIsNoDocumentEndsWithEight) {
    std::string text;
    while (text.size() < 100000)
        text += "Plain text, and not a PFS document at all.\n";
    WriteFile(dir / "text.pfs", text);
    Outcome r = RunProgram(dir.path(), {"text.pfs", "out.vnk", "0"});
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ListDir(dir.path()), Names{"text.pfs"});
}

// Sources cut short anywhere: before the signature is complete the run ends
// with 8 and leaves nothing; from there on the setup is translated.
TEST_F(Faults, SourcesCutShortEndCleanly) {
    const std::string full = Pfs("Text of the body.\x01\x0E");
    for (size_t cut : {1u, 640u, 643u, 644u, 700u, 1024u, 1025u, 1026u, 1030u}) {
        const std::string name = "cut" + std::to_string(cut) + ".pfs";
        const std::string target = "cut" + std::to_string(cut) + ".vnk";
        WriteFile(dir / name, full.substr(0, cut));
        Outcome r = RunProgram(dir.path(), {name, target, "0"});
        EXPECT_EQ(r.code, cut < 644 ? 8 : 0) << "cut at " << cut;
        EXPECT_EQ(r.out + r.err, "") << "cut at " << cut;
        if (cut < 644) {
            EXPECT_EQ(FileSize(dir / target), -1) << "cut at " << cut;
        } else {
            EXPECT_GE(FileSize(dir / target), 85) << "cut at " << cut;
        }
    }
}

// Documents the translation fuzzer kept, through the program itself with
// real files: the outcome follows the signature alone.
TEST_F(Faults, FuzzCorpusThroughTheProgram) {
    const std::string corpus = std::string(SOURCE_DIR) + "/fuzz/corpus/translate";
    const Names all = ListDir(corpus);
    const size_t step = all.size() / 48 + 1; // a sample of about 48 documents
    size_t n = 0, k = 0;
    for (const std::string& name : all) {
        if (k++ % step != 0)
            continue;
        std::string doc = ReadFile(corpus + "/" + name);
        WriteFile(dir / "in.pfs", doc);
        unlink((dir / "out.vnk").c_str());
        Outcome r = RunProgram(dir.path(), {"in.pfs", "out.vnk", "0"});
        const bool typed = doc.size() >= 644 && doc.compare(641, 3, "TYP") == 0;
        EXPECT_EQ(r.code, typed ? 0 : 8) << name;
        EXPECT_EQ(r.out + r.err, "") << name;
        EXPECT_EQ(FileSize(dir / "out.vnk") > 0, typed) << name;
        ++n;
    }
    EXPECT_GT(n, 0u);
}

// --------------------------------------------------------------- targets ---

// A target on a full device: every write fails, the run goes on to its end
// and reports error 5.  The device is reached through a link in the test's
// own directory, so that whatever the run does to the name it was given
// stays inside that directory.
TEST_F(Faults, FullDeviceTargetEndsWithFive) {
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(symlink("/dev/full", (dir / "full.vnk").c_str()), 0);
    WriteFile(dir / "small.pfs", Pfs("A short letter.\x01\x0E"));
    WriteFile(dir / "long.pfs", LongPfs(200000));
    for (const std::string src : {"small.pfs", "long.pfs"}) {
        Outcome r = RunProgram(dir.path(), {src, "full.vnk", "1"});
        EXPECT_EQ(r.code, 5) << src;
        EXPECT_EQ(r.out, Translating(src, "full.vnk")) << src;
        EXPECT_EQ(r.err, Err5 + Finished) << src;
        unlink((dir / "full.vnk").c_str());
        ASSERT_EQ(symlink("/dev/full", (dir / "full.vnk").c_str()), 0);
    }
    EXPECT_EQ(stat("/dev/full", &st), 0);
}

// A target that is no regular file keeps its name: a device reports a
// length of 0 whatever it took, and removing "the empty target" would take
// /dev/null or /dev/full off the system when the program runs as root.
// Tried through links in the test's directory, never on the devices.
TEST_F(Faults, DeviceTargetIsNotRemoved) {
    struct stat st;
    for (const std::string dev : {"/dev/null", "/dev/full"}) {
        if (stat(dev.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        const std::string link = dir / "device.vnk";
        unlink(link.c_str());
        ASSERT_EQ(symlink(dev.c_str(), link.c_str()), 0);
        WriteFile(dir / "doc.pfs", Pfs("A short letter.\x01\x0E"));
        Outcome r = RunProgram(dir.path(), {"doc.pfs", "device.vnk", "0"});
        EXPECT_EQ(r.code, dev == "/dev/null" ? 0 : 5) << dev;
        struct stat lst;
        EXPECT_EQ(lstat(link.c_str(), &lst), 0) << dev << ": the target's name was removed";
    }
}

TEST_F(Faults, TargetInMissingDirectoryEndsWithTwentyFour) {
    WriteFile(dir / "doc.pfs", Pfs("Text.\x01\x0E"));
    Outcome r = RunProgram(dir.path(), {"doc.pfs", "no/such/dir/out.vnk", "1"});
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.out, Translating("doc.pfs", "no/such/dir/out.vnk"));
    // The message file belongs beside the target, which has no directory.
    EXPECT_EQ(r.err, NoErrFile + Finished);
    EXPECT_EQ(ListDir(dir.path()), Names{"doc.pfs"});

    r = RunProgram(dir.path(), {"doc.pfs", "no/such/dir/out.vnk", "L"});
    EXPECT_EQ(r.code, 24);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"),
              "Morvane Error: input module pfs2vnk,\n"
              "  translating doc.pfs to no/such/dir/out.vnk,\n" +
                  NoErrFile + "Delete this file before running Morvane again!\n\n");
}

// ------------------------------------------------------- standard streams ---

// The same document from a file into a file, and from standard input to
// standard output, gives the same stream.
TEST_F(Faults, StandardInputToStandardOutput) {
    for (const std::string& doc :
         {Pfs("A short letter.\x01 \x01Yours,\x01\x0E"), LongPfs(120000)}) {
        WriteFile(dir / "doc.pfs", doc);
        Outcome byFile = RunProgram(dir.path(), {"doc.pfs", "out.vnk", "0"});
        ASSERT_EQ(byFile.code, 0);
        const std::string stream = ReadFile(dir / "out.vnk");
        ASSERT_GT(stream.size(), 85u);
        unlink((dir / "out.vnk").c_str());

        Outcome piped = RunProgram(dir.path(), {"", "", "0"}, doc);
        EXPECT_EQ(piped.code, 0);
        EXPECT_EQ(piped.err, "");
        EXPECT_TRUE(piped.out == stream)
            << "stream of " << piped.out.size() << " bytes, expected " << stream.size();

        // At display level 1 the progress lines share standard output with
        // the stream, around it.
        Outcome shown = RunProgram(dir.path(), {"", "", "1"}, doc);
        EXPECT_EQ(shown.code, 0);
        EXPECT_EQ(shown.err, "");
        EXPECT_TRUE(shown.out == Translating("", "") + stream + Finished);
        EXPECT_EQ(ListDir(dir.path()), Names{"doc.pfs"});
    }
}

TEST_F(Faults, EmptyStandardInputEndsWithEight) {
    Outcome r = RunProgram(dir.path(), {"", "", "1"});
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.out, Translating("", ""));
    EXPECT_EQ(r.err, Err8 + Finished);
}

// ---------------------------------------------------------------- signals ---

// A long document is fed through standard input and the pipe is kept open:
// once the target has received its first block the translation is under
// way, waiting for more input.  SIGTERM or SIGINT then ends the run with
// status 18 and nothing more printed.
TEST_F(Faults, SignalDuringTranslationEndsWithEighteenSilently) {
    const std::string doc = LongPfs(400000);
    for (int sig : {SIGTERM, SIGINT}) {
        for (const std::string display : {"1", "0"}) {
            unlink((dir / "out.vnk").c_str());
            Program p(dir.path(), {"", "out.vnk", display});
            ASSERT_TRUE(p.Feed(doc.substr(0, 200000)));
            bool started = false;
            for (int i = 0; i < 1000 && !started; ++i) {
                started = FileSize(dir / "out.vnk") > 0;
                if (!started)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            ASSERT_TRUE(started) << "the translation did not get under way";
            p.Signal(sig);
            int st = p.Finish();
            ASSERT_TRUE(WIFEXITED(st)) << "signal " << sig;
            EXPECT_EQ(WEXITSTATUS(st), 18) << "signal " << sig;
            EXPECT_EQ(p.out(), display == "1" ? Translating("", "out.vnk") : "") << sig;
            EXPECT_EQ(p.err(), "") << "signal " << sig;
        }
    }
}

// The same while the input keeps coming: the signal may find the program
// reading or translating.
TEST_F(Faults, SignalWhileInputKeepsComing) {
    const std::string doc = LongPfs(2000000);
    for (int sig : {SIGTERM, SIGINT}) {
        unlink((dir / "out.vnk").c_str());
        Program p(dir.path(), {"", "out.vnk", "1"});
        ASSERT_TRUE(p.Feed(doc.substr(0, 100000)));
        std::thread killer([&] {
            for (int i = 0; i < 1000 && FileSize(dir / "out.vnk") < 50000; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            p.Signal(sig);
        });
        p.Feed(doc.substr(100000)); // ends early once the program is gone
        killer.join();
        int st = p.Finish();
        ASSERT_TRUE(WIFEXITED(st)) << "signal " << sig;
        // The signal may come after the whole document went through.
        if (WEXITSTATUS(st) == 0)
            continue;
        EXPECT_EQ(WEXITSTATUS(st), 18) << "signal " << sig;
        EXPECT_EQ(p.out(), Translating("", "out.vnk")) << sig;
        EXPECT_EQ(p.err(), "") << "signal " << sig;
    }
}

// ----------------------------------------------------------- the error lock ---

// With the lock flag, a standing "Morvane.Error" stops the run before the
// source or the target is touched.
TEST_F(Faults, StandingLockTouchesNothing) {
    const std::string earlier = "Morvane Error: input module pfs2vnk,\n  (8) earlier.\n";
    const std::string doc = Pfs("Text.\x01\x0E");
    WriteFile(dir / "Morvane.Error", earlier);
    WriteFile(dir / "doc.pfs", doc);
    WriteFile(dir / "out.vnk", "an older target");

    Outcome r = RunProgram(dir.path(), {"doc.pfs", "out.vnk", "L"});
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(dir / "out.vnk"), "an older target");
    EXPECT_EQ(ReadFile(dir / "doc.pfs"), doc);
    EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "doc.pfs", "out.vnk"}));
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), earlier +
                                                   "pfs2vnk did not translate file doc.pfs.\n"
                                                   "You really MUST delete this file, because\n"
                                                   "Morvane will not translate anything else\n"
                                                   "until you acknowledge this error report\n"
                                                   "by cutting the file that contains it!\n\n");

    // Shown on the console instead when the display level comes from MVDEBUG;
    // a missing source or a target in a missing directory changes nothing.
    WriteFile(dir / "Morvane.Error", earlier);
    r = RunProgram(dir.path(), {"missing.pfs", "no/dir/out.vnk", "l"}, "", {"MVDEBUG=1"});
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Err11 + Finished);
    EXPECT_EQ(ReadFile(dir / "Morvane.Error"), earlier);
    EXPECT_EQ(ListDir(dir.path()), (Names{"Morvane.Error", "doc.pfs", "out.vnk"}));
}

} // namespace
