// Error codes, the error message file and the end-of-run report.
//
// The table of codes is shared by every module of the suite, so it keeps
// texts for codes this module never gives.  Codes 10 and 12 and codes 25 to
// 27 have a slot without a text; the report shows them, like any code above
// 27, as an unknown type ("Morvane error %d: unknown type." on the console,
// "  (%d) unknown type." in the lock file), so a reader always gets the code.
//
// A detailed message travels through "mvErrMsg.333", written beside the file
// that failed: a decimal code line, then free text.  The first failure keeps
// its message; only a message written with code 0 (a deferred one, which
// turns into error 24 at the end of a run that met nothing worse) can be
// replaced.  The report reads the file back (and deletes it) when it shows
// error 24, on the console or in the lock file "Morvane.Error".

#include "driver/errors.h"

#include <cstring>

#include "driver/services.h"
#include "driver/startup.h"

int32_t ErrType = 0;

const char* const ErrMsg[27] = {
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

char mvErrMsg[1125];
char mvErrMsgFileName[1024];

const char* ErrFileName = "Morvane.Error";
const char* const MTName[3] = {"input", "output", "conversion"};

const char* MvErrType = "Morvane error %d: %s.\n";
const char* MvErrUnknown = "Morvane error %d: unknown type.\n";
const char* MvFinished = "%s finished.\n";

const char* ELocked = "%s did not translate file %s.\n";
const char* const ELockMsg[5] = {
    "You really MUST delete this file, because\n",
    "Morvane will not translate anything else\n",
    "until you acknowledge this error report\n",
    "by cutting the file that contains it!\n\n",
    nullptr,
};

const char* EFMsg1 = "Morvane Error: %s module %s,\n";
const char* EFMsg2 = "  translating %s to %s,\n";
const char* EFMsg3 = "  (%d) %s.\n";
const char* EFMsg4 = "Delete this file before running Morvane again!\n\n";

// Lock-file line for a code without a text.
static const char* EFMsgUnknown = "  (%d) unknown type.\n";

// Name of the error message file within its directory.
static const char* ErrMsgFileBase = "mvErrMsg.333";
// Characters of the caller's path kept when the directory is taken from it.
constexpr size_t ErrMsgDirChars = 1008;
// Characters of a detailed message written to the file.
constexpr size_t ErrMsgWriteMax = 1124;
// Characters of text read back from the file.
constexpr int ErrMsgReadMax = 1122;
// Digits of the code line that are read.
constexpr int ErrCodeDigits = 8;
// Shown when the error message file is missing or holds no text.
static const char* ErrFileFallback = " Unknown: Error File incomplete or not found";

// Set by a detailed message written with code 0; the end-of-run call turns it into 24.
static bool deferredMsg = false;

// Builds mvErrMsgFileName: the directory of path followed by "mvErrMsg.333".
static void BuildErrMsgFileName(const char* path) {
    char dir[sizeof mvErrMsgFileName];
    GetDirPart(dir, sizeof dir, path, ErrMsgDirChars);
    snprintf(mvErrMsgFileName, sizeof mvErrMsgFileName, "%s%s", dir, ErrMsgFileBase);
}

const char* ErrText(int32_t code) {
    if (code < 1 || code > 27)
        return nullptr;
    return ErrMsg[code - 1];
}

// Records a detailed message with its code, or (without a message) turns a
// deferred message into error 24.
void CreateErrMsgFile(int32_t code, const char* msg, const char* path) {
    if (msg == nullptr) {
        if (deferredMsg && ErrType == 0)
            ErrType = 24;
        return;
    }
    if (mvErrMsgFileName[0] != '\0' && !deferredMsg)
        return;
    if (ErrType != 0)
        return;
    BuildErrMsgFileName(path);
    FILE* fp = fopen(mvErrMsgFileName, "w+");
    if (fp != nullptr) {
        fprintf(fp, "%ld\n", (long)code);
        size_t len = strlen(msg);
        if (len == 0) {
            fputs(ErrMsg[23], fp);
        } else {
            fwrite(msg, 1, len < ErrMsgWriteMax ? len : ErrMsgWriteMax, fp);
        }
        fclose(fp);
    }
    if (code != 0)
        ErrType = 24;
    else
        deferredMsg = true;
}

// Passes over the rest of a line up to its CR or LF; returns that character or EOF.
static int SkipRestOfLine(FILE* fp) {
    int c;
    while ((c = getc(fp)) != EOF && c != '\r' && c != '\n') {
    }
    return c;
}

// Reads the code line (at most 8 digits, every other character passed over)
// and the line ends after it; returns the code, leaving in *next the first
// character of the text (or EOF).
static int32_t ReadCodeLine(FILE* fp, int* next) {
    int32_t code = 0;
    int digits = 0;
    int c;
    while ((c = getc(fp)) != EOF && c != '\r' && c != '\n') {
        if (c == '\0') {
            c = SkipRestOfLine(fp);
            break;
        }
        if (c >= '0' && c <= '9') {
            code = code * 10 + (c - '0');
            if (++digits == ErrCodeDigits) {
                c = SkipRestOfLine(fp);
                break;
            }
        }
    }
    while (c == '\r' || c == '\n')
        c = getc(fp);
    *next = c;
    return code;
}

static bool IsPrintable(int c) {
    return c >= 0x20 && c <= 0x7E;
}

// Reads the message text, its first character already in hand; returns the
// number of characters stored in text (room for ErrMsgReadMax + 1).
static int ReadMessageText(FILE* fp, int first, char* text) {
    int n = 0;
    if (IsPrintable(first))
        text[n++] = (char)first;
    if (first == EOF)
        return n;
    int c;
    while (n < ErrMsgReadMax && (c = getc(fp)) != EOF && c != '\0') {
        if (c == '\t') {
            for (int i = 0; i < 3 && n < ErrMsgReadMax; ++i)
                text[n++] = ' ';
        } else if (c == '\n' || IsPrintable(c)) {
            text[n++] = (char)c;
        }
        // carriage returns and every other byte are dropped
    }
    return n;
}

// Reads back the error message file in path's directory into out, deletes
// the file and returns its code (0, out holding the fallback, when missing).
int32_t GetErrMsgFileData(char* out, const char* path) {
    strcpy(out, ErrFileFallback);
    BuildErrMsgFileName(path);
    FILE* fp = fopen(mvErrMsgFileName, "r");
    if (fp == nullptr)
        return 0;
    int first;
    int32_t code = ReadCodeLine(fp, &first);
    char text[ErrMsgReadMax + 1];
    int n = ReadMessageText(fp, first, text);
    if (n > 0) {
        // Trailing characters outside 0x20..0x7F: only line feeds can be held.
        while (n > 0 && ((unsigned char)text[n - 1] < 0x20 || (unsigned char)text[n - 1] > 0x7F))
            --n;
        memcpy(out, text, (size_t)n);
        out[n] = '\0';
    }
    fclose(fp);
    remove(mvErrMsgFileName);
    return code;
}

// ------------------------------------------------------------ the report ---

static const char* ProgramName() {
    return ArgV[0] != nullptr ? ArgV[0] : "";
}
static const char* NameOrEmpty(const char* s) {
    return s != nullptr ? s : "";
}

// Reads the detailed message back into mvErrMsg, from a copy of the file's
// name (the reading rebuilds mvErrMsgFileName itself).
static void ReadBackDetail() {
    char path[sizeof mvErrMsgFileName];
    snprintf(path, sizeof path, "%s", mvErrMsgFileName);
    GetErrMsgFileData(mvErrMsg, path);
}

// The console report: success on standard output, a failure on standard error.
static void ReportOnConsole() {
    if (ErrType == 0) {
        printf(MvFinished, ProgramName());
        fflush(stdout);
        return;
    }
    const char* text = ErrText(ErrType);
    if (ErrType == 24) {
        ReadBackDetail();
        fprintf(stderr, "%s\n", mvErrMsg);
    } else if (text == nullptr) {
        fprintf(stderr, MvErrUnknown, (int)ErrType);
    } else {
        fprintf(stderr, MvErrType, (int)ErrType, text);
    }
    fprintf(stderr, MvFinished, ProgramName());
}

// Error 11 of an import module: the refusal is appended below the earlier report.
static void AppendLockRefusal() {
    if (TransType != 'I')
        return;
    FILE* fp = fopen(ErrFileName, "a+");
    if (fp == nullptr)
        return;
    fprintf(fp, ELocked, ProgramName(), NameOrEmpty(InFileName));
    for (int i = 0; ELockMsg[i] != nullptr; ++i)
        fputs(ELockMsg[i], fp);
    fclose(fp);
}

// Any other failure: the lock file is replaced by a report of this run.
static void WriteLockReport() {
    FILE* fp = fopen(ErrFileName, "w+");
    if (fp == nullptr)
        return;
    const char* kind = TransType == 'I' ? MTName[0] : TransType == 'O' ? MTName[1] : MTName[2];
    fprintf(fp, EFMsg1, kind, ProgramName());
    fprintf(fp, EFMsg2, NameOrEmpty(InFileName), NameOrEmpty(OutFileName));
    const char* text = ErrText(ErrType);
    if (ErrType == 24) {
        ReadBackDetail();
        fprintf(fp, "%s\n", mvErrMsg);
    } else if (text == nullptr) {
        fprintf(fp, EFMsgUnknown, (int)ErrType);
    } else {
        fprintf(fp, EFMsg3, (int)ErrType, text);
    }
    fputs(EFMsg4, fp);
    fclose(fp);
}

// The end-of-run report: on the console unless silent; silent with the lock
// flag, in the lock file; silent without it, nowhere.
void ReportOutcome() {
    if (Display != 0) {
        ReportOnConsole();
    } else if (ErrLock == 1 && ErrType != 0) {
        if (ErrType == 11)
            AppendLockRefusal();
        else
            WriteLockReport();
    }
}

void ResetErrors() {
    ErrType = 0;
    mvErrMsg[0] = '\0';
    mvErrMsgFileName[0] = '\0';
    deferredMsg = false;
}
