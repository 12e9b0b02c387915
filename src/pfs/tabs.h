// Tab stops and tab moves.
//
// TabArray holds one 3-byte entry per column 0..255: leader byte, stop flag
// and stop type.  Column 0 is never written as a stop.  A tab character in
// the text opens a tab at the next stop (codes 0x77, 0x76 and the stop's
// type); a hard return or hard page closes it.
#pragma once

#include <cstdint>

// Clears the table (type 'p' in columns 1..255) and writes code 0x79.
void InitializeTabs();
// Writes the whole table as a list of stop records.
void SetTabs();
// Clears the table, puts ordinary stops at columns a and b (-1: none; 0 is
// kept in the table but not listed) and writes the list as SetTabs would,
// without searching the table: the paragraph indents' stops.
void SetIndentStops(int a, int b);
// Column of the next stop after IPos, up to LastColumn; 0 for none.
uint8_t FindNextTab();
// Translates a tab character at IPos.
void WriteTab();
// Closes the open tab.
void EndTab();

// ---- Services for the suite's other modules ----
// Part of the toolkit every module carries; this module's translation does
// not call them.

// Column of the nearest stop before IPos; 0 for none (1 at IPos 1 or less).
uint8_t FindPreviousTab();
// Closes the open tab when IRead has reached TabEndPtr.
void CheckTabEnd();
