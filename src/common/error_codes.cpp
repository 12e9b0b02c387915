// The table of error messages.  Codes 10 and 12 and codes 25 to 27 have a
// slot without a text; the report shows them, like any code above 27, as an
// unknown type, so a reader always gets the code.

#include "common/error_codes.h"

int32_t ErrType = ErrNone;

const char* const ErrMsg[ErrTableSize] = {
    "program called with wrong number of arguments",
    "source file could not be opened to read",
    "target file could not be opened for writing",
    "problem while reading source file",
    "problem while writing target file",
    "source file could not be closed",
    "target file could not be closed",
    "source file type is not as specified; try a different type",
    "internal overflow; mail copy of source file to Varnokel",
    nullptr,
    "you must delete the Morvane Error file before proceeding",
    nullptr,
    "temporary file improperly deleted during operation; try again",
    "exec of child failed, insufficient memory or program not on path",
    "fork() failed to create child, insufficient memory",
    "core dumped when child terminated by signal",
    "child stopped by signal",
    "child terminated by signal without dumping core",
    "wait() failed to return child PID",
    "could not rename temporary file",
    "error in Font Conversion Table, fonts unchanged",
    "memory allocation failed",
    "file overwrite; change target filename and try again",
    "Error Message Unknown",
    nullptr,
    nullptr,
    nullptr,
};

const char* ErrText(int32_t code) {
    if (code < 1 || code > ErrTableSize)
        return nullptr;
    return ErrMsg[code - 1];
}

void ResetErrorCode() {
    ErrType = ErrNone;
}
