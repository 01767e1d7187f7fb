#include "install/archive/entry_decoder.h"

#include <cstdio>
#include <cstring>

#include "install/archive/archive_seam.h"
#include "install/archive/arj_header.h"
#include "install/archive/crc32.h"
#include "install/archive/decoders.h"
#include "install/archive/message_name.h"

static const char TERMINATED_TEXT[] = "Installation process is terminated.";

// Lower-cased copy of a name for a message, bounded by the buffer.
static void LowerName(const char* name, char* out, size_t size)
{
    size_t i = 0;
    if (name != nullptr) {
        for (; name[i] != '\0' && i + 1 < size; ++i)
            out[i] = name[i];
    }
    out[i] = '\0';
    LowerCaseText(out);
}

static void SetNamedText(const char* format, const char* name)
{
    char shortName[256];
    ShortenMessageName(format, name != nullptr ? name : "", shortName, sizeof shortName);
    char lower[256];
    LowerName(shortName, lower, sizeof lower);
    snprintf(finishMessage, sizeof finishMessage, format, lower);
}

void SetMemoryError()
{
    snprintf(finishMessage, sizeof finishMessage, "%s", "Available memory is not enough. ");
}

void SetTerminated()
{
    snprintf(finishMessage, sizeof finishMessage, "%s", TERMINATED_TEXT);
}

void SetReadError(const char* archiveName)
{
    if (cancelRequested)
        SetTerminated();
    else
        SetNamedText("Reading or unpacking error in '%s'. ", archiveName);
}

void SetWriteError(const char* outputName)
{
    SetNamedText("Disk full or error writing the file '%s'. ", outputName);
}

bool WriteOutputBlock(int output, const uint8_t* bytes, int count)
{
    if (count <= 0)
        return true;
    UpdateCrc(bytes, (size_t)count);
    if (EntryHeader.fileType != 1)
        return WriteOutputFile(output, bytes, count) == count;
    // Text entries are seven-bit: bit 7 of every byte is cleared on the way
    // out (the CRC above is over the decoded bytes).
    uint8_t text[4096];
    for (int done = 0; done < count;) {
        int n = count - done < (int)sizeof text ? count - done : (int)sizeof text;
        for (int i = 0; i < n; ++i)
            text[i] = (uint8_t)(bytes[done + i] & 0x7F);
        if (WriteOutputFile(output, text, n) != n)
            return false;
        done += n;
    }
    return true;
}

bool DecodeEntryData(int archive, int output, const char* archiveName, const char* outputName)
{
    DecodeTarget t = {archive, output, archiveName, outputName};
    switch (EntryHeader.method) {
    case 0:
        return CopyStoredData(t);
    case 1:
    case 2:
    case 3:
        return DecodeHuffmanData(t);
    case 4:
        return DecodeFastData(t);
    default:
        SetReadError(archiveName);
        return false;
    }
}
