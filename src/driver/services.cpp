// Temporary files, directory parts of paths and allocation.
//
// The module itself calls none of these services; they belong to the toolkit
// every module of the suite carries.  A temporary file is made race-free:
// mkstemp is given "<dir>/mvtmpXXXXXX" and creates and opens the file in one
// step, so no other process can take the name between choosing and opening.
// The directory is MvTempDir when it names a directory we may write in, and
// otherwise the system's temporary directory (P_tmpdir, or /tmp).  Start-up
// has emptied TMPDIR, so the environment does not steer the choice.
//
// DeleteTempFile has to know whether the stream is still open.  Nothing can
// be asked of a FILE* after fclose (even fileno on it is undefined), so the
// contract is that a caller passes null for a stream it has already closed.

#include "driver/services.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error_codes.h"
#include "common/run_settings.h"
#include "driver/startup.h"

// Prefix of every temporary file name.
static const char* TempPrefix = "mvtmp";

// True when dir names a directory in which files can be created.
static bool UsableDir(const char* dir) {
    struct stat st;
    return dir[0] != '\0' && stat(dir, &st) == 0 && S_ISDIR(st.st_mode) &&
           access(dir, W_OK | X_OK) == 0;
}

// Creates a unique "mvtmp" file in dir; its name goes into name.  Returns the
// open descriptor, or -1 (name then empty).
static int MakeTempIn(const char* dir, char* name) {
    size_t len = strlen(dir);
    const char* sep = len > 0 && dir[len - 1] == '/' ? "" : "/";
    int n = snprintf(name, TempNameSize, "%s%s%sXXXXXX", dir, sep, TempPrefix);
    int fd = n > 0 && n < TempNameSize ? mkstemp(name) : -1;
    if (fd < 0)
        name[0] = '\0';
    return fd;
}

FILE* CreateTempFile(char* name) {
    int fd = UsableDir(MvTempDir) ? MakeTempIn(MvTempDir, name) : -1;
    if (fd < 0)
        fd = MakeTempIn(P_tmpdir[0] != '\0' ? P_tmpdir : "/tmp", name);
    if (fd < 0)
        return nullptr;
    FILE* fp = fdopen(fd, "w+");
    if (fp == nullptr) {
        // Leave no file behind that the caller has no stream for; the name stays.
        close(fd);
        unlink(name);
    }
    return fp;
}

void DeleteTempFile(FILE* stream, const char* name) {
    if (name == nullptr || name[0] == '\0')
        return;
    if (stream != nullptr)
        fclose(stream);
    remove(name);
}

// Only '/' separates here, not ':'.
void MvGetTargetPath(char* buffer) {
    buffer[0] = '\0';
    if (OutFileName == nullptr || OutFileName[0] == '\0')
        return;
    snprintf(buffer, 1024, "%s", OutFileName);
    char* slash = strrchr(buffer, '/');
    if (slash != nullptr)
        slash[1] = '\0';
    else
        buffer[0] = '\0';
}

// The block is not cleared; a failure replaces any code already set.
void* GetMalloc(uint16_t size) {
    if (size == 0)
        return nullptr;
    void* p = malloc(size);
    if (p == nullptr)
        ErrType = ErrMemory;
    return p;
}
