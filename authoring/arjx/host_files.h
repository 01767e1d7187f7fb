// The archive reader's seam for native tools: archives read from POSIX files
// or from memory, output written to files or counted and discarded, a message
// pump that has nothing to run, the status texts and ASCII lower-casing.
#pragma once
#include <cstddef>

#include "install/archive/archive_seam.h"

// Opens an archive file for reading; a handle or -1.
int HostOpenArchive(const char* path);

// Serves an archive from memory (the bytes must stay valid); a handle or -1.
int HostOpenMemory(const void* data, size_t size);

// Creates or truncates an output file; a handle or -1.
int HostCreateOutput(const char* path);

// An output that counts what is written and keeps nothing. Writes beyond
// `limit` bytes in total fall short, like a full disk.
int HostOpenDiscard(long long limit);

// An output into memory: writes beyond `capacity` bytes fall short.
int HostOpenBuffer(void* buffer, size_t capacity);

// The bytes written so far to an output of HostOpenDiscard or HostOpenBuffer.
long long HostWritten(int handle);

// Closes any of the above; false when closing a file failed.
bool HostClose(int handle);
