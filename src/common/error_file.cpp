// The error message file.
//
// Written like fopen "w+" (the code line, then the text, cut to 1124
// characters) and read back leniently: the code line gives at most 8 digits
// and every other character on it is passed over; in the text, tabs become
// three spaces, carriage returns and other unprintable bytes are dropped.
//
// The file lies beside a user's files, in a directory others may write in, so
// it is opened through OpenPlainFile: a symbolic link, a FIFO or a device
// planted under its name counts as a file that cannot be opened.  The report
// reads back only the file this run wrote, recognised by its device and inode,
// so a message left by an earlier run is never shown as this run's.

#include "common/error_file.h"

#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "common/error_codes.h"
#include "common/paths.h"
#include "common/plain_file.h"

char mvErrMsg[1125];
char mvErrMsgFileName[1024];

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

// The file this run wrote last and has not read back: set when a message was
// written, cleared when writing one failed or it was read back.
static bool ownFileWritten = false;
static dev_t ownFileDev;
static ino_t ownFileIno;

// Builds mvErrMsgFileName: the directory of path followed by "mvErrMsg.333".
static void BuildErrMsgFileName(const char* path) {
    char dir[sizeof mvErrMsgFileName];
    GetDirPart(dir, sizeof dir, path, ErrMsgDirChars);
    snprintf(mvErrMsgFileName, sizeof mvErrMsgFileName, "%s%s", dir, ErrMsgFileBase);
}

void CreateErrMsgFile(int32_t code, const char* msg, const char* path) {
    if (msg == nullptr) {
        if (deferredMsg && ErrType == ErrNone)
            ErrType = ErrDetailed;
        return;
    }
    if (mvErrMsgFileName[0] != '\0' && !deferredMsg)
        return;
    if (ErrType != ErrNone)
        return;
    BuildErrMsgFileName(path);
    FILE* fp = OpenPlainFile(mvErrMsgFileName, "w+", Links::Refuse);
    ownFileWritten = false;
    if (fp != nullptr) {
        fprintf(fp, "%ld\n", (long)code);
        size_t len = strlen(msg);
        if (len == 0) {
            fputs(ErrText(ErrDetailed), fp);
        } else {
            fwrite(msg, 1, len < ErrMsgWriteMax ? len : ErrMsgWriteMax, fp);
        }
        struct stat st;
        if (fstat(fileno(fp), &st) == 0) {
            ownFileWritten = true;
            ownFileDev = st.st_dev;
            ownFileIno = st.st_ino;
        }
        fclose(fp);
    }
    if (code != 0)
        ErrType = ErrDetailed;
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

// Reads the message file open in fp into out (which holds the fallback),
// closes and deletes it, and returns its code.
static int32_t ReadErrMsgStream(FILE* fp, char* out) {
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

int32_t GetErrMsgFileData(char* out, const char* path) {
    strcpy(out, ErrFileFallback);
    BuildErrMsgFileName(path);
    FILE* fp = OpenPlainFile(mvErrMsgFileName, "r", Links::Refuse);
    return fp != nullptr ? ReadErrMsgStream(fp, out) : 0;
}

// The same for the file this run wrote, found by mvErrMsgFileName; a file
// of that name that is not the one written is left alone.
int32_t GetOwnErrMsgFileData(char* out) {
    strcpy(out, ErrFileFallback);
    if (!ownFileWritten)
        return 0;
    ownFileWritten = false;
    FILE* fp = OpenPlainFile(mvErrMsgFileName, "r", Links::Refuse);
    struct stat st;
    if (fp == nullptr)
        return 0;
    if (fstat(fileno(fp), &st) != 0 || st.st_dev != ownFileDev || st.st_ino != ownFileIno) {
        fclose(fp);
        return 0;
    }
    return ReadErrMsgStream(fp, out);
}

void ResetErrorFile() {
    mvErrMsg[0] = '\0';
    mvErrMsgFileName[0] = '\0';
    deferredMsg = false;
    ownFileWritten = false;
}
