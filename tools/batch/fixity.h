// SHA-256 checksums of the files a batch reads and writes, through
// OpenSSL's libcrypto (EVP).  Computed only when a report or a manifest
// asks for them.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "result.h"

// The checksum of the whole file fd, read from its start with pread (the
// file offset is left alone); false with errno set when a read fails.
bool Sha256Fd(int fd, Digest& out);

// The checksum of name in dirFd, opened without following a link and
// without blocking on a FIFO; only a regular file with the modification
// time mtime counts (a file in place, written by this run or up to date).
// False when there is no such file or it cannot be read.
bool Sha256InPlace(int dirFd, const std::string& name, const timespec& mtime, Digest& out);

// The checksum of the regular file rel (a path relative to the folder
// rootFd, opened name by name without following links); false for anything
// else.  For the sources whose worker did not send a checksum back, and
// for the PDFs, which the batch itself puts in place.
bool Sha256File(int rootFd, const std::string& rel, Digest& out);

// True when the open file fd is no longer as before showed it: its size,
// modification time or change time moved.  The change time cannot be set
// back by a user, so a write between the two looks always shows (to the
// file system's clock resolution), and so does one that restores the
// modification time.
bool SourceChanged(int fd, const struct stat& before);

// 64 lowercase hexadecimal digits.
std::string HexDigest(const Digest& d);

// Records the checksum in r (slot one of the HashSlot values).
void PutDigest(Result& r, int slot, const Digest& d);
