// What the portable archive reader needs from the program it is linked into:
// archive reads and seeks, output writes, the message pump and the status.
// The installer supplies them with its cached file layer and installation
// status; the native tools supply files and a pump that does nothing.
#pragma once
#include "install/archive/archive_progress.h"

// Reads up to count bytes at the archive's read position; bytes read, 0 at
// the end, -1 on failure (cancelRequested tells whether the user ended it).
int ReadCached(int handle, void* buffer, int count);

// Moves the read position (origin 0 start, 1 current, 2 end); the new
// position or -1 when it would lie outside the file.
int SeekCached(int handle, int offset, int origin);

// One write call; returns the bytes written.
int WriteOutputFile(int handle, const void* bytes, int count);

// A check point between pieces of work: lets queued messages run when it is
// time to; false when the installation has been ended.
bool RunPendingMessagesWhenDue();

// Lower-cases a zero-terminated text in place the way the program does for
// every name it shows (the installer: the platform's CharLowerA).
void LowerCaseText(char* text);

extern char finishMessage[256];  // reason of an unsuccessful end
extern bool cancelRequested;     // a read failed because the user ended it
