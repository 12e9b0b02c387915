// Putting a file the worker made in its working folder into the target tree.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

#include "worker_setup.h"

// Gives the file work of the working folder slotFd the modification time
// mtime, puts it on disk first with --sync, and renames it to name in dirFd.
// From the rename on, SIGTERM is held until the document's result is sent,
// so that a file in place is always reported.  Returns 0 or the errno of the
// step that failed (in *step: the module's code for it, ErrWrite before the
// rename, ErrTargetOpen for the rename).
int Place(const WorkerSetup& setup, int slotFd, const char* work, int dirFd,
          const std::string& name, const timespec& mtime, int* step);

// The steps before a rename into place: gives the file work of fromFd the
// modification time mtime and, with sync, puts it on disk.  0 or an errno.
int ReadyToPlace(int fromFd, const char* work, const timespec& mtime, bool sync);

// True when name in dirFd is a regular file (not a link to one) with the
// modification time mtime; its size then goes to *size when given.
bool InPlace(int dirFd, const std::string& name, const timespec& mtime, off_t* size = nullptr);
