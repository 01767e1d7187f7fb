// The header blocks of an archive as the reader reads them: the main
// header, one header per entry and the end marker. Every header is made on
// MS-DOS (host system 0), needs version 1 to extract and has no extended
// headers or comments.
#pragma once
#include <cstdint>

const int MAX_HEADER_BLOCK = 2 + 2 + 2600 + 4 + 2;
const int END_MARKER_SIZE = 4;

struct EntryFields {
    const char* name;       // parts separated by '/', at most 259 characters
    uint8_t method;         // 0-4
    uint8_t fileType;       // 0 binary, 1 text
    uint32_t dosDateTime;   // date in the high word, time in the low word
    uint32_t compressedSize;
    uint32_t originalSize;
    uint32_t crc;           // of the original bytes
    uint16_t attributes;    // MS-DOS attribute bits
};

// Each writes the block into out (MAX_HEADER_BLOCK bytes) and returns its size.
int MainHeaderBlock(uint8_t* out, const char* archiveName, uint32_t dosDateTime);
int EntryHeaderBlock(uint8_t* out, const EntryFields& e);
int EndMarker(uint8_t* out);
