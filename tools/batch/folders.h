// Folders opened name by name from a root descriptor, never through a
// symbolic link.
#pragma once

#include <string>
#include <string_view>

// The folder part of a relative path ("" for a name at the root) and its last name.
std::string_view DirPart(std::string_view rel);
std::string_view BasePart(std::string_view rel);

// Opens folder rel under the folder rootFd name by name with
// O_NOFOLLOW|O_DIRECTORY, so that a symbolic link anywhere on the way is
// refused (ELOOP or ENOTDIR), never followed.  With create, missing folders
// are made with mkdirat.  Returns a descriptor, or -1 with errno set.
int OpenFolder(int rootFd, std::string_view rel, bool create);

// The last folder opened, kept open: documents of one folder come one
// after another, so most look-ups cost nothing.
class FolderCache {
  public:
    FolderCache(int rootFd, bool create) : root_(rootFd), create_(create) {}
    ~FolderCache();
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;
    // The folder rel (see OpenFolder); -1 with errno set.  The descriptor
    // belongs to the cache and stays valid until the next call.
    int Get(std::string_view rel);

  private:
    int root_;
    bool create_;
    std::string rel_;
    int fd_ = -1;
};
