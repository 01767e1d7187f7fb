// Release of movable global memory blocks that may still be locked.
#pragma once
#include <windows.h>

// Unlocks the block until its lock count is 0, then frees it. A null handle
// is ignored.
void ReleaseGlobalBlock(HGLOBAL handle);
