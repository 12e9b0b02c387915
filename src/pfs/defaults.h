// The layout defaults at the start of every stream.
#pragma once

// Gives every global of the layout state its default and has the default
// page layout and the clearing of the tab stops written: the second half of
// the prologue, right after InitControl.
void InitEsp();
