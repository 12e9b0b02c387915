// The translator's entry and its main loop.
#pragma once

// Translates the whole document; returns ErrType.
int ReadInput();
// One turn of the translation loop: early refill, paragraph set-up, and a
// run of plain or enhanced bytes.  Shared by the body and the header lines.
void BodyStep();
// Translates plain bytes until the paragraph ends or an enhanced character comes.
void ProcessPara();
// Translates a run of enhanced characters, switching attributes per character.
void ProcessEnhanced();
// Turns off every attribute that is on.
void CancelPfsFonts();

// Every translator module back to its start-of-run state, the input window,
// the output buffer and the error state included.
void ResetTranslator();
