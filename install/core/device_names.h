// The names that Windows takes for a device wherever they stand as a file
// or directory name: NUL, CON, AUX, PRN, COM1-COM9 and LPT1-LPT9, in any
// case and with anything after a dot or a colon ("nul.txt", "COM1:"). One
// rule for the script's archive names, the names inside archives and the
// authors' tools. Portable.
#pragma once
#include <cstddef>

// True when the name part (length bytes, no separator in it) names a
// device: its text before the first dot or colon, less trailing spaces, is
// one of the names above. The superscript digits 1, 2 and 3 of the Latin-1
// code page (0xB9, 0xB2, 0xB3) count as digits after COM and LPT, as recent
// Windows versions take them.
bool IsDeviceName(const char* part, size_t length);
