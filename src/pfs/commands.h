// Embedded commands.
//
// An embedded command stands in the text between two asterisks on one line
// and is recognised by its first letters.
#pragma once

#include <cstdint>

// Size of the work area a command text is copied into.
constexpr int CommandTextMax = 83;

// Recognises the command whose "*" has just been read and carries it out.
void GetAsterisk();
// Moves *pos just past the closing "*" on the line, or leaves it unchanged.
void EatToAsterisk(int16_t* pos);
