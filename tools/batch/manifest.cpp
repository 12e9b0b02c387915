// The manifest's lines and its file.

#include "manifest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

std::string ManifestLine(const std::string& hex, const std::string& path) {
    std::string escaped;
    bool special = false;
    for (char c : path) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else {
            escaped += c;
            continue;
        }
        special = true;
    }
    return (special ? "\\" : "") + hex + "  " + escaped + "\n";
}

Manifest::~Manifest() {
    if (fp_ != nullptr) {
        std::fclose(fp_);
        unlink(work_.c_str());
    }
}

bool Manifest::Open(const std::string& name) {
    const size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    std::vector<char> work(dir.begin(), dir.end());
    const std::string tail = "." + base + ".XXXXXX";
    work.insert(work.end(), tail.begin(), tail.end());
    work.push_back('\0');
    // mkstemp makes a new file (O_EXCL), never one a link points to.
    const int fd = mkstemp(work.data());
    if (fd < 0)
        return false;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask); // a list anyone may read, as a file made by the shell
    fp_ = fdopen(fd, "w");
    if (fp_ == nullptr) {
        const int e = errno;
        close(fd);
        unlink(work.data());
        errno = e;
        return false;
    }
    name_ = name;
    work_ = work.data();
    return true;
}

void Manifest::Add(const std::string& hex, const std::string& path) {
    const std::string line = ManifestLine(hex, path);
    if (fp_ != nullptr && std::fwrite(line.data(), 1, line.size(), fp_) != line.size())
        failed_ = true;
}

bool Manifest::Commit() {
    if (fp_ == nullptr)
        return false;
    bool ok = std::fflush(fp_) == 0 && !failed_ && !std::ferror(fp_) && fsync(fileno(fp_)) == 0;
    ok = std::fclose(fp_) == 0 && ok;
    fp_ = nullptr;
    if (ok && rename(work_.c_str(), name_.c_str()) == 0)
        return true;
    unlink(work_.c_str());
    return false;
}
