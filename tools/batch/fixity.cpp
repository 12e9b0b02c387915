// SHA-256 with the EVP interface, the file read in 64 KiB blocks.

#include "fixity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include <openssl/evp.h>

#include "folders.h"

namespace {

struct CtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

constexpr size_t BlockSize = 64 * 1024;

int OpenNoFollow(int dirFd, const char* name) {
    return openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Hashes fd when it is a regular file (with the modification time *mtime,
// when given), then closes it.
bool HashRegular(int fd, const timespec* mtime, Digest& out) {
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              (mtime == nullptr ||
               (st.st_mtim.tv_sec == mtime->tv_sec && st.st_mtim.tv_nsec == mtime->tv_nsec)) &&
              Sha256Fd(fd, out);
    close(fd);
    return ok;
}

} // namespace

bool Sha256Fd(int fd, Digest& out) {
    std::unique_ptr<EVP_MD_CTX, CtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        errno = ENOMEM;
        return false;
    }
    std::unique_ptr<unsigned char[]> block(new unsigned char[BlockSize]);
    for (off_t at = 0;;) {
        const ssize_t n = pread(fd, block.get(), BlockSize, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), block.get(), static_cast<size_t>(n)) != 1) {
            errno = EIO;
            return false;
        }
        at += n;
    }
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), out.bytes, &size) != 1 || size != sizeof out.bytes) {
        errno = EIO;
        return false;
    }
    return true;
}

bool Sha256InPlace(int dirFd, const std::string& name, const timespec& mtime, Digest& out) {
    return HashRegular(OpenNoFollow(dirFd, name.c_str()), &mtime, out);
}

bool Sha256File(int rootFd, const std::string& rel, Digest& out) {
    const int dir = OpenFolder(rootFd, DirPart(rel), false);
    if (dir < 0)
        return false;
    const bool ok =
        HashRegular(OpenNoFollow(dir, std::string(BasePart(rel)).c_str()), nullptr, out);
    close(dir);
    return ok;
}

bool SourceChanged(int fd, const struct stat& before) {
    struct stat now;
    if (fstat(fd, &now) != 0)
        return true;
    auto same = [](const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    return now.st_size != before.st_size || !same(now.st_mtim, before.st_mtim) ||
           !same(now.st_ctim, before.st_ctim);
}

std::string HexDigest(const Digest& d) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * sizeof d.bytes);
    for (unsigned char c : d.bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

void PutDigest(Result& r, int slot, const Digest& d) {
    r.digests[slot] = d;
    r.hashed |= static_cast<uint8_t>(1u << slot);
}
