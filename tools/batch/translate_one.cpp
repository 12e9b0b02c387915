// The module's run sequence for one document, with a full reset before it.
//
// Whether the document was complete is read from the input window after the
// run: the body loop stops at the end-of-text byte, and GetIn has then
// either stepped past it (it is the byte just behind the read position) or,
// when it is the last byte of the file, stayed on it.  A run that stopped
// anywhere else ran out of input: the usual sign of a document cut short.

#include "translate_one.h"

#include <cerrno>
#include <cstdio>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/run_settings.h"
#include "driver/run.h"
#include "driver/startup.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/format.h"

namespace {

bool EndedAtEndOfText() {
    if (Done == 0 || (IDone == 1 && ILast < pfs::BodyStart))
        return false;
    if (InAt(IRead - 1) == pfs::EndOfText)
        return true;
    return IDone == 1 && IRead == ILimit && InAt(IRead) == pfs::EndOfText;
}

// A run that stopped before EndOut (the target could not be created) leaves
// the source open.
void CloseLeftovers() {
    if (InFile != nullptr && InFile != stdin)
        std::fclose(InFile);
    if (OutFile != nullptr && OutFile != stdout)
        std::fclose(OutFile);
    InFile = nullptr;
    OutFile = nullptr;
}

void TakeMessage(Translation& t) {
    if (ErrType == ErrDetailed) {
        char path[sizeof mvErrMsgFileName];
        std::snprintf(path, sizeof path, "%s", mvErrMsgFileName);
        GetErrMsgFileData(mvErrMsg, path);
        std::snprintf(t.message, sizeof t.message, "%s", mvErrMsg);
        return;
    }
    if (mvErrMsgFileName[0] != '\0')
        std::remove(mvErrMsgFileName); // a deferred message that a failure overtook
    const char* text = ErrText(ErrType);
    if (ErrType != ErrNone)
        std::snprintf(t.message, sizeof t.message, "%s", text != nullptr ? text : "unknown type");
}

} // namespace

void TranslateOne(const char* source, const char* target, Translation& t) {
    ResetModule();
    InitTran();
    InFileName = source;
    OutFileName = target;
    Display = 0;
    errno = 0;
    tmain();
    t.writeErrno = errno;
    CreateErrMsgFile(0, nullptr, nullptr);
    t.error = ErrType;
    t.complete = ErrType == ErrNone && EndedAtEndOfText();
    CloseLeftovers();
    TakeMessage(t);
}
