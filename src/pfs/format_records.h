// Format records: new margins in the middle of the text.
#pragma once

// Reads a run of format records when the byte before IRead is 0x07, writing
// the margins of each record that sets them; IRead ends on the last byte of
// the run.
void GetFormat();
