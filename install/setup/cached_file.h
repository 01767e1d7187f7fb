// Files of the installer: archives opened with a read cache in movable
// global memory, read and positioned through it, and output files created
// and written. Reads run queued messages between pieces while pumpEnabled
// is set; a read that the user ends sets cancelRequested and fails.
#pragma once
#include <windows.h>

#include "install/archive/archive_seam.h"  // ReadCached, SeekCached, WriteOutputFile

// One open file with a cache; the records live in one movable global block.
struct CachedFile {
    int handle;          // platform file handle, the key
    int size;            // file size when opened
    int position;        // logical read position
    HGLOBAL memory;      // the cache block
    BYTE* address;       // its address, locked while the file is open
    int cacheSize;       // the block's size as the platform reports it
    int cachedOffset;    // file offset of the cached bytes, -1 while empty
};

// Opens with _lopen (mode 0 read, 1 write, 2 read/write; write sharing is
// always denied). Files opened for reading with cacheSize > 0 get a cache of
// the smaller of their size and cacheSize when memory allows. -1 on failure.
int OpenCached(const char* path, int mode, int cacheSize);

// Closes the file and releases its cache; the platform close result.
int CloseCached(int handle);

// Platform reads of count bytes while pumpEnabled is set, each of whole
// readPieceSize pieces and after a check point (RunPendingMessagesBefore
// the time a piece took in the last read): one piece first, then as many as
// can be read before the pump is due at the last read's speed. count or -1
// (short read or ended).
int ReadInPieces(int handle, void* buffer, int count);

// Creates or truncates a file with normal attributes (an existing file's
// read-only, hidden and system attributes are cleared first); -1 on
// failure. Its output is collected in a 64 KB buffer by WriteOutputFile and
// written out when the buffer is full and by CloseCached, which returns -1
// when any of it could not be written.
int CreateOutputFile(const char* path);

// Ends the output file being written, if any, when the installation ends in
// the middle of it: its buffered output is dropped and the file closed, so
// that other programs can take it; later writes to it and its CloseCached
// fail without touching any file.
void AbandonOutputFile();

// A movable zero-filled block of 16..32,767 bytes, as large as memory allows
// up to the size asked for; null when not even 16 bytes are available.
HGLOBAL AllocCacheBuffer(int requestedSize);

// The number of open files with a cache.
int CachedFileCount();
