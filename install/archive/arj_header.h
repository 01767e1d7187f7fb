// Header blocks of an ARJ archive: finding the first one, reading each entry
// header, deciding whether an entry can be installed and skipping its data.
// Portable; reads go through the archive seam.
#pragma once
#include <cstdint>

const int HEADER_ID = 0xEA60;
const int HEADER_BUFFER_SIZE = 2600;     // largest basic header
const int HEADER_SEARCH_LIMIT = 25000;   // the first header starts before this offset
const int ENTRY_NAME_SIZE = 260;         // name buffers hold 259 characters and a zero

// The current entry header, overwritten by every header read.
struct EntryHeaderRecord {
    uint8_t archiverVersion;
    uint8_t minimumVersion;
    uint8_t hostSystem;      // 0 MS-DOS, anything else another system
    uint8_t flags;
    uint8_t method;          // 0 stored, 1-3 Huffman, 4 fast
    uint8_t fileType;        // 0 binary, 1 seven-bit text
    uint32_t dateTime;       // MS-DOS date (high word) and time (low word)
    int32_t remainingCompressed;  // data bytes of the entry not yet taken
    int32_t uncompressedSize;
    uint32_t fileCrc;
    uint16_t fileMode;       // MS-DOS attributes
    uint16_t hostData;
};

extern EntryHeaderRecord EntryHeader;
extern uint8_t headerBuffer[HEADER_BUFFER_SIZE];

// From the current read position, finds the first header with a valid size
// and CRC starting before offset 25,000; leaves the read position on it and
// returns its offset, or -1.
int FindArchiveHeader(int archive);

// Reads the header block at the read position. 0: end marker; 1: header
// read, its name copied into nameBuffer (ENTRY_NAME_SIZE bytes) when one is
// given; -1: failure (short read, bad id, size or CRC, a name that does not
// fit the header or the buffer, or a name that would leave the destination).
// The read position ends on the entry's data.
int ReadEntryHeader(int archive, char* nameBuffer);

// True when the current entry can be installed.
bool IsEntrySupported();

// Moves past the entry's remaining data; false when that lies beyond the
// end of the archive.
bool SkipEntryData(int archive);

// Reads exactly count bytes and feeds them to runningCrc.
bool ReadWithCrc(int archive, void* buffer, int count);

// Clears bit 7 of every character of a zero-terminated text.
void ClearHighBits(char* text);

// True for a relative name without drive or leading separator whose parts
// do not end in a dot or a space (so none is "." or ".." or made only of
// dots). Checked on the name as installed, after ClearHighBits.
bool IsSafeEntryName(const char* name);
