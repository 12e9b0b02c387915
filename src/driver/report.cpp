// The end-of-run report.
//
// On the console unless silent: success on standard output, a failure on
// standard error.  Silent with the lock flag, a failure goes to the lock
// file "Morvane.Error" in the current directory.  A code without a text
// (10, 12, 25 to 27, above 27) is shown as an unknown type ("Morvane error
// %d: unknown type." on the console, "  (%d) unknown type." in the lock
// file), so a reader always gets the code; for error 24 the detailed
// message is read back from the error message file and shown instead.
//
// The lock file is opened through OpenPlainFile: a symbolic link, FIFO or
// device planted under its name counts as a lock file that cannot be opened.
// The names in it are written with their control characters escaped, so that
// a name holding a line feed cannot add lines to the report.

#include "driver/report.h"

#include <cstdio>
#include <cstring>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/escape.h"
#include "common/plain_file.h"
#include "common/run_settings.h"
#include "driver/startup.h"

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

static const char* ProgramName() {
    return ArgV[0] != nullptr ? ArgV[0] : "";
}
static const char* NameOrEmpty(const char* s) {
    return s != nullptr ? s : "";
}

// Reads the detailed message this run wrote back into mvErrMsg (the
// fallback text when it wrote none).
static void ReadBackDetail() {
    GetOwnErrMsgFileData(mvErrMsg);
}

// The console report: success on standard output, a failure on standard error.
static void ReportOnConsole() {
    if (ErrType == ErrNone) {
        printf(MvFinished, ProgramName());
        fflush(stdout);
        return;
    }
    const char* text = ErrText(ErrType);
    if (ErrType == ErrDetailed) {
        ReadBackDetail();
        fprintf(stderr, "%s\n", mvErrMsg);
    } else if (text == nullptr) {
        fprintf(stderr, MvErrUnknown, (int)ErrType);
    } else {
        fprintf(stderr, MvErrType, (int)ErrType, text);
    }
    fprintf(stderr, MvFinished, ProgramName());
}

// Writes format, whose only conversions are two "%s", with the names a and b
// in their places, escaped.
static void PrintNames(FILE* fp, const char* format, const char* a, const char* b) {
    const char* names[2] = {a, b};
    int next = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && next < 2) {
            PutEscaped(fp, names[next++]);
            ++p;
        } else {
            putc(*p, fp);
        }
    }
}

// Error 11 of an import module: the refusal is appended below the earlier report.
static void AppendLockRefusal() {
    if (TransType != 'I')
        return;
    FILE* fp = OpenPlainFile(ErrFileName, "a+", Links::Refuse);
    if (fp == nullptr)
        return;
    PrintNames(fp, ELocked, ProgramName(), NameOrEmpty(InFileName));
    for (int i = 0; ELockMsg[i] != nullptr; ++i)
        fputs(ELockMsg[i], fp);
    fclose(fp);
}

// Any other failure: the lock file is replaced by a report of this run.
static void WriteLockReport() {
    FILE* fp = OpenPlainFile(ErrFileName, "w+", Links::Refuse);
    if (fp == nullptr)
        return;
    const char* kind = TransType == 'I' ? MTName[0] : TransType == 'O' ? MTName[1] : MTName[2];
    PrintNames(fp, EFMsg1, kind, ProgramName());
    PrintNames(fp, EFMsg2, NameOrEmpty(InFileName), NameOrEmpty(OutFileName));
    const char* text = ErrText(ErrType);
    if (ErrType == ErrDetailed) {
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

void ReportOutcome() {
    if (Display != 0) {
        ReportOnConsole();
    } else if (ErrLock == 1 && ErrType != ErrNone) {
        if (ErrType == ErrLocked)
            AppendLockRefusal();
        else
            WriteLockReport();
    }
}
