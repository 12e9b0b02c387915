// Saved positions: six slots in each of the input window and the output
// buffer, so that the suite's modules can come back to a place they passed.
#pragma once

#include <cstdint>

// Slots of each list of saved positions.
constexpr int PtrSlots = 6;

// The slot a number names: a number above 5 means slot 0.
inline int SlotIndex(uint8_t slot) {
    return slot < PtrSlots ? slot : 0;
}
