#include "authoring/arj_writer/archive_writer.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "authoring/arj_writer/archive_output.h"
#include "authoring/arj_writer/entry_compressor.h"
#include "authoring/arj_writer/entry_name.h"
#include "authoring/arj_writer/header_writer.h"
#include "authoring/arj_writer/writer_files.h"

const int64_t LARGEST_ARCHIVE = 0x7FFFFFFF;     // the reader's positions are 32-bit signed
const int64_t LARGEST_ENTRY = 0x7FFFFFFF;
const uint32_t EARLIEST_DOS_TIME = 0x00210000;  // 1980-01-01 00:00:00

struct ArchiveWriter {
    std::string path;
    std::string temporary;
    std::string name;     // path without its directory, stored in the main header
    ArchiveOutput out;
    bool timeFromEntries;
    uint32_t headerTime;  // the main header's; the newest entry's so far when timeFromEntries
    Compressor* compressor;
};

static void SetError(char* error, const char* format, const std::string& a, const char* b = "",
                     const char* c = "")
{
    snprintf(error, WRITER_ERROR_SIZE, format, a.c_str(), b, c);
}

static void SetWriteError(const ArchiveWriter* a, char* error)
{
    SetError(error, "Cannot write '%s': %s", a->path, LastFileError());
}

static int MainHeader(const ArchiveWriter* a, uint8_t* block)
{
    return MainHeaderBlock(block, a->name.c_str(), a->headerTime);
}

static void Free(ArchiveWriter* a)
{
    FreeCompressor(a->compressor);
    free(a->out.buffer);
    delete a;
}

ArchiveWriter* OpenArchiveForWriting(const char* path, uint32_t headerTime, char* error)
{
    ArchiveWriter* a = new (std::nothrow) ArchiveWriter();
    if (a == nullptr)
        return nullptr;
    a->out.file = -1;
    a->compressor = NewCompressor();
    a->out.buffer = static_cast<uint8_t*>(malloc(OUTPUT_BUFFER_SIZE));
    if (a->compressor == nullptr || a->out.buffer == nullptr) {
        Free(a);
        snprintf(error, WRITER_ERROR_SIZE, "Not enough memory to write '%s'", path);
        return nullptr;
    }
    a->path = path;
    size_t slash = a->path.find_last_of("/\\");
    a->name = slash == std::string::npos ? a->path : a->path.substr(slash + 1);
    if (a->name.empty() || a->name.size() > 255) {
        SetError(error, "'%s' is not an archive file name", a->path);
        Free(a);
        return nullptr;
    }
    // A temporary name of our own beside the archive: the first that is free.
    for (int attempt = 0; attempt < 10 && a->out.file == -1; ++attempt) {
        a->temporary = a->path + ".tmp" + (attempt == 0 ? "" : std::to_string(attempt));
        a->out.file = CreateArchiveFile(a->temporary.c_str());
    }
    if (a->out.file == -1) {
        SetError(error, "Cannot create '%s': %s", a->temporary, LastFileError());
        Free(a);
        return nullptr;
    }
    a->timeFromEntries = headerTime == 0;
    a->headerTime = headerTime == 0 ? EARLIEST_DOS_TIME : headerTime;
    uint8_t block[MAX_HEADER_BLOCK];
    OutputBytes(a->out, block, MainHeader(a, block));  // fits the empty buffer
    return a;
}

int64_t ArchiveSize(const ArchiveWriter* a)
{
    return OutputPosition(a->out) + END_MARKER_SIZE;
}

// Passes the entry's data to the output; fills `data` and the method used.
static EntryOutcome WriteEntryData(ArchiveWriter* a, int source, const SourceFileInfo& info,
                                   int method, EntryData& data, int& methodUsed)
{
    methodUsed = 0;
    if (method == 0 || info.size == 0)
        return StoreEntry(*a->compressor, source, a->out, data);
    int64_t dataStart = OutputPosition(a->out);
    EntryOutcome outcome = CompressEntry(*a->compressor, source, method, a->out, info.size, data);
    if (outcome == ENTRY_WRITTEN && data.compressedSize < data.originalSize) {
        methodUsed = method;
        return ENTRY_WRITTEN;
    }
    if (outcome != ENTRY_WRITTEN && outcome != ENTRY_NOT_SMALLER)
        return outcome;
    // Not smaller: stored instead, read again from the start.
    RewindOutput(a->out, dataStart);
    if (!RewindSourceFile(source))
        return ENTRY_READ_FAILED;
    return StoreEntry(*a->compressor, source, a->out, data);
}

