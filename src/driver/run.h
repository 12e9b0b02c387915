// The run sequence of one document, and the reset of the whole module.
#pragma once

#include <cstdint>

// Prints the "Translating" line unless silent, then opens the source
// (InitIn), creates the target (InitOut), translates (ReadInput) and closes
// both (EndOut); a failed open ends the sequence early.  Returns ErrType.
int32_t tmain();

// Every layer of the module back to its start-of-run state, so that another
// document can be translated in the same process.
void ResetModule();
