// Helpers of the driver tests: temporary directories, whole-file reads and
// writes, capturing what the module prints, and running the built program.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace drvtest {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/pfs2vnk-drv-XXXXXX";
        path_ = mkdtemp(tmpl) != nullptr ? tmpl : "";
    }
    ~TempDir() { RemoveTree(path_); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    static void RemoveTree(const std::string& p) {
        if (p.empty())
            return;
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

  private:
    std::string path_;
};

inline bool Exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

inline std::string ReadFile(const std::string& p) {
    std::string s;
    if (FILE* f = fopen(p.c_str(), "rb")) {
        int c;
        while ((c = getc(f)) != EOF)
            s.push_back((char)c);
        fclose(f);
    }
    return s;
}

inline void WriteFile(const std::string& p, const std::string& data) {
    if (FILE* f = fopen(p.c_str(), "wb")) {
        fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }
}

// Names in a directory (without "." and "..").
inline std::set<std::string> ListDir(const std::string& p) {
    std::set<std::string> names;
    if (DIR* d = opendir(p.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.insert(n);
        }
        closedir(d);
    }
    return names;
}

// Runs fn in the current directory dir (restored afterwards).
inline void InDir(const std::string& dir, const std::function<void()>& fn) {
    char old[4096];
    if (getcwd(old, sizeof old) == nullptr)
        old[0] = '\0';
    if (chdir(dir.c_str()) != 0)
        return;
    fn();
    if (old[0] != '\0' && chdir(old) != 0)
        perror("chdir");
}

// What fn prints on standard output and standard error, through the stdio
// streams and the descriptors alike.
struct Captured {
    std::string out, err;
};
inline Captured Capture(const std::function<void()>& fn) {
    fflush(stdout);
    fflush(stderr);
    FILE* outTmp = tmpfile();
    FILE* errTmp = tmpfile();
    int savedOut = dup(1), savedErr = dup(2);
    dup2(fileno(outTmp), 1);
    dup2(fileno(errTmp), 2);
    fn();
    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    Captured c;
    for (auto [f, s] : {std::pair{outTmp, &c.out}, std::pair{errTmp, &c.err}}) {
        rewind(f);
        int ch;
        while ((ch = getc(f)) != EOF)
            s->push_back((char)ch);
        fclose(f);
    }
    return c;
}

// A running pfs2vnk with pipes on its standard input, output and error.
// argv[0] is "pfs2vnk", so messages name the program that way; its
// environment holds only env (and the sanitizer's options).
class Child {
  public:
    Child(const std::string& dir, const std::vector<std::string>& args,
          const std::vector<std::string>& env = {}) {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            return;
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
            // Under the address sanitizer, faults are left to the program's
            // own handlers (or the system's action), as in a plain build.
            static char asan[] = "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0";
            ev.push_back(asan);
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
    }
    ~Child() {
        for (int fd : {inFd_, outFd_, errFd_})
            if (fd >= 0)
                close(fd);
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Closes the child's standard input (it then reads the end of the input).
    void CloseInput() {
        if (inFd_ >= 0)
            close(inFd_);
        inFd_ = -1;
    }

    // Reads standard output until it holds text; false after 10 s without it.
    bool WaitForOutput(const std::string& text) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (out_.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            if (!Pump(100))
                return out_.find(text) != std::string::npos;
        }
        return true;
    }

    // Waits until path exists; false after 10 s.
    static bool WaitForFile(const std::string& path) {
        for (int i = 0; i < 1000; ++i) {
            if (Exists(path))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Signal(int sig) { kill(pid_, sig); }

    // Collects the rest of the output and the wait status.
    int Finish() {
        CloseInput();
        while (Pump(10000)) {
        }
        waitpid(pid_, &status_, 0);
        return status_;
    }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

  private:
    // One round of reading both pipes; false once both are at their end.
    bool Pump(int timeoutMs) {
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        if (outFd_ < 0 && errFd_ < 0)
            return false;
        if (poll(fds, 2, timeoutMs) <= 0)
            return true;
        int* fdp[2] = {&outFd_, &errFd_};
        std::string* sp[2] = {&out_, &err_};
        for (int i = 0; i < 2; ++i) {
            if (*fdp[i] < 0 || fds[i].revents == 0)
                continue;
            char buf[4096];
            ssize_t n = read(*fdp[i], buf, sizeof buf);
            if (n > 0) {
                sp[i]->append(buf, (size_t)n);
            } else {
                close(*fdp[i]);
                *fdp[i] = -1;
            }
        }
        return outFd_ >= 0 || errFd_ >= 0;
    }

    pid_t pid_ = -1;
    int inFd_ = -1, outFd_ = -1, errFd_ = -1;
    int status_ = -1;
    std::string out_, err_;
};

// The result of a whole run with an empty standard input.
struct Run {
    int exitCode = -1; // -1 when the program did not end by exit
    std::string out, err;
};
inline Run RunProgram(const std::string& dir, const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}) {
    Child c(dir, args, env);
    int st = c.Finish();
    Run r;
    r.exitCode = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = c.out();
    r.err = c.err();
    return r;
}

// The smallest PFS document: a 1024-byte header that holds only the
// signature "TYP" at offset 641, the skipped byte 1024, and a body that is
// just the end-of-text byte.
inline std::string MinimalPfs() {
    std::string doc(1025, '\0');
    doc.replace(641, 3, "TYP");
    doc.push_back('\x0E');
    return doc;
}

} // namespace drvtest
