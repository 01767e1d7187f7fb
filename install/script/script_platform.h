// What the script loader and the path code ask of the platform: profile
// reads, the platform's path parse, drive and directory queries, the
// program's own path and the loader's message. The installer links
// script_platform_win32.cpp, which calls the Windows functions named below;
// distcheck links its own native implementation, so that both run the same
// loader rules. Portable: no platform headers.
#pragma once
#include <cstddef>

// The size of a parsed path buffer: 127 characters and the zero.
const int PARSED_PATH_SIZE = 128;

// GetPrivateProfileStringA with the default "": the value of key in section
// of the INI file at path, cut to size - 1 characters.
void ReadProfileString(const char* section, const char* key, char* value, int size,
                       const char* path);

// OpenFile with OF_PARSE: path as a fully qualified name, at most 127
// characters, without opening anything. False when the parse fails.
bool ParsePathName(const char* path, char parsed[PARSED_PATH_SIZE]);

// GetDriveTypeA: the drive of root ("X:\") exists (not unknown, not without
// a root directory).
bool DriveRootExists(const char* root);

// FindFirstFileA: the search pattern finds at least one entry.
bool PatternFindsEntry(const char* pattern);

// GetFileAttributesA: path names an existing directory.
bool IsExistingDirectory(const char* path);

// CreateDirectoryA of one directory (its parent exists).
bool CreateOneDirectory(const char* path);

// lstrcmpiA(a, b) == 0: equal texts when case is ignored.
bool SameTextIgnoringCase(const char* a, const char* b);

// GetWindowsDirectoryA, GetSystemDirectoryA and GetModuleFileNameA of the
// program: the length written, or 0 on failure, or size or more when the
// buffer of size bytes is too small.
unsigned QueryWindowsDirectory(char* buffer, unsigned size);
unsigned QuerySystemDirectory(char* buffer, unsigned size);
unsigned QueryProgramPath(char* buffer, unsigned size);

// Zeroed and released memory of the loader's tables (the process heap).
void* AllocateZeroed(size_t size);
void ReleaseAllocated(void* block);

// The loader's only messages: an OK box with the stop or the exclamation icon.
enum ScriptMessageIcon { SCRIPT_ICON_STOP, SCRIPT_ICON_EXCLAMATION };
void ShowScriptMessage(const char* text, const char* caption, ScriptMessageIcon icon);
