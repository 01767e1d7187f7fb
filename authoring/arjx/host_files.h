// The archive reader's seam for native tools: archives read from POSIX files
// or from memory, output written to files or counted and discarded, a message
// pump that has nothing to run, the status texts and ASCII lower-casing.
#pragma once
#include <cstddef>
#include <string>

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

// An output whose bytes are appended to *bytes; like a discard, writes
// beyond `limit` bytes in total fall short.
int HostOpenMemoryOutput(std::string* bytes, long long limit);

// Closes any of the above; false when closing a file failed.
bool HostClose(int handle);

// Faults for tests and the fuzz target. A read of the archive that would
// reach `offset` fails, as on a damaged medium, or, with cancel, as when
// the user ends the installation during the read (cancelRequested is set).
void HostFailReadsFrom(int archive, long long offset, bool cancel);

// The message check point answers "ended" from its pumps-th call on (a
// negative count: never, the default).
void HostEndAfterPumps(long long pumps);
