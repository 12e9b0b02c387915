// The source tree walked by nftw with FTW_PHYS: a symbolic link is listed
// as an entry of its own and never followed, so it ends up not-regular like
// a FIFO, a socket or a device.  A folder that cannot be read is listed too,
// with its errno, so that the report says what was left out.

#include "walk.h"

#include <ftw.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// nftw passes no user data to its callback.
std::vector<WorkItem>* Items = nullptr;
size_t RootLength = 0;
int RootError = 0;

int Visit(const char* path, const struct stat* st, int flag, FTW* ftw) {
    if (ftw->level == 0) {
        if (flag == FTW_DNR || flag == FTW_NS)
            RootError = errno != 0 ? errno : EACCES;
        return 0;
    }
    if (flag == FTW_D || flag == FTW_DP)
        return 0;
    WorkItem item;
    item.rel = path + RootLength + 1;
    if (flag == FTW_DNR || flag == FTW_NS) {
        item.walkError = errno != 0 ? errno : EACCES;
    } else if (flag == FTW_F && S_ISREG(st->st_mode)) {
        item.regular = true;
        item.size = st->st_size;
    }
    Items->push_back(std::move(item));
    return 0;
}

} // namespace

bool WalkTree(const std::string& root, std::vector<WorkItem>& items, std::string& error) {
    // Through "/.", a root that is itself a link to a folder is walked: the
    // user named it.  Links below it are not followed.
    const std::string start = root + "/.";
    Items = &items;
    RootLength = start.size();
    RootError = 0;
    errno = 0;
    if (nftw(start.c_str(), Visit, 64, FTW_PHYS) != 0 || RootError != 0) {
        error = root + ": " + std::strerror(RootError != 0 ? RootError : errno);
        return false;
    }
    std::sort(items.begin(), items.end(),
              [](const WorkItem& a, const WorkItem& b) { return a.rel < b.rel; });
    return true;
}
