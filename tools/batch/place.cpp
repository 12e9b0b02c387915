// The time, the optional sync and the rename, in that order: a file that
// appears in the target tree is complete and already has its final time.

#include "place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/error_codes.h"
#include "interrupt.h"

int ReadyToPlace(int fromFd, const char* work, const timespec& mtime, bool sync) {
    const timespec times[2] = {{0, UTIME_OMIT}, mtime};
    if (utimensat(fromFd, work, times, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!sync)
        return 0;
    int fd = openat(fromFd, work, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    int e = fd >= 0 && fsync(fd) == 0 ? 0 : errno;
    if (fd >= 0)
        close(fd);
    return e;
}

int Place(const WorkerSetup& setup, int slotFd, const char* work, int dirFd,
          const std::string& name, const timespec& mtime, int* step) {
    *step = ErrWrite;
    if (int e = ReadyToPlace(slotFd, work, mtime, setup.sync); e != 0)
        return e;
    *step = ErrTargetOpen;
    HoldStop(); // a file in place must reach the report
    return renameat(slotFd, work, dirFd, name.c_str()) == 0 ? 0 : errno;
}

bool InPlace(int dirFd, const std::string& name, const timespec& mtime, off_t* size) {
    struct stat st;
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_mtim.tv_sec != mtime.tv_sec || st.st_mtim.tv_nsec != mtime.tv_nsec)
        return false;
    if (size != nullptr)
        *size = st.st_size;
    return true;
}
