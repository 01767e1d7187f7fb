#include "install/core/global_block.h"

void ReleaseGlobalBlock(HGLOBAL handle)
{
    if (handle == nullptr)
        return;
    // GlobalUnlock returns false once the lock count has reached 0; the lock
    // count is at most 255, so the loop is bounded either way.
    for (int i = 0; i < 256 && (GlobalFlags(handle) & GMEM_LOCKCOUNT) != 0; ++i) {
        if (!GlobalUnlock(handle))
            break;
    }
    GlobalFree(handle);
}
