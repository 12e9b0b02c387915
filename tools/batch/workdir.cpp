// Making, clearing and removing the working folders.

#include "workdir.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

const char WorkRootName[] = ".pfs2vnk-batch-work";
const char WorkFileName[] = "doc.vnk";

namespace {

std::string HostName() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        return "localhost";
    return host;
}

// True when name is HOST.PID of this host and that process is gone.
bool LeftByDeadBatch(const std::string& name, const std::string& host) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(0, dot, host) != 0 || dot != host.size())
        return false;
    char* end = nullptr;
    long pid = std::strtol(name.c_str() + dot + 1, &end, 10);
    if (end == name.c_str() + dot + 1 || *end != '\0' || pid <= 0)
        return false;
    return pid == getpid() || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

std::string RootPath(const std::string& targetDir) {
    return targetDir + "/" + WorkRootName;
}

} // namespace

void RemoveStaleWorkFolders(const std::string& targetDir, int targetFd) {
    int fd = openat(targetFd, WorkRootName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return;
    }
    const std::string host = HostName();
    std::vector<std::string> stale;
    while (dirent* e = readdir(dir))
        if (LeftByDeadBatch(e->d_name, host))
            stale.push_back(e->d_name);
    closedir(dir);
    std::error_code ec;
    for (const auto& name : stale)
        std::filesystem::remove_all(RootPath(targetDir) + "/" + name, ec);
}

namespace {

// Makes the common folder (when missing) and this batch's folder in it;
// the descriptor of the latter, or -1 with errno set.
int MakeRunFolder(int targetFd, const std::string& run) {
    if (mkdirat(targetFd, WorkRootName, 0700) != 0 && errno != EEXIST)
        return -1;
    int root = openat(targetFd, WorkRootName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (root < 0)
        return -1;
    int fd = mkdirat(root, run.c_str(), 0700) == 0
                 ? openat(root, run.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                 : -1;
    int e = errno;
    close(root);
    errno = e;
    return fd;
}

// Another batch that shares the target folder removes the common folder
// when it ends and finds it empty; a batch that made it in between tries again.
constexpr int MakeTries = 10;

} // namespace

bool MakeWorkFolders(const std::string& targetDir, int targetFd, int slots, WorkFolders& w,
                     std::string& error) {
    w.targetDir = targetDir;
    const std::string run = HostName() + "." + std::to_string(getpid());
    w.runPath = RootPath(targetDir) + "/" + run;
    for (int i = 0; i < MakeTries && w.runFd < 0; ++i)
        if ((w.runFd = MakeRunFolder(targetFd, run)) < 0 && errno != ENOENT)
            break;
    int e = errno;
    for (int i = 1; w.runFd >= 0 && i <= slots; ++i) {
        const std::string slot = "w" + std::to_string(i);
        int fd = mkdirat(w.runFd, slot.c_str(), 0700) == 0
                     ? openat(w.runFd, slot.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW)
                     : -1;
        if (fd < 0) {
            e = errno;
            break;
        }
        w.slotFds.push_back(fd);
    }
    if (w.runFd < 0 || static_cast<int>(w.slotFds.size()) != slots) {
        error = "cannot make a working folder in " + RootPath(targetDir) + ": " + std::strerror(e);
        return false;
    }
    return true;
}

void ClearSlot(int slotFd) {
    int fd = openat(slotFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(dir))
        if (e->d_type != DT_DIR)
            names.push_back(e->d_name);
    closedir(dir);
    for (const auto& name : names)
        unlinkat(slotFd, name.c_str(), 0);
}

void RemoveWorkFolders(WorkFolders& w) {
    for (int fd : w.slotFds)
        close(fd);
    w.slotFds.clear();
    if (w.runFd >= 0)
        close(w.runFd);
    w.runFd = -1;
    std::error_code ec;
    if (!w.runPath.empty())
        std::filesystem::remove_all(w.runPath, ec);
    rmdir(RootPath(w.targetDir).c_str());
}
