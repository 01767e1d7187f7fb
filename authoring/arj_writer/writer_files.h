// What the archive writer needs from the program it is linked into: source
// files read in pieces, and the archive file created under a temporary
// name, written, repositioned, cut and renamed. Plain functions resolved
// when the program is linked: the native tools supply POSIX files, a
// Windows program its own.
#pragma once
#include <cstdint>

struct SourceFileInfo {
    int64_t size;          // bytes when opened (the writer reads up to the end)
    uint32_t dosDateTime;  // last change in local time: date in the high word, time in the low word
    uint16_t attributes;   // MS-DOS attribute bits (read-only 0x01, archive 0x20)
};

// Opens a regular file for reading; a handle, or -1.
int OpenSourceFile(const char* path, SourceFileInfo* info);

// Reads up to count bytes; the bytes read, 0 at the end, -1 on failure.
int ReadSourceFile(int handle, void* buffer, int count);

// Goes back to the file's start; false on failure.
bool RewindSourceFile(int handle);

void CloseSourceFile(int handle);

// Creates a new file for writing, failing when one of that name exists; a
// handle, or -1.
int CreateArchiveFile(const char* path);

// Writes all count bytes at the file's position; false when it cannot.
bool WriteArchiveFile(int handle, const void* bytes, int count);

// Moves the file's position, counted from its start.
bool SeekArchiveFile(int handle, int64_t position);

// Cuts the file at size bytes.
bool TruncateArchiveFile(int handle, int64_t size);

// Closes the file; false when what was written could not be saved.
bool CloseArchiveFile(int handle);

// Renames a file, replacing any file of the new name.
bool RenameArchiveFile(const char* from, const char* to);

void RemoveArchiveFile(const char* path);

// Why the last of the calls above failed, as the platform words it.
const char* LastFileError();