bool AddFileToArchive(ArchiveWriter* a, const char* sourcePath, const char* name, bool text,
                      int method, AddedEntry* added, char* error)
{
    if (method < 0 || method > 4) {
        SetError(error, "'%s': method %s is not 0 to 4", sourcePath, std::to_string(method).c_str());
        return false;
    }
    const char* problem = EntryNameProblem(name);
    if (problem != nullptr) {
        SetError(error, "'%s' cannot be stored as '%s': the name %s", sourcePath, name, problem);
        return false;
    }
    SourceFileInfo info;
    int source = OpenSourceFile(sourcePath, &info);
    if (source == -1) {
        SetError(error, "Cannot read '%s': %s", sourcePath, LastFileError());
        return false;
    }
    // The header's place first; it is filled in when the data are known.
    int64_t entryStart = OutputPosition(a->out);
    EntryFields e = {name, 0, (uint8_t)(text ? 1 : 0), info.dosDateTime, 0, 0, 0, info.attributes};
    uint8_t block[MAX_HEADER_BLOCK];
    int headerSize = EntryHeaderBlock(block, e);
    EntryData data;
    int methodUsed = 0;
    EntryOutcome outcome = ENTRY_TOO_LARGE;
    if (info.size <= LARGEST_ENTRY) {
        outcome = OutputBytes(a->out, block, headerSize)
                      ? WriteEntryData(a, source, info, method, data, methodUsed)
                      : ENTRY_WRITE_FAILED;
    }
    CloseSourceFile(source);
    if (outcome == ENTRY_WRITTEN && OutputPosition(a->out) + END_MARKER_SIZE > LARGEST_ARCHIVE) {
        SetError(error, "'%s' would make '%s' 2 GB or larger", sourcePath, a->path.c_str());
        outcome = ENTRY_NO_MEMORY;  // reported
    } else if (outcome == ENTRY_WRITTEN) {
        e.method = (uint8_t)methodUsed;
        e.compressedSize = (uint32_t)data.compressedSize;
        e.originalSize = (uint32_t)data.originalSize;
        e.crc = data.crc;
        EntryHeaderBlock(block, e);
        if (RewriteOutput(a->out, entryStart, block, headerSize)) {
            if (added != nullptr)
                *added = AddedEntry{methodUsed, data.originalSize, data.compressedSize};
            if (a->timeFromEntries && info.dosDateTime > a->headerTime)
                a->headerTime = info.dosDateTime;
            return true;
        }
        SetWriteError(a, error);
    } else if (outcome == ENTRY_READ_FAILED) {
        SetError(error, "Cannot read '%s': %s", sourcePath, LastFileError());
    } else if (outcome == ENTRY_TOO_LARGE) {
        SetError(error, "'%s' holds 2 GB or more; an archive entry must be smaller", sourcePath);
    } else if (outcome == ENTRY_NO_MEMORY) {
        SetError(error, "Not enough memory to compress '%s'", sourcePath);
    } else {
        SetWriteError(a, error);
    }
    // The archive ends where it ended before.
    RewindOutput(a->out, entryStart);
    return false;
}

int64_t FinishArchive(ArchiveWriter* a, char* error)
{
    uint8_t marker[END_MARKER_SIZE];
    EndMarker(marker);
    uint8_t block[MAX_HEADER_BLOCK];
    int64_t size = ArchiveSize(a);
    bool ok = (!a->timeFromEntries || RewriteOutput(a->out, 0, block, MainHeader(a, block))) &&
              OutputBytes(a->out, marker, END_MARKER_SIZE) && FlushOutput(a->out) &&
              TruncateArchiveFile(a->out.file, size);
    if (!ok)
        SetWriteError(a, error);
    bool closed = CloseArchiveFile(a->out.file);
    a->out.file = -1;
    if (ok && !closed) {
        SetWriteError(a, error);
        ok = false;
    }
    if (ok && !RenameArchiveFile(a->temporary.c_str(), a->path.c_str())) {
        SetError(error, "Cannot rename '%s' to '%s': %s", a->temporary, a->path.c_str(),
                 LastFileError());
        ok = false;
    }
    if (!ok) {
        RemoveArchiveFile(a->temporary.c_str());
        size = -1;
    }
    Free(a);
    return size;
}

void DiscardArchive(ArchiveWriter* a)
{
    if (a->out.file != -1)
        CloseArchiveFile(a->out.file);
    RemoveArchiveFile(a->temporary.c_str());
    Free(a);
}
