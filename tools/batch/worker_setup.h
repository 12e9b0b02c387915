// What a worker process is given, shared by the worker and the files it
// uses (placing files, renderings), so that none of them needs another's
// header for it.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "walk.h"

struct WorkerSetup {
    const std::vector<WorkItem>* items = nullptr;
    int sourceFd = -1;     // the source folder
    int targetFd = -1;     // the target folder
    std::string targetDir; // its name, for messages
    bool force = false;
    bool sync = false;
    bool fixity = false;  // checksums of the source, the target and its renderings
    RenderOptions render; // renderings written beside each target
};

// The name a document's target gets: the source's name with ".vnk" added.
inline std::string TargetName(const std::string& rel) {
    return rel + ".vnk";
}
