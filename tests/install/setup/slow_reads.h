// Slow media for tests and benchmarks: replaces the platform read (_lread)
// that a module imports with one that takes as long as a diskette would, by
// sleeping after each read in proportion to its bytes. The module's code is
// not changed; only its import slot is. Used in-process by the file layer's
// tests and, loaded into install.exe by the installation bench's driver, to
// time the shipped program on slow media.
#pragma once
#include <windows.h>

// About what a 1.44 MB diskette drive delivers.
const int DISKETTE_BYTES_PER_SECOND = 45000;

// Called after each slowed read with the time the read stands for, in ms.
typedef void (*SlowReadObserver)(double ms);

// Slows the platform reads of module to bytesPerSecond (0: reads at full
// speed again, the slot stays replaced) and tells observer (may be null)
// about each. False when module does not import the platform read.
bool SlowPlatformReads(HMODULE module, int bytesPerSecond, SlowReadObserver observer);
