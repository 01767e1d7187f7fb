// Turns one source file into an entry's data: reads it in pieces through
// the writer's file seam into a sliding input window, runs the method's
// parser over it and passes the coded bytes to the archive output as they
// come. Memory is the window, the parsers' tables and one buffer of coded
// bytes, whatever the file's size.
#pragma once
#include <cstdint>

#include "authoring/arj_writer/archive_output.h"

struct Compressor;

// Null when there is not enough memory.
Compressor* NewCompressor();
void FreeCompressor(Compressor* c);

struct EntryData {
    int64_t originalSize;    // bytes read from the source
    int64_t compressedSize;  // bytes passed to the output
    uint32_t crc;            // CRC-32 of the bytes read
};

enum EntryOutcome {
    ENTRY_WRITTEN,
    ENTRY_NOT_SMALLER,     // coding stopped: it would not be smaller than giveUpAt
    ENTRY_READ_FAILED,
    ENTRY_TOO_LARGE,       // the source holds 2^31 bytes or more
    ENTRY_WRITE_FAILED,
    ENTRY_NO_MEMORY,
};

// Codes the source with method 1-4. Coding stops with ENTRY_NOT_SMALLER
// once giveUpAt coded bytes are reached.
EntryOutcome CompressEntry(Compressor& c, int source, int method, ArchiveOutput& out,
                           int64_t giveUpAt, EntryData& data);

// Copies the source unchanged (method 0).
EntryOutcome StoreEntry(Compressor& c, int source, ArchiveOutput& out, EntryData& data);
