#include "install/archive/arj_header.h"

#include <cstring>

#include "install/archive/archive_seam.h"
#include "install/archive/crc32.h"
#include "install/core/device_names.h"

EntryHeaderRecord EntryHeader;
uint8_t headerBuffer[HEADER_BUFFER_SIZE];

static const int FIXED_FIELDS_SIZE = 30;  // the numeric fields before the name

static uint16_t Get16(const uint8_t* p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t Get32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Reads exactly count bytes (no CRC).
static bool ReadExact(int archive, void* buffer, int count)
{
    return ReadCached(archive, buffer, count) == count;
}

bool ReadWithCrc(int archive, void* buffer, int count)
{
    if (!ReadExact(archive, buffer, count))
        return false;
    UpdateCrc(buffer, (size_t)count);
    return true;
}

// Reads `size` basic header bytes into headerBuffer and the stored CRC after
// them; true when the CRC matches.
static bool ReadBasicHeader(int archive, int size)
{
    uint8_t stored[4];
    runningCrc = 0xFFFFFFFFu;
    if (!ReadWithCrc(archive, headerBuffer, size) || !ReadExact(archive, stored, 4))
        return false;
    return Get32(stored) == ~runningCrc;
}

int FindArchiveHeader(int archive)
{
    int p = SeekCached(archive, 0, 1);
    if (p == -1)
        return -1;
    int size = SeekCached(archive, 0, 2);
    if (size == -1)
        return -1;
    int last = size - 2;
    if (last > HEADER_SEARCH_LIMIT)
        last = HEADER_SEARCH_LIMIT;

    while (p < last) {
        uint8_t c;
        if (SeekCached(archive, p, 0) == -1 || !ReadExact(archive, &c, 1))
            return -1;
        // Scan for 0x60 0xEA; p is the offset of c.
        for (;;) {
            if (p >= last)
                return -1;
            if (c != 0x60) {
                if (!ReadExact(archive, &c, 1))
                    return -1;
                ++p;
                continue;
            }
            uint8_t d;
            if (!ReadExact(archive, &d, 1))
                return -1;
            if (d == 0xEA)
                break;
            ++p;  // d may start the pair itself
            c = d;
        }
        uint8_t sizeBytes[2];
        if (!ReadExact(archive, sizeBytes, 2))
            return -1;
        int headerSize = Get16(sizeBytes);
        if (headerSize <= HEADER_BUFFER_SIZE) {
            runningCrc = 0xFFFFFFFFu;
            if (!ReadWithCrc(archive, headerBuffer, headerSize))
                return -1;
            uint8_t stored[4];
            if (!ReadExact(archive, stored, 4))
                return -1;
            if (Get32(stored) == ~runningCrc)
                return SeekCached(archive, p, 0) == -1 ? -1 : p;
        }
        ++p;
    }
    return -1;
}

void ClearHighBits(char* text)
{
    for (; *text != '\0'; ++text)
        *text = (char)(*text & 0x7F);
}

EntryNameFault FindEntryNameFault(const char* name)
{
    if (name[0] == '\\' || name[0] == '/')
        return ENTRY_NAME_ROOTED;
    if (name[0] != '\0' && name[1] == ':')
        return ENTRY_NAME_ROOTED;
    // No part may end in a dot or a space. Windows drops those characters
    // when it parses a path, so "..." or "...." would become "..", which
    // climbs out of the destination, and "sub." would name "sub". This
    // covers "." and ".." as well. Nor may a part name a device: the file
    // would be written to it.
    const char* part = name;
    for (const char* q = name;; ++q) {
        if (*q == '\\' || *q == '/' || *q == '\0') {
            if (q > part && (q[-1] == '.' || q[-1] == ' '))
                return ENTRY_NAME_SHORTENED;
            if (IsDeviceName(part, (size_t)(q - part)))
                return ENTRY_NAME_DEVICE;
            if (*q == '\0')
                break;
            part = q + 1;
        }
    }
    return ENTRY_NAME_SAFE;
}

bool IsSafeEntryName(const char* name)
{
    return FindEntryNameFault(name) == ENTRY_NAME_SAFE;
}

// Copies the zero-terminated name at offset F of the basic header. False when
// F lies outside the header, the name has no terminating zero inside it, or
// the name does not fit the buffer.
static bool CopyEntryName(int headerSize, char* nameBuffer)
{
    int first = headerBuffer[0];
    if (first >= headerSize)
        return false;
    const void* zero = memchr(headerBuffer + first, 0, (size_t)(headerSize - first));
    if (zero == nullptr)
        return false;
    size_t length = (size_t)(static_cast<const uint8_t*>(zero) - (headerBuffer + first));
    if (length >= (size_t)ENTRY_NAME_SIZE)
        return false;
    memcpy(nameBuffer, headerBuffer + first, length + 1);
    return true;
}

// The failure of ReadEntryHeader, which leaves no name behind.
static int Failed(char* nameBuffer)
{
    if (nameBuffer != nullptr)
        nameBuffer[0] = '\0';
    return -1;
}

int ReadEntryHeader(int archive, char* nameBuffer)
{
    if (nameBuffer != nullptr)
        nameBuffer[0] = '\0';
    uint8_t word[2];
    if (!ReadExact(archive, word, 2) || Get16(word) != HEADER_ID)
        return -1;
    if (!ReadExact(archive, word, 2))
        return -1;
    int headerSize = Get16(word);
    if (headerSize == 0)
        return 0;
    if (headerSize > HEADER_BUFFER_SIZE)
        return -1;
    if (!ReadBasicHeader(archive, headerSize))
        return -1;
    // A header too short for its fields reads them as 0, never stale bytes.
    if (headerSize < FIXED_FIELDS_SIZE)
        memset(headerBuffer + headerSize, 0, (size_t)(FIXED_FIELDS_SIZE - headerSize));

    const uint8_t* h = headerBuffer;
    EntryHeader.archiverVersion = h[1];
    EntryHeader.minimumVersion = h[2];
    EntryHeader.hostSystem = h[3];
    EntryHeader.flags = h[4];
    EntryHeader.method = h[5];
    EntryHeader.fileType = h[6];
    EntryHeader.dateTime = Get32(h + 8);
    EntryHeader.remainingCompressed = (int32_t)Get32(h + 12);
    EntryHeader.uncompressedSize = (int32_t)Get32(h + 16);
    EntryHeader.fileCrc = Get32(h + 20);
    EntryHeader.fileMode = Get16(h + 26);
    EntryHeader.hostData = Get16(h + 28);

    if (nameBuffer != nullptr) {
        if (!CopyEntryName(headerSize, nameBuffer))
            return -1;
        if (EntryHeader.hostSystem != 0)
            ClearHighBits(nameBuffer);
    }

    for (;;) {
        if (!ReadExact(archive, word, 2))
            return Failed(nameBuffer);
        int extendedSize = Get16(word);
        if (extendedSize == 0)
            break;
        if (SeekCached(archive, extendedSize + 4, 1) == -1)
            return Failed(nameBuffer);
    }
    // Refused last, with the header read whole: the tools name the entry
    // and go on after its data.
    if (nameBuffer != nullptr && !IsSafeEntryName(nameBuffer))
        return -1;
    return 1;
}

bool IsEntrySupported()
{
    const EntryHeaderRecord& e = EntryHeader;
    if (e.minimumVersion > 3)
        return false;
    if (e.method > 4 || (e.method == 4 && e.archiverVersion == 1))
        return false;
    if (e.fileType != 0 && e.fileType != 1)
        return false;
    return e.hostSystem == 0 || e.fileType == 1;
}

bool SkipEntryData(int archive)
{
    int32_t left = EntryHeader.remainingCompressed;
    // A negative size would move backwards and read the same header again.
    if (left < 0)
        return false;
    int position = SeekCached(archive, 0, 1);
    if (position == -1)
        return false;
    int size = SeekCached(archive, 0, 2);
    if (size == -1 || left > size - position) {
        SeekCached(archive, position, 0);
        return false;
    }
    if (SeekCached(archive, position + left, 0) == -1)
        return false;
    EntryHeader.remainingCompressed = 0;
    return true;
}
