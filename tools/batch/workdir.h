// The batch's working folders inside the target folder.
//
// TARGET_DIR/.pfs2vnk-batch-work/HOST.PID/wN: one folder per worker slot,
// where that worker writes its target before the rename and where the
// module's error message file lands.  HOST.PID names the batch that made
// it, so that a later run on the same machine can tell the folders of a
// killed batch (the process is gone) from those of a batch still running,
// here or on another machine sharing the target folder.
#pragma once

#include <string>
#include <vector>

// The name of the folder that holds every batch's working folders.
extern const char WorkRootName[];
// The name a worker writes its target under, inside its slot folder.
extern const char WorkFileName[];

struct WorkFolders {
    std::string targetDir; // the target folder's name
    std::string runPath;   // the name of this batch's folder
    int runFd = -1;
    std::vector<int> slotFds; // one per worker slot
};

// Removes the working folders left by batches of this machine that no
// longer run.
void RemoveStaleWorkFolders(const std::string& targetDir, int targetFd);

// Makes this batch's folder and slots folders for its workers; false with
// a message in error.
bool MakeWorkFolders(const std::string& targetDir, int targetFd, int slots, WorkFolders& w,
                     std::string& error);

// Removes every file of one slot folder (before a worker starts in it).
void ClearSlot(int slotFd);

// Removes this batch's folder, and the common folder when nothing else is
// left in it.
void RemoveWorkFolders(WorkFolders& w);
