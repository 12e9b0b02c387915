// Start-up, the command line and the run.
//
// The process passes through once: a version query answers and ends; else
// the arguments are taken from the command line or a response file, the
// program's directory and the temporary directory are noted (TMPDIR is then
// emptied in our own environment, so that temporary files go only where
// MvTempDir says), the defaults and positional arguments set the file names,
// the display level and the lock flag, the signal handlers are installed, a
// standing error lock refuses the run, tmain translates, the outcome is
// reported and the process ends with ErrType as its exit status.
//
// Arguments by position: 1 source, 2 target, 3 display level (a leading 'l'
// or 'L' also sets the lock flag), 4 and 5 unused, 6 temporary directory;
// later ones are ignored.  The process's argc is kept in ArgC as it is, even
// above 20, but only positions up to 6 are ever read.
//
// A first argument "@" alone, or "@name" naming a file that cannot be
// opened, gives no arguments at all: the run is refused with error 1
// ("program called with wrong number of arguments"), reported like any other
// failure; the display level is still 1 then, so the report is shown.

#include "driver/startup.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/paths.h"
#include "common/run_settings.h"
#include "driver/report.h"
#include "driver/response_file.h"
#include "driver/run.h"
#include "driver/signals.h"

char* ArgV[ArgVSize];
int32_t ArgC = 0;
int32_t ArgPos = 0;
FILE* cmdLineFP = nullptr;
char mvPath[1024];
char MvTempDir[1024];
const char* DebugEnv = "MVDEBUG";
const char* MvVersion = "3.5.09.01.99";

// Characters kept of a directory name in mvPath and MvTempDir.
constexpr size_t DirChars = 1023;
// Placed in the environment to leave TMPDIR defined and empty; putenv keeps
// the pointer, so the text must live as long as the process.
static char EmptyTmpDir[] = "TMPDIR=";

// Entry i of ArgV, or an empty text when there is none.
static const char* Arg(int i) {
    return i >= 0 && i < ArgVSize && ArgV[i] != nullptr ? ArgV[i] : "";
}

// A decimal number as atoi reads it (leading blanks, a sign, digits up to the
// first other character, 0 without digits), kept within 32 bits.
static int32_t ReadDecimal(const char* text) {
    long v = strtol(text, nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return (int32_t)v;
}

int32_t TakeArgs(int argc, char** argv) {
    ArgC = argc;
    if (argc < 2 || argv[1][0] != '@') {
        for (int i = 0; i < argc && i < ArgVSize; ++i)
            ArgV[i] = argv[i];
        return 0;
    }
    if (argv[1][1] == '\0') {
        // "@" alone names no response file.
        ArgV[0] = argv[0];
        ArgC = 1;
        return ErrArguments;
    }
    return TakeResponseFile(argv[0], argv[1] + 1);
}

void SetDirectories() {
    GetDirPart(mvPath, sizeof mvPath, ArgV[0], DirChars);
    const char* tmp = getenv("TMPDIR");
    if (tmp != nullptr)
        snprintf(MvTempDir, sizeof MvTempDir, "%s", tmp);
    putenv(EmptyTmpDir);
}

void InitTran() {
    InFileName = "TESTFILE.IN";
    OutFileName = "TESTFILE.VNK";
    TransType = 'I';
}

void ApplyArgs() {
    InitTran();
    if (ArgC >= 2)
        InFileName = Arg(1);
    if (ArgC >= 3)
        OutFileName = Arg(2);
    if (ArgC >= 4) {
        const char* level = Arg(3);
        Display = ReadDecimal(level);
        if (level[0] == 'l' || level[0] == 'L')
            ErrLock = 1;
    }
    if (ArgC >= 7 && Arg(6)[0] != '\0')
        snprintf(MvTempDir, sizeof MvTempDir, "%s", Arg(6));
    const char* debug = getenv(DebugEnv);
    if (Display == 0 && debug != nullptr)
        Display = ReadDecimal(debug);
}

[[noreturn]] void StartUp(int argc, char** argv) {
    if (argc > 1 && argv[1][0] == '-' && argv[1][1] == 'v') {
        printf("Current version is %s\n", MvVersion);
        exit(0);
    }
    ErrType = TakeArgs(argc, argv);
    SetDirectories();
    ApplyArgs();
    SetUpError();
    if (ErrType == ErrNone && ErrLock == 1 && access(ErrFileName, F_OK) == 0)
        ErrType = ErrLocked;
    if (ErrType == ErrNone)
        tmain();
    CreateErrMsgFile(0, nullptr, nullptr);
    ReportOutcome();
    if (cmdLineFP != nullptr)
        CleanCmdLine();
    exit(ErrType);
}

void ResetStartup() {
    CleanCmdLine();
    for (char*& a : ArgV)
        a = nullptr;
    ArgC = 0;
    ArgPos = 0;
    cmdLineFP = nullptr;
    mvPath[0] = '\0';
    MvTempDir[0] = '\0';
}
