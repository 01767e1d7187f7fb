#include "tests/install/setup/slow_reads.h"

namespace {

typedef UINT(WINAPI* ReadFunction)(HFILE, LPVOID, UINT);

ReadFunction platformRead = nullptr;  // what the slot held before
int readRate = 0;
SlowReadObserver readObserver = nullptr;

UINT WINAPI SlowRead(HFILE file, LPVOID buffer, UINT count)
{
    UINT got = platformRead(file, buffer, count);
    int rate = readRate;
    if (rate > 0 && got != static_cast<UINT>(HFILE_ERROR) && got > 0) {
        double ms = got * 1000.0 / rate;
        // Never shorter than the media would take.
        Sleep(static_cast<DWORD>(ms) + 1);
        if (readObserver != nullptr)
            readObserver(ms);
    }
    return got;
}

// The import address slot of module that holds target, or null.
void** FindImportSlot(HMODULE module, void* target)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        for (IMAGE_THUNK_DATA* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
             slot->u1.Function != 0; ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) == target)
                return reinterpret_cast<void**>(&slot->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

bool SlowPlatformReads(HMODULE module, int bytesPerSecond, SlowReadObserver observer)
{
    readRate = bytesPerSecond;
    readObserver = observer;
    if (platformRead != nullptr)
        return true;
    void* read = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "_lread"));
    void** slot = read != nullptr ? FindImportSlot(module, read) : nullptr;
    DWORD protection = 0;
    if (slot == nullptr || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return false;
    platformRead = reinterpret_cast<ReadFunction>(read);
    *slot = reinterpret_cast<void*>(SlowRead);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}
