// Text and path checks shared by the script loader, the dialogs and the file
// installation. None shows a message or changes anything but the caller's
// buffer; the caller words the failure. Texts are at most 259 characters.
#pragma once
#include <cstdint>

// A qualified directory has at most 124 characters (the platform parse holds
// 127, less the three of the probe name); with its zero it needs 125 bytes.
const int QUALIFIED_DIR_SIZE = 125;

// Every character is a space (0x20); the empty text is blank.
bool IsBlank(const char* text);
// No byte lies in 0x01..0x1F.
bool HasNoControlChars(const char* text);
// Every character is '0'; the empty text passes.
bool IsAllZeros(const char* text);
// Every character is a decimal digit; the empty text passes.
bool IsAllDigits(const char* text);

// The drive named before the first colon exists (any type but unknown or
// no root). A path without a colon passes. The path is not changed.
bool CheckDrive(const char* path);

// In place: path becomes the fully qualified directory ending in a backslash
// (relative parts resolved against the current directory). path must hold at
// least QUALIFIED_DIR_SIZE bytes. On a parse failure (including a result too
// long) false and path is unchanged; with checkDrive, a failed drive check
// gives false but path is already qualified.
bool QualifyDirectory(char* path, bool checkDrive);

// In place: qualifies path with the drive check, then true when a search of
// the directory finds at least one entry. path stays qualified even when the
// answer is false; needs QUALIFIED_DIR_SIZE bytes like QualifyDirectory.
bool DirectoryExists(char* path);

// Creates every missing directory up to the last separator ('\' or '/') of
// path, never the text after it. Rewrites each '/' in path to '\'.
bool CreateDirectoryPath(char* path);

// The name has no drive, directory or dot-dot part, is not made of dots
// only, holds no wildcard or other character that file names cannot hold,
// and names no device (NUL, CON, AUX, PRN, COM1-9, LPT1-9, any extension).
bool IsBareFileName(const char* name);

// The file's size in bytes, or -1 when it cannot be opened.
int32_t GetFileSizeByName(const char* path);

// Stamps the existing file with an MS-DOS date (high word) and time (low
// word) as creation, access and write time, without time-zone conversion;
// sets the attributes too when applyAttributes is true.
bool SetFileTimeAndAttributes(const char* path, uint32_t dosDateTime, uint16_t attributes,
                              bool applyAttributes);
