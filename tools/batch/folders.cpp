// Opening folders name by name below a root.

#include "folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::string_view DirPart(std::string_view rel) {
    size_t slash = rel.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : rel.substr(0, slash);
}

std::string_view BasePart(std::string_view rel) {
    size_t slash = rel.rfind('/');
    return slash == std::string_view::npos ? rel : rel.substr(slash + 1);
}

int OpenFolder(int rootFd, std::string_view rel, bool create) {
    int fd = openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && !rel.empty()) {
        size_t slash = rel.find('/');
        std::string name(rel.substr(0, slash));
        rel = slash == std::string_view::npos ? std::string_view() : rel.substr(slash + 1);
        if (create && mkdirat(fd, name.c_str(), 0777) != 0 && errno != EEXIST) {
            int e = errno;
            close(fd);
            errno = e;
            return -1;
        }
        int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int e = errno;
        close(fd);
        errno = e;
        fd = next;
    }
    return fd;
}

FolderCache::~FolderCache() {
    if (fd_ >= 0)
        close(fd_);
}

int FolderCache::Get(std::string_view rel) {
    if (fd_ >= 0 && rel == rel_)
        return fd_;
    if (fd_ >= 0)
        close(fd_);
    fd_ = OpenFolder(root_, rel, create_);
    rel_ = fd_ >= 0 ? std::string(rel) : std::string();
    return fd_;
}
