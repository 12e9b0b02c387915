// Starting, watching and ending one LibreOffice.
//
// LibreOffice is started with stdin from /dev/null and its output in the
// folder's log, its profile named by -env:UserInstallation (a file: URL),
// in a process group of its own (setpgid in the child and the parent, so
// that it holds before either goes on), and with SIGKILL as its parent-death
// signal, so that a batch killed outright does not leave it behind.  The
// batch is a child subreaper (see ConvertToPdf), so a soffice.bin whose
// soffice ended comes back to it and is reaped here.

#include "office_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "folders.h"
#include "place.h"

namespace {

// PDF/A-2b (the PDF export's version 2), the archival profile of ISO 19005-2.
const char PdfaFilter[] =
    "pdf:writer_pdf_Export:{\"SelectPdfVersion\":{\"type\":\"long\",\"value\":\"2\"}}";

int OpenDir(int dirFd, const char* name) {
    return openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The path as a file: URL: every byte but letters, digits, "/-._~" in %XX.
std::string FileUrl(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// Removes every file of the folder name of p (folders inside it too).
void Empty(const OfficeProcess& p, const char* name) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(p.path + "/" + name, ec))
        std::filesystem::remove_all(e.path(), ec);
}

bool CopyFd(int in, int out) {
    char buf[65536];
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                return false;
            done += w > 0 ? w : 0;
        }
    }
}

// True when the open file holds a whole PDF.
bool WholePdf(int fd) {
    struct stat st;
    char head[5], tail[1024];
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 16 ||
        pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
        std::memcmp(head, "%PDF-", sizeof head) != 0)
        return false;
    const off_t from = st.st_size > static_cast<off_t>(sizeof tail) ? st.st_size - sizeof tail : 0;
    const ssize_t n = pread(fd, tail, sizeof tail, from);
    return n > 0 &&
           std::string_view(tail, static_cast<size_t>(n)).find("%%EOF") != std::string_view::npos;
}

[[noreturn]] void RunChild(const std::string& soffice, const OfficeProcess& p, size_t count,
                           pid_t parent) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ})
        signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int in = open("/dev/null", O_RDONLY);
    const int log = openat(p.fd, "log", O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0600);
    if (in < 0 || log < 0 || dup2(in, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0)
        _exit(127);
    close_range(3, ~0U, 0);
    std::vector<std::string> args = {
        soffice,        "-env:UserInstallation=" + FileUrl(p.path + "/profile"),
        "--headless",   "--invisible",
        "--norestore",  "--nologo",
        "--nodefault",  "--convert-to",
        PdfaFilter,     "--outdir",
        p.path + "/out"};
    for (size_t k = 1; k <= count; ++k)
        args.push_back(p.path + "/in/" + std::to_string(k) + ".odt");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(soffice.c_str(), argv.data());
    _exit(127);
}

} // namespace

