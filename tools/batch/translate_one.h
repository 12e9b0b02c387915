// One document through the module, in this process.  The only file of the
// batch that calls into the translator.
#pragma once

#include <cstddef>

struct Translation {
    int error = 0;         // the run's error code, as pfs2vnk would exit with it
    bool complete = false; // the translation ended at the document's end-of-text byte
    int writeErrno = 0;    // errno right after the run, for a failed write
    char message[1200] = {};
};

// Translates the file source into target (both names as fopen takes them)
// with the module's own run sequence at display level 0, from the module's
// start-of-run state, exactly as "pfs2vnk SOURCE TARGET 0" does.  The
// module's error message file, which it writes into the target's folder, is
// read into message and removed; every file the run opened is closed.
void TranslateOne(const char* source, const char* target, Translation& t);
