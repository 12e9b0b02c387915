// Converting one document inside a worker.
//
// The source is opened name by name from the source folder's descriptor
// with O_NOFOLLOW (and O_NONBLOCK, so that a FIFO put in a file's place
// cannot stall the worker), checked to be a regular file, and handed to the
// module as /proc/self/fd/N: the module reads exactly the file that was
// checked, whatever happens to its name meanwhile.  The target is written
// the same way into the worker's private working folder, which lies inside
// the target folder (one file system, so the final rename is atomic); the
// module's error message file lands there too.  Only a successful
// translation is renamed into place, into a target folder opened name by
// name with O_NOFOLLOW, so a link planted in the target tree is refused.
// Renderings of the target follow it into place the same way.

#include "worker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "checksums.h"
#include "common/error_codes.h"
#include "fixity.h"
#include "folders.h"
#include "interrupt.h"
#include "pdfa.h"
#include "place.h"
#include "renderings.h"
#include "translate_one.h"
#include "workdir.h"

namespace {

std::string FdPath(int fd, const char* name = nullptr) {
    std::string p = "/proc/self/fd/" + std::to_string(fd);
    return name != nullptr ? p + "/" + name : p;
}

bool NoSpaceErrno(int e) {
    return e == ENOSPC || e == EDQUOT;
}

bool FileSystemFull(int fd) {
    struct statvfs vfs;
    return fstatvfs(fd, &vfs) == 0 && vfs.f_bavail == 0;
}

void Fail(Result& r, int error, const std::string& text, int e) {
    r.status = Status::Failed;
    r.error = error;
    SetMessage(r, (text + ": " + std::strerror(e)).c_str());
    r.noSpace = NoSpaceErrno(e);
}

// The module names the working file in its messages; the report names the target.
std::string NameTarget(std::string text, const std::string& work, const std::string& target) {
    for (size_t at = text.find(work); at != std::string::npos; at = text.find(work, at))
        text.replace(at, work.size(), target), at += target.size();
    return text;
}

// True when the target is a regular file with the source's modification time.
bool UpToDate(int dirFd, const std::string& name, const struct stat& src, Result& r) {
    off_t size = 0;
    if (!InPlace(dirFd, name, src.st_mtim, &size))
        return false;
    r.status = Status::UpToDate;
    r.bytesOut = size;
    return true;
}

// Opens the source; -1 after filling r when it cannot be had.
int OpenSource(FolderCache& folders, const WorkItem& item, struct stat& st, Result& r) {
    int dir = folders.Get(DirPart(item.rel));
    std::string base(BasePart(item.rel));
    int fd = dir < 0 ? -1
                     : openat(dir, base.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP) {
        r.status = Status::NotRegular;
        return -1;
    }
    if (fd < 0) {
        Fail(r, ErrSourceOpen, "source file could not be opened to read", errno);
        return -1;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        r.status = Status::NotRegular;
        close(fd);
        return -1;
    }
    r.bytesIn = st.st_size;
    return fd;
}

// Puts the translated target in place with the source's time.
void PutInPlace(const WorkerSetup& setup, int slotFd, int dirFd, const std::string& name,
                const struct stat& src, Result& r) {
    struct stat out;
    if (fstatat(slotFd, WorkFileName, &out, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail(r, ErrWrite, "problem while writing target file", errno);
        return;
    }
    r.bytesOut = out.st_size;
    int step;
    int e = Place(setup, slotFd, WorkFileName, dirFd, name, src.st_mtim, &step);
    if (e != 0) {
        Fail(r, step,
             step == ErrWrite ? "problem while writing target file"
                              : "target file could not be opened for writing",
             e);
        return;
    }
    r.status = Status::Ok;
}

void Translate(const WorkerSetup& setup, int slotFd, int srcFd, const WorkItem& item, Result& r) {
    Translation t;
    const std::string work = FdPath(slotFd, WorkFileName);
    TranslateOne(FdPath(srcFd).c_str(), work.c_str(), t);
    r.error = t.error;
    r.complete = t.complete ? 1 : 0;
    if (t.error == ErrNotPfs) {
        r.status = Status::NotPfs;
        r.complete = -1; // no document, so no question of a cut one
    } else if (t.error != 0) {
        r.status = Status::Failed;
        r.noSpace = (t.error == ErrWrite || t.error == ErrDetailed) &&
                    (NoSpaceErrno(t.writeErrno) || FileSystemFull(slotFd));
    }
    std::string target = setup.targetDir + "/" + TargetName(item.rel);
    std::string text = NameTarget(t.message, work, target);
    if (r.noSpace)
        text += std::string(": ") + std::strerror(ENOSPC);
    SetMessage(r, text.c_str());
}

// A source that changed while it was read gives a target (or checksum) of
// no one version of it: a new target is not put in place, and the document
// is left for a later run (whose up-to-date test its new time fails).
bool MarkIfChanged(int srcFd, const struct stat& src, Result& r) {
    if (!SourceChanged(srcFd, src))
        return false;
    r.status = Status::Changed;
    r.error = 0;
    r.complete = -1;
    SetMessage(r, "the source changed while it was read; a later run converts it");
    return true;
}

} // namespace

void ConvertDocument(const WorkerSetup& setup, int slotFd, const WorkItem& item, Result& r) {
    static FolderCache sources(setup.sourceFd, false);
    static FolderCache targets(setup.targetFd, true);
    struct stat src;
    int srcFd = OpenSource(sources, item, src, r);
    if (srcFd < 0)
        return;
    int dirFd = targets.Get(DirPart(item.rel));
    const std::string base(BasePart(item.rel));
    const std::string name = TargetName(base);
    if (setup.fixity)
        HashOpenSource(srcFd, r);
    if (dirFd < 0) {
        Fail(r, ErrTargetOpen, "target folder could not be made", errno);
    } else if (setup.force || !UpToDate(dirFd, name, src, r)) {
        Translate(setup, slotFd, srcFd, item, r);
        if (!MarkIfChanged(srcFd, src, r) && r.error == 0)
            PutInPlace(setup, slotFd, dirFd, name, src, r);
        if (r.status == Status::Ok && setup.render.Any())
            RenderBeside(setup, slotFd, dirFd, base, src.st_mtim, true, r);
    } else if (!(setup.fixity && MarkIfChanged(srcFd, src, r)) && setup.render.Any()) {
        RenderBeside(setup, slotFd, dirFd, base, src.st_mtim, false, r);
    }
    if (dirFd >= 0)
        WantPdf(setup, dirFd, base, src.st_mtim, r);
    if (setup.fixity && (r.status == Status::Ok || r.status == Status::UpToDate))
        HashInPlace(setup, dirFd, base, src.st_mtim, r);
    close(srcFd);
    if (r.status != Status::Ok && r.status != Status::UpToDate) // else renamed away or never made
        unlinkat(slotFd, WorkFileName, 0);
}

[[noreturn]] void RunWorker(const WorkerSetup& setup, int slotFd, int jobFd, int resultFd) {
    uint32_t index;
    while (read(jobFd, &index, sizeof index) == static_cast<ssize_t>(sizeof index)) {
        Result r;
        r.index = index;
        auto start = std::chrono::steady_clock::now();
        ConvertDocument(setup, slotFd, (*setup.items)[index], r);
        r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
        r.done = true;
        bool sent = write(resultFd, &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        ReleaseStop();
        if (!sent)
            break;
    }
    _exit(0);
}
