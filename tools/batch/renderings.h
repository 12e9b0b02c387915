// The renderings of a document beside its target, for reading, editing and
// full-text search: NAME.txt (what vnkdump --text TARGET prints), NAME.html
// (what vnkdump --html TARGET prints) and NAME.odt (what vnkdump --odt
// TARGET writes), NAME being the source's name, as the target is the
// source's name with ".vnk" added.
#pragma once

#include <ctime>
#include <string>

#include "result.h"
#include "worker_setup.h"

// The name of a rendering: the source's name with ".txt", ".html" or ".odt" added.
std::string TextName(const std::string& rel);
std::string HtmlName(const std::string& rel);
std::string OdtName(const std::string& rel);

// Renders the target TargetName(sourceBase) of the folder dirFd, read as it
// lies there, into the working folder slotFd, and puts each rendering that
// setup asks for into place beside it with the modification time mtime.
// With all false, a rendering already there as a regular file with that
// time is left alone (and the target read only when one is needed).  Sets
// the bit of r.rendered of each rendering put in place.  A rendering that
// cannot be written changes neither the target nor r.status: it fills
// r.renderError (the first such failure) and, when the file system is full,
// r.noSpace.  A stream that ends inside a record is rendered up to there,
// as by vnkdump.
void RenderBeside(const WorkerSetup& setup, int slotFd, int dirFd, const std::string& sourceBase,
                  const timespec& mtime, bool all, Result& r);