bool MakeOfficeFolder(int runFd, const std::string& name, OfficeProcess& p) {
    if (mkdirat(runFd, name.c_str(), 0700) != 0 || (p.fd = OpenDir(runFd, name.c_str())) < 0)
        return false;
    char link[64], real[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", p.fd);
    const ssize_t n = readlink(link, real, sizeof real - 1);
    if (n <= 0)
        return false;
    p.path.assign(real, static_cast<size_t>(n));
    return mkdirat(p.fd, "in", 0700) == 0 && mkdirat(p.fd, "out", 0700) == 0;
}

int CopyOdtIn(const OfficeProcess& p, int targetFd, const std::string& rel, size_t k,
              timespec& mtime) {
    const int dir = OpenFolder(targetFd, DirPart(rel), false);
    if (dir < 0)
        return errno;
    const int src = openat(dir, std::string(BasePart(rel)).c_str(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    int e = src < 0 ? errno : 0;
    close(dir);
    if (e != 0)
        return e;
    struct stat st;
    char magic[4] = {};
    if (fstat(src, &st) != 0 || !S_ISREG(st.st_mode) ||
        pread(src, magic, sizeof magic, 0) != static_cast<ssize_t>(sizeof magic) ||
        std::memcmp(magic, "PK\3\4", sizeof magic) != 0) {
        close(src);
        return EINVAL;
    }
    mtime = st.st_mtim;
    const int in = OpenDir(p.fd, "in");
    const std::string name = std::to_string(k) + ".odt";
    const int out = in < 0 ? -1
                           : openat(in, name.c_str(),
                                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    e = out < 0 ? errno : CopyFd(src, out) ? 0 : errno != 0 ? errno : EIO;
    for (int fd : {src, in, out})
        if (fd >= 0)
            close(fd);
    return e;
}

bool StartOffice(const std::string& soffice, OfficeProcess& p, size_t count) {
    std::fflush(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        RunChild(soffice, p, count, parent);
    if (pid < 0)
        return false;
    setpgid(pid, pid);
    p.pid = pid;
    return true;
}

size_t PdfsWritten(const OfficeProcess& p) {
    const int out = OpenDir(p.fd, "out");
    DIR* dir = out >= 0 ? fdopendir(out) : nullptr;
    if (dir == nullptr) {
        if (out >= 0)
            close(out);
        return 0;
    }
    size_t n = 0;
    while (dirent* e = readdir(dir)) {
        const size_t len = std::strlen(e->d_name);
        n += len > 4 && std::strcmp(e->d_name + len - 4, ".pdf") == 0;
    }
    closedir(dir);
    return n;
}

int EndOffice(OfficeProcess& p, bool kill) {
    if (p.pid < 0)
        return 0;
    const pid_t group = p.pid;
    if (kill)
        killpg(group, SIGKILL);
    int status = 0;
    while (waitpid(group, &status, 0) < 0 && errno == EINTR) {
    }
    // What the leader started is ended with it; those that come back to the
    // batch as orphans are reaped until the group is empty.
    killpg(group, SIGKILL);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::kill(-group, 0) == 0 && std::chrono::steady_clock::now() < until) {
        while (waitpid(-group, nullptr, WNOHANG) > 0) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    p.pid = -1;
    return status;
}

std::string PlacePdf(const OfficeProcess& p, size_t k, int targetFd, const std::string& rel,
                     const timespec& mtime, bool sync) {
    const int out = OpenDir(p.fd, "out");
    const std::string name = std::to_string(k) + ".pdf";
    const int fd = out < 0 ? -1 : openat(out, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    const bool whole = fd >= 0 && WholePdf(fd);
    if (fd >= 0)
        close(fd);
    std::string error;
    if (!whole) {
        error = fd < 0 ? "LibreOffice wrote no PDF" : "LibreOffice wrote an incomplete PDF";
    } else {
        const int dir = OpenFolder(targetFd, DirPart(rel), false);
        int e = dir < 0 ? errno : ReadyToPlace(out, name.c_str(), mtime, sync);
        if (e == 0 && renameat(out, name.c_str(), dir, std::string(BasePart(rel)).c_str()) != 0)
            e = errno;
        if (e != 0)
            error = std::string("the PDF could not be put in place: ") + std::strerror(e);
        if (dir >= 0)
            close(dir);
    }
    if (out >= 0)
        close(out);
    return error;
}

void ClearOfficeFolder(const OfficeProcess& p, bool profile) {
    Empty(p, "in");
    Empty(p, "out");
    std::error_code ec;
    if (profile)
        std::filesystem::remove_all(p.path + "/profile", ec);
}

void RemoveOfficeFolder(int runFd, const std::string& name, OfficeProcess& p) {
    if (p.fd >= 0)
        close(p.fd);
    p.fd = -1;
    std::error_code ec;
    if (!p.path.empty())
        std::filesystem::remove_all(p.path, ec);
    unlinkat(runFd, name.c_str(), AT_REMOVEDIR); // when the path could not be had
}
