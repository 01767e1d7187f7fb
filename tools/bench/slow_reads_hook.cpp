// Loaded into install.exe by install_bench_driver --slow-reads: from then on
// the installer's platform reads take as long as a diskette's.
#include <windows.h>

#include "tests/install/setup/slow_reads.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    return SlowPlatformReads(GetModuleHandleA(nullptr), DISKETTE_BYTES_PER_SECOND, nullptr) ? TRUE : FALSE;
}
