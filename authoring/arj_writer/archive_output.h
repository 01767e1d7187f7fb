// The archive file as the writer fills it: bytes are collected in a buffer
// and written in large pieces; bytes written earlier can be rewritten (an
// entry's header once its data are known), and the output can go back to
// an earlier place (an entry stored after all). Portable; the file is
// reached through writer_files.h.
#pragma once
#include <cstdint>

const int OUTPUT_BUFFER_SIZE = 1 << 18;

struct ArchiveOutput {
    int file;
    uint8_t* buffer;       // OUTPUT_BUFFER_SIZE bytes
    int used;
    int64_t bufferStart;   // file offset of buffer[0]
    int64_t filePosition;  // the file's own position
};

// The file offset the next byte goes to.
inline int64_t OutputPosition(const ArchiveOutput& o)
{
    return o.bufferStart + o.used;
}

// Each returns false when a write or a seek fails.
bool OutputBytes(ArchiveOutput& o, const void* bytes, int count);
bool FlushOutput(ArchiveOutput& o);

// Rewrites count bytes at an earlier offset.
bool RewriteOutput(ArchiveOutput& o, int64_t offset, const void* bytes, int count);

// Drops everything from offset on; the next bytes go there.
void RewindOutput(ArchiveOutput& o, int64_t offset);
