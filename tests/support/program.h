// The built pfs2vnk run as a user runs it: argument 0 "pfs2vnk", in a
// given directory, with pipes on its three standard streams and an
// environment that holds only what a test sets (plus the sanitizers'
// options of this process, so that a sanitized build reports the same way).
// A traced program stops before its first instruction, for the test to
// follow it with ptrace (see tests/batch/traced_batch.h).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"

namespace testprog {

class Program {
  public:
    Program(const std::string& dir, const std::vector<std::string>& args,
            const std::vector<std::string>& env = {}, const char* exe = PFS2VNK_EXE,
            bool traced = false) {
        std::vector<std::string> envs = env;
        // Faults are left to the program's own handlers, as in a plain build.
        std::string asan = "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0";
        if (const char* a = getenv("ASAN_OPTIONS"))
            asan += std::string(":") + a;
        envs.push_back(asan);
        for (const char* name : {"UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* v = getenv(name))
                envs.push_back(std::string(name) + "=" + v);
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            abort();
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
            std::vector<char*> av{const_cast<char*>("pfs2vnk")}, ev;
            for (auto& a : args)
                av.push_back(const_cast<char*>(a.c_str()));
            for (auto& e : envs)
                ev.push_back(const_cast<char*>(e.c_str()));
            av.push_back(nullptr);
            ev.push_back(nullptr);
            if (traced)
                ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            execve(exe, av.data(), ev.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        fds_[0] = in[1];
        fds_[1] = out[0];
        fds_[2] = err[0];
        for (int fd : fds_)
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~Program() {
        for (int fd : fds_)
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
        for (size_t done = 0; done < data.size();) {
            if (fds_[0] < 0 || !Pump(10000, true))
                return false;
            ssize_t n = write(fds_[0], data.data() + done, data.size() - done);
            if (n < 0 && errno != EAGAIN)
                return false;
            done += n > 0 ? (size_t)n : 0;
        }
        return true;
    }

    void Signal(int sig) { kill(pid_, sig); }
    pid_t pid() const { return pid_; }

    // Closes the input, reads everything the program prints and waits for
    // it to end (at most 60 s); returns the wait status.
    int Finish() {
        if (fds_[0] >= 0)
            close(fds_[0]);
        fds_[0] = -1;
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (Pump(1000, false) && std::chrono::steady_clock::now() < end) {
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
    // One round of poll: reads what the program printed.  With forInput,
    // true when the input can take more; else true while an output is open.
    bool Pump(int timeoutMs, bool forInput) {
        pollfd p[3] = {
            {forInput ? fds_[0] : -1, POLLOUT, 0}, {fds_[1], POLLIN, 0}, {fds_[2], POLLIN, 0}};
        if (fds_[1] < 0 && fds_[2] < 0 && !forInput)
            return false;
        if (poll(p, 3, timeoutMs) <= 0)
            return !forInput;
        std::string* texts[3] = {nullptr, &out_, &err_};
        for (int i = 1; i < 3; ++i) {
            if (fds_[i] < 0 || p[i].revents == 0)
                continue;
            char buf[65536];
            ssize_t n = read(fds_[i], buf, sizeof buf);
            if (n > 0) {
                texts[i]->append(buf, (size_t)n);
            } else if (n == 0 || errno != EAGAIN) {
                close(fds_[i]);
                fds_[i] = -1;
            }
        }
        if (forInput)
            return (p[0].revents & (POLLERR | POLLHUP)) == 0;
        return fds_[1] >= 0 || fds_[2] >= 0;
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int fds_[3] = {-1, -1, -1}; // input, output, error
    std::string out_, err_;
};

struct Outcome {
    int code = -1; // exit status; -1 when the program did not end by exit
    std::string out, err;
};

// A whole run, with input on standard input (then its end).
inline Outcome Run(const std::string& dir, const std::vector<std::string>& args,
                   const std::string& input = "", const std::vector<std::string>& env = {},
                   const char* exe = PFS2VNK_EXE) {
    Program p(dir, args, env, exe);
    if (!input.empty()) {
        EXPECT_TRUE(p.Feed(input)) << "the program stopped reading its input";
    }
    int st = p.Finish();
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, p.out(), p.err()};
}

// The target written for a source of these bytes by a silent run in a fresh
// directory; the run must succeed (else the target is given as empty).
template <typename Container> std::string TranslateBytes(const Container& doc) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.pfs", doc);
    const int code = Run(dir.path(), {"in.pfs", "out.vnk", "0"}).code;
    EXPECT_EQ(code, 0);
    return code == 0 ? testfs::ReadFile(dir / "out.vnk") : "";
}

// What the program prints around a run.
inline std::string Translating(const std::string& in, const std::string& out) {
    return "\nTranslating from " + in + " to " + out + ".\n";
}
inline const std::string Finished = "pfs2vnk finished.\n";
// The report lines of the failures the tests meet, and the text shown when
// no detailed message can be read back.
inline const std::string Err1 = "Morvane error 1: program called with wrong number of arguments.\n";
inline const std::string Err2 = "Morvane error 2: source file could not be opened to read.\n";
inline const std::string Err5 = "Morvane error 5: problem while writing target file.\n";
inline const std::string Err8 =
    "Morvane error 8: source file type is not as specified; try a different type.\n";
inline const std::string Err23 =
    "Morvane error 23: file overwrite; change target filename and try again.\n";
inline const std::string NoErrFile = " Unknown: Error File incomplete or not found\n";

} // namespace testprog
