// Arguments from a response file, and their release.
//
// A first argument "@name" names a file whose lines are the arguments, so a
// caller can pass names with spaces or more names than a command line holds.
// Each line becomes one heap copy in ArgV: blanks and double quotes at the
// head of a line are dropped (so blank lines give nothing and a CR LF pair
// ends one line only), a line ends at LF or CR, trailing spaces and double
// quotes are dropped, and a last line without a line end still counts.
// At most 19 lines are taken (ArgV holds 20 entries with the program name);
// the rest of the file is not read.
//
// Only what those rules can use is read.  A line longer than 1023 characters
// is refused rather than cut: a cut name can name another file, which the run
// would then overwrite.  At most 1 MiB is read (blank lines and blanks at
// the heads of lines are passed over but count), so a file that never ends
// cannot hold the run.  The file must be a regular file, opened without
// waiting (a FIFO or a device would block or never end).  Any of these, or a
// read error, refuses the whole file like one that cannot be opened.
//
// cmdLineFP stays set after the file is closed: it marks that ArgV holds heap
// copies.  Whether the file itself is still open is kept apart, in
// cmdLineOpen, because a closed FILE* must never be touched again.

#include "driver/response_file.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "common/error_codes.h"
#include "common/plain_file.h"
#include "driver/startup.h"

// True while cmdLineFP is open (between fopen and fclose of the response file).
static bool cmdLineOpen = false;

// A heap copy of text; null when memory runs out.
static char* CopyText(const char* text) {
    size_t len = strlen(text);
    char* copy = static_cast<char*>(malloc(len + 1));
    if (copy != nullptr)
        memcpy(copy, text, len + 1);
    return copy;
}

// Ends the line held in line[0..len): trailing spaces and quotes dropped,
// copy stored in ArgV[ArgPos].  Returns 0, or 22 when no copy could be made.
static int32_t StoreLine(char* line, int len) {
    while (len > 0 && (line[len - 1] == ' ' || line[len - 1] == '"'))
        --len;
    line[len] = '\0';
    char* copy = CopyText(line);
    if (copy == nullptr)
        return ErrMemory;
    ArgV[ArgPos++] = copy;
    return 0;
}

int32_t ReadArgLines(FILE* fp) {
    char line[ArgLineMax + 1];
    int len = 0;
    long bytes = 0;
    int c;
    while (ArgPos >= 0 && ArgPos < ArgVSize && (c = getc(fp)) != EOF) {
        if (++bytes > ArgFileMax)
            return ErrArguments;
        if (len == 0) {
            if (isspace(c) || c == '"')
                continue;
        } else if (c == '\n' || c == '\r') {
            if (StoreLine(line, len) != 0)
                return ErrMemory;
            len = 0;
            continue;
        }
        if (len == ArgLineMax)
            return ErrArguments;
        line[len++] = (char)c;
    }
    if (ferror(fp))
        return ErrArguments;
    if (len > 0 && ArgPos >= 0 && ArgPos < ArgVSize && StoreLine(line, len) != 0)
        return ErrMemory;
    return 0;
}

int32_t TakeResponseFile(const char* progName, const char* fileName) {
    ArgV[0] = CopyText(progName != nullptr ? progName : "");
    if (ArgV[0] == nullptr)
        exit(ErrMemory);
    // The name is the user's own choice, so a symbolic link is followed.
    cmdLineFP = OpenPlainFile(fileName, "r", Links::Follow);
    if (cmdLineFP != nullptr) {
        cmdLineOpen = true;
        ArgPos = 1;
        int32_t r = ReadArgLines(cmdLineFP);
        if (r == ErrMemory) {
            CleanCmdLine();
            exit(ErrMemory);
        }
        ArgC = ArgPos;
        ArgPos = 0;
        if (r == 0) {
            fclose(cmdLineFP);
            cmdLineOpen = false;
            return 0;
        }
        CleanCmdLine(); // frees entry 0 as well
    } else {
        free(ArgV[0]);
    }
    // No arguments can be had: the run is refused with error 1, and the
    // report names the program from the process's own argument.
    ArgV[0] = const_cast<char*>(progName);
    ArgC = 1;
    return ErrArguments;
}

void CleanCmdLine() {
    if (cmdLineFP == nullptr)
        return;
    for (int i = 0; i < ArgVSize && ArgV[i] != nullptr; ++i) {
        free(ArgV[i]);
        ArgV[i] = nullptr;
    }
    if (cmdLineOpen)
        fclose(cmdLineFP);
    cmdLineOpen = false;
    cmdLineFP = nullptr;
}
