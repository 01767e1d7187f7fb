// The archive file as the writer fills it: bytes are collected in a buffer
// and written in large pieces; bytes written earlier can be rewritten (an
// entry's header once its data are known), and the output can go back to
// an earlier place (an entry stored after all). Portable; the file is
// reached through writer_files.h. An output in memory instead collects an
// entry's data that are coded ahead of their turn.
#pragma once
#include <cstdint>
#include <vector>

const int OUTPUT_BUFFER_SIZE = 1 << 18;

struct ArchiveOutput {
    int file;
    uint8_t* buffer;       // OUTPUT_BUFFER_SIZE bytes
    int used;
    int64_t bufferStart;   // file offset of buffer[0]
    int64_t filePosition;  // the file's own position
    std::vector<uint8_t>* memory;  // when not null, every byte goes here instead
};

// An output that collects its bytes in *bytes (emptied first).
ArchiveOutput MemoryOutput(std::vector<uint8_t>* bytes);

// The file offset the next byte goes to.
inline int64_t OutputPosition(const ArchiveOutput& o)
{
    return o.memory != nullptr ? (int64_t)o.memory->size() : o.bufferStart + o.used;
}

// Each returns false when a write or a seek fails.
bool OutputBytes(ArchiveOutput& o, const void* bytes, int count);
bool FlushOutput(ArchiveOutput& o);

// Rewrites count bytes at an earlier offset.
bool RewriteOutput(ArchiveOutput& o, int64_t offset, const void* bytes, int count);

// Drops everything from offset on; the next bytes go there.
void RewindOutput(ArchiveOutput& o, int64_t offset);
