// Files for the tests: a temporary directory removed with its contents,
// whole-file reads and writes, and the names in a directory.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace testfs {

using Names = std::set<std::string>;

// A fresh directory under /tmp, removed with everything in it when the
// object goes.
class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/pfs2vnk-test-XXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            abort();
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The size of the file itself (a link is not followed); -1 when there is none.
inline long FileSize(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

// The whole file; empty when it cannot be read, and what was read before an
// error (a /proc file whose process ends while it is read gives ESRCH, which
// a stream would throw).
inline std::string ReadFile(const std::string& path) {
    std::string data;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        data.append(buf, static_cast<size_t>(n));
    close(fd);
    return data;
}

template <typename Container> void WriteFile(const std::string& path, const Container& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), (std::streamsize)data.size());
}

// Names in a directory, without "." and "..".
inline Names ListDir(const std::string& path) {
    Names names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec))
        names.insert(e.path().filename().string());
    return names;
}

} // namespace testfs
