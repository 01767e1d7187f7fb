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
// fit the header or the buffer, or a refused name). The read position ends
// on the entry's data. After -1 nameBuffer is empty, except for a refused
// name: then the whole header has been read, the read position is on the
// entry's data and nameBuffer holds the name as it would be installed.
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

// Why a name inside an archive is refused: it would leave the destination,
// be shortened by Windows, or reach a device. Checked on the name as
// installed, after ClearHighBits.
enum EntryNameFault {
    ENTRY_NAME_SAFE,
    ENTRY_NAME_ROOTED,     // a drive or a leading separator
    ENTRY_NAME_SHORTENED,  // a part ending in a dot or a space ("..", "...", "sub.")
    ENTRY_NAME_DEVICE,     // a part that names a device (NUL, COM1, aux.txt)
};
EntryNameFault FindEntryNameFault(const char* name);

// True for a name with no fault: relative, without drive or leading
// separator, and with no part that ends in a dot or a space (so none is "."
// or ".." or made only of dots) or names a device.
bool IsSafeEntryName(const char* name);
