// The run sequence of one document, and the reset of the whole module.
//
// tmain is the module's whole translation: StartUp calls it once per
// process, and a caller that translates many documents in one process calls
// ResetModule before each one.

#include "driver/run.h"

#include <cstdio>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/run_settings.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/read_input.h"
#include "stream/prologue.h"

const char* MvTrans = "\nTranslating from %s to %s.\n";

// The result of the close is ErrType, which StartUp does not read: it
// reports ErrType itself.
int32_t tmain() {
    if (Display != 0) {
        printf(MvTrans, InFileName, OutFileName);
        fflush(stdout);
    }
    int r = InitIn();
    if (r != 0)
        return r;
    r = InitOut();
    if (r != 0)
        return r;
    ReadInput();
    EndOut();
    return ErrType;
}

void ResetModule() {
    ResetRunSettings();
    ResetErrorCode();
    ResetErrorFile();
    ResetInput();
    ResetOutput();
    ResetPrologue();
    ResetTranslator();
}
