// The script loader's platform functions in the installer: the Windows
// functions themselves. Also the two file functions of path_checks.h that
// only the installation uses and that are nothing but platform calls.
#include "install/script/script_platform.h"

#include <windows.h>

#include "install/core/message_box.h"
#include "install/script/path_checks.h"

void ReadProfileString(const char* section, const char* key, char* value, int size,
                       const char* path)
{
    GetPrivateProfileStringA(section, key, "", value, static_cast<DWORD>(size), path);
}

bool ParsePathName(const char* path, char parsed[PARSED_PATH_SIZE])
{
    static_assert(sizeof(((OFSTRUCT*)nullptr)->szPathName) == PARSED_PATH_SIZE,
                  "the parse holds 127 characters and the zero");
    OFSTRUCT ofs = {};
    ofs.cBytes = sizeof(ofs);
    if (OpenFile(path, &ofs, OF_PARSE) == HFILE_ERROR)
        return false;
    memcpy(parsed, ofs.szPathName, PARSED_PATH_SIZE);
    return true;
}

bool DriveRootExists(const char* root)
{
    UINT type = GetDriveTypeA(root);
    return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
}

bool PatternFindsEntry(const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

bool IsExistingDirectory(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateOneDirectory(const char* path)
{
    return CreateDirectoryA(path, nullptr) != 0;
}

bool SameTextIgnoringCase(const char* a, const char* b)
{
    return lstrcmpiA(a, b) == 0;
}

unsigned QueryWindowsDirectory(char* buffer, unsigned size)
{
    return GetWindowsDirectoryA(buffer, size);
}

unsigned QuerySystemDirectory(char* buffer, unsigned size)
{
    return GetSystemDirectoryA(buffer, size);
}

unsigned QueryProgramPath(char* buffer, unsigned size)
{
    return GetModuleFileNameA(nullptr, buffer, size);
}

void* AllocateZeroed(size_t size)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void ReleaseAllocated(void* block)
{
    HeapFree(GetProcessHeap(), 0, block);
}

void ShowScriptMessage(const char* text, const char* caption, ScriptMessageIcon icon)
{
    ShowMessageBox(nullptr, text, caption,
                   MB_OK | (icon == SCRIPT_ICON_STOP ? MB_ICONHAND : MB_ICONEXCLAMATION));
}

int32_t GetFileSizeByName(const char* path)
{
    HFILE file = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    if (file == HFILE_ERROR)
        return -1;
    LONG size = _llseek(file, 0, 2);
    _lclose(file);
    if (size == HFILE_ERROR)
        return -1;
    return size;
}

bool SetFileTimeAndAttributes(const char* path, uint32_t dosDateTime, uint16_t attributes,
                              bool applyAttributes)
{
    FILETIME time;
    if (!DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &time))
        return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BOOL stamped = SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    if (!stamped)
        return false;
    if (applyAttributes && !SetFileAttributesA(path, attributes))
        return false;
    return true;
}
