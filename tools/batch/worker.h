// A worker process: converts document after document in process.
#pragma once

#include <string>
#include <vector>

#include "result.h"
#include "walk.h"
#include "worker_setup.h"

// One document: opens the source without following links, skips it when
// its target is up to date, translates it into the working folder slotFd
// and renames the target into place with the source's modification time.
// With renderings asked for, writes them beside a target just put in place,
// and beside an up-to-date target those that are missing or have another
// time than the source (see RenderBeside).  With fixity, hashes the source
// before it is translated and the files in place at the end.  A source
// that changed while it was read (SourceChanged) is reported as changed
// and its target is not put in place.  Fills r (but for index and ms).
void ConvertDocument(const WorkerSetup& setup, int slotFd, const WorkItem& item, Result& r);

// The life of a worker process: reads job indexes (uint32_t) from jobFd
// and answers each with a Result on resultFd, until jobFd is closed.
[[noreturn]] void RunWorker(const WorkerSetup& setup, int slotFd, int jobFd, int resultFd);
