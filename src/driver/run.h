// The run sequence of one document, and the reset of the whole module.
#pragma once

#include <cstdint>

// The line tmain prints before it starts: "\nTranslating from %s to %s.\n".
extern const char* MvTrans;

// Prints the "Translating" line unless silent, then opens the source
// (InitIn), creates the target (InitOut), translates (ReadInput) and closes
// both (EndOut); a failed open ends the sequence early.  Returns ErrType.
int32_t tmain();

// Every layer of the module back to its start-of-run state, so that another
// document can be translated in the same process: the run settings, the
// error code and message file, both buffers, the prologue and the
// translator.  The command line that start-up took is left as it is.
void ResetModule();
