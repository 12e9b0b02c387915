// The translator's entry.
#pragma once

// Sets the document up and translates its body; returns ErrType (0, or 8
// when the source is not a PFS document, 4 or 5 on a read or write failure).
int ReadInput();

// Every part of the translator's state back to its start-of-run values (the
// layout state, the saved formatting state, the column table).
void ResetTranslator();
