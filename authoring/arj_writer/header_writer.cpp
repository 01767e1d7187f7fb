#include "authoring/arj_writer/header_writer.h"

#include <cstring>

#include "install/archive/crc32.h"

const uint8_t ARCHIVER_VERSION = 11;
const uint8_t VERSION_TO_EXTRACT = 1;
const uint8_t HOST_MSDOS = 0;
const uint8_t PATH_SEPARATORS_TRANSLATED = 0x10;  // names use '/' for '\'
const uint8_t MAIN_HEADER_TYPE = 2;
const int MAIN_FIELDS_SIZE = 34;   // the numeric fields before the archive's name
const int ENTRY_FIELDS_SIZE = 30;  // those before an entry's name

static void Put16(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

static void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

// Wraps the basic header at out + 4 (its fields, name and empty comment
// already there) into a block: id, size, CRC, no extended header.
static int FinishBlock(uint8_t* out, int basicSize)
{
    Put16(out, 0xEA60);
    Put16(out + 2, (uint32_t)basicSize);
    Put32(out + 4 + basicSize, Crc32Of(out + 4, (size_t)basicSize));
    Put16(out + 8 + basicSize, 0);
    return basicSize + 10;
}

// Copies the name and an empty comment after the fields; the basic header's size.
static int PutNameAndComment(uint8_t* basic, int fieldsSize, const char* name)
{
    size_t length = strlen(name);
    memcpy(basic + fieldsSize, name, length + 1);
    basic[fieldsSize + length + 1] = 0;
    return fieldsSize + (int)length + 2;
}

int MainHeaderBlock(uint8_t* out, const char* archiveName, uint32_t dosDateTime)
{
    uint8_t* h = out + 4;
    memset(h, 0, MAIN_FIELDS_SIZE);
    h[0] = MAIN_FIELDS_SIZE;
    h[1] = ARCHIVER_VERSION;
    h[2] = VERSION_TO_EXTRACT;
    h[3] = HOST_MSDOS;
    h[6] = MAIN_HEADER_TYPE;
    Put32(h + 8, dosDateTime);   // created
    Put32(h + 12, dosDateTime);  // last changed
    return FinishBlock(out, PutNameAndComment(h, MAIN_FIELDS_SIZE, archiveName));
}

int EntryHeaderBlock(uint8_t* out, const EntryFields& e)
{
    uint8_t* h = out + 4;
    memset(h, 0, ENTRY_FIELDS_SIZE);
    const char* slash = strrchr(e.name, '/');
    h[0] = ENTRY_FIELDS_SIZE;
    h[1] = ARCHIVER_VERSION;
    h[2] = VERSION_TO_EXTRACT;
    h[3] = HOST_MSDOS;
    h[4] = slash != nullptr ? PATH_SEPARATORS_TRANSLATED : 0;
    h[5] = e.method;
    h[6] = e.fileType;
    Put32(h + 8, e.dosDateTime);
    Put32(h + 12, e.compressedSize);
    Put32(h + 16, e.originalSize);
    Put32(h + 20, e.crc);
    Put16(h + 24, slash != nullptr ? (uint32_t)(slash + 1 - e.name) : 0);  // where the file's own name starts
    Put16(h + 26, e.attributes);
    return FinishBlock(out, PutNameAndComment(h, ENTRY_FIELDS_SIZE, e.name));
}

int EndMarker(uint8_t* out)
{
    Put16(out, 0xEA60);
    Put16(out + 2, 0);
    return END_MARKER_SIZE;
}
