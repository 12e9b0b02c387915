// The translator's entry: the document setup, then the body loop.
//
// The loop ends at the end-of-text byte, at the end of the input, or on an
// error.

#include "pfs/read_input.h"

#include "common/error_codes.h"
#include "io/input.h"
#include "pfs/attributes.h"
#include "pfs/format.h"
#include "pfs/head_foot.h"
#include "pfs/layout.h"
#include "pfs/paragraph.h"
#include "pfs/setup.h"

// A document with no byte at the body's start has no body: nothing is
// written after the setup records (no empty paragraph, no return), and the
// input counts as done so that everything is written out.
static bool HasBody() {
    return !(IDone == 1 && ILast < pfs::BodyStart);
}

int ReadInput() {
    if (InitPfsp() == 0)
        return ErrType;
    if (!HasBody()) {
        Done = 1;
        return ErrType;
    }
    while (Done == 0 && ErrType == ErrNone)
        BodyStep();
    return ErrType;
}

void ResetTranslator() {
    ResetLayout();
    ResetAttributes();
    ResetHeadFoot();
}
