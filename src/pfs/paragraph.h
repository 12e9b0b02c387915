// The text body: one turn of the translation loop and the two kinds of run.
#pragma once

// One turn of the translation loop: early refill, paragraph set-up, and a
// run of plain or enhanced bytes.  Shared by the body and the header lines.
void BodyStep();
// Translates plain bytes until the paragraph ends or an enhanced character comes.
void ProcessPara();
// Translates a run of enhanced characters, switching attributes per character.
void ProcessEnhanced();
