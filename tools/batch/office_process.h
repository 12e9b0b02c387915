// One LibreOffice at a time in a folder of its own: the chunk's ODT files
// in in/ (named 1.odt, 2.odt, ... so that names repeated across the
// archive cannot collide), its PDFs in out/, its profile in profile/ and
// what it prints in log.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>

struct OfficeProcess {
    int fd = -1;      // the folder
    std::string path; // its absolute name
    pid_t pid = -1;   // the LibreOffice started, leader of its process group; -1 when none
};

// Makes the folder name (and in/, out/) in runFd; false with errno set.
bool MakeOfficeFolder(int runFd, const std::string& name, OfficeProcess& p);

// Copies the ODT rel of the target folder into in/K.odt; its modification
// time goes to mtime.  Only a regular file that looks like an ODF package
// (a zip file) is taken.  0 or an errno.
int CopyOdtIn(const OfficeProcess& p, int targetFd, const std::string& rel, size_t k,
              timespec& mtime);

// Starts soffice on in/1.odt to in/count.odt, in a new process group;
// false with errno set.
bool StartOffice(const std::string& soffice, OfficeProcess& p, size_t count);

// The PDFs in out/ so far.
size_t PdfsWritten(const OfficeProcess& p);

// Waits for the LibreOffice to end (after SIGKILL to its process group
// with kill) and ends whatever is left of its group; its wait status.
int EndOffice(OfficeProcess& p, bool kill);

// Renames out/K.pdf to rel in the target folder, with the time mtime, when
// it is a whole PDF (it starts with %PDF- and ends with %%EOF).  An empty
// text, or why the PDF is missing.
std::string PlacePdf(const OfficeProcess& p, size_t k, int targetFd, const std::string& rel,
                     const timespec& mtime, bool sync);

// Empties in/ and out/; with profile, removes the profile as well (after a
// failure, which may have left it broken).
void ClearOfficeFolder(const OfficeProcess& p, bool profile);

// Removes the folder name of runFd with everything in it.
void RemoveOfficeFolder(int runFd, const std::string& name, OfficeProcess& p);
