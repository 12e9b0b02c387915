// A file is opened first without O_TRUNC, so that nothing is cut before it
// is known to be a regular file with a single name; only then is it
// truncated.  O_NONBLOCK keeps the open of a FIFO from waiting for its other
// end; a regular file does not notice the flag.

#include "common/plain_file.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// True when fd is a regular file that may be used with these open flags.
static bool UsableFile(int fd, int flags) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (flags & O_ACCMODE) == O_RDONLY || st.st_nlink <= 1;
}

FILE* OpenPlainFile(const char* name, const char* mode, Links links) {
    int flags = strcmp(mode, "w+") == 0   ? O_RDWR | O_CREAT
                : strcmp(mode, "a+") == 0 ? O_RDWR | O_CREAT | O_APPEND
                                          : O_RDONLY;
    int extra = O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    int fd = open(name, flags | extra, 0666);
    if (fd < 0)
        return nullptr;
    bool truncate = strcmp(mode, "w+") == 0;
    FILE* fp = nullptr;
    if (UsableFile(fd, flags) && (!truncate || ftruncate(fd, 0) == 0))
        fp = fdopen(fd, mode);
    if (fp == nullptr)
        close(fd);
    return fp;
}
