// The checksums of one document's files: its source, read before it is
// translated, and its target and renderings, read again as they lie in
// place once the document is done.
#pragma once

#include <ctime>
#include <string>

#include "result.h"
#include "worker.h"

// Hashes the open source into r (nothing when it cannot be read: the
// translation then reports why).
void HashOpenSource(int srcFd, Result& r);

// Hashes the target TargetName(sourceBase) of the folder dirFd and each
// rendering setup asks for, each when it is in place as a regular file
// with the modification time mtime (written by this run or up to date).
void HashInPlace(const WorkerSetup& setup, int dirFd, const std::string& sourceBase,
                 const timespec& mtime, Result& r);
