#include "authoring/arj_writer/archive_writer.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "authoring/arj_writer/archive_output.h"
#include "authoring/arj_writer/entry_compressor.h"
#include "authoring/arj_writer/entry_name.h"
#include "authoring/arj_writer/header_writer.h"
#include "authoring/arj_writer/writer_files.h"
#include "install/archive/crc32.h"

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
static EntryOutcome WriteEntryData(Compressor& c, ArchiveOutput& out, int source, const SourceFileInfo& info,
                                   int method, EntryData& data, int& methodUsed)
{
    methodUsed = 0;
    if (method == 0 || info.size == 0)
        return StoreEntry(c, source, out, data);
    int64_t dataStart = OutputPosition(out);
    EntryOutcome outcome = CompressEntry(c, source, method, out, info.size, data);
    if (outcome == ENTRY_WRITTEN && data.compressedSize < data.originalSize) {
        methodUsed = method;
        return ENTRY_WRITTEN;
    }
    if (outcome != ENTRY_WRITTEN && outcome != ENTRY_NOT_SMALLER)
        return outcome;
    // Not smaller: stored instead, read again from the start.
    RewindOutput(out, dataStart);
    if (!RewindSourceFile(source))
        return ENTRY_READ_FAILED;
    return StoreEntry(c, source, out, data);
}

static void SetEntryError(const ArchiveWriter* a, EntryOutcome outcome, const char* sourcePath,
                          char* error)
{
    switch (outcome) {
    case ENTRY_READ_FAILED:
        SetError(error, "Cannot read '%s': %s", sourcePath, LastFileError());
        break;
    case ENTRY_TOO_LARGE:
        SetError(error, "'%s' holds 2 GB or more; an archive entry must be smaller", sourcePath);
        break;
    case ENTRY_NO_MEMORY:
        SetError(error, "Not enough memory to compress '%s'", sourcePath);
        break;
    default:
        SetWriteError(a, error);
        break;
    }
}

// The checks that come before a file is read: the method and the name.
static bool CheckEntry(const char* sourcePath, const char* name, int method, char* error)
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
    return true;
}

// Fills in the entry's header at entryStart now that its data follow it;
// false with the reason in error.
static bool CompleteEntry(ArchiveWriter* a, int64_t entryStart, EntryFields& e, const EntryData& data,
                          int methodUsed, const char* sourcePath, AddedEntry* added, char* error)
{
    if (OutputPosition(a->out) + END_MARKER_SIZE > LARGEST_ARCHIVE) {
        SetError(error, "'%s' would make '%s' 2 GB or larger", sourcePath, a->path.c_str());
        return false;
    }
    e.method = (uint8_t)methodUsed;
    e.compressedSize = (uint32_t)data.compressedSize;
    e.originalSize = (uint32_t)data.originalSize;
    e.crc = data.crc;
    uint8_t block[MAX_HEADER_BLOCK];
    int headerSize = EntryHeaderBlock(block, e);
    if (!RewriteOutput(a->out, entryStart, block, headerSize)) {
        SetWriteError(a, error);
        return false;
    }
    if (added != nullptr)
        *added = AddedEntry{methodUsed, data.originalSize, data.compressedSize};
    if (a->timeFromEntries && e.dosDateTime > a->headerTime)
        a->headerTime = e.dosDateTime;
    return true;
}

// Checks the entry and opens its file; -1 with the reason in error.
static int OpenEntrySource(const char* sourcePath, const char* name, int method, SourceFileInfo* info,
                           char* error)
{
    if (!CheckEntry(sourcePath, name, method, error))
        return -1;
    int source = OpenSourceFile(sourcePath, info);
    if (source == -1)
        SetError(error, "Cannot read '%s': %s", sourcePath, LastFileError());
    return source;
}

bool AddFileToArchive(ArchiveWriter* a, const char* sourcePath, const char* name, bool text,
                      int method, AddedEntry* added, char* error)
{
    SourceFileInfo info;
    int source = OpenEntrySource(sourcePath, name, method, &info, error);
    if (source == -1)
        return false;
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
                      ? WriteEntryData(*a->compressor, a->out, source, info, method, data, methodUsed)
                      : ENTRY_WRITE_FAILED;
    }
    CloseSourceFile(source);
    if (outcome != ENTRY_WRITTEN)
        SetEntryError(a, outcome, sourcePath, error);
    else if (CompleteEntry(a, entryStart, e, data, methodUsed, sourcePath, added, error))
        return true;
    // The archive ends where it ended before.
    RewindOutput(a->out, entryStart);
    return false;
}

namespace {

// A file coded ahead of its turn by a helper thread, its data in memory;
// or the reason it failed; or, for a large file, nothing yet: it is coded
// in its turn, streamed like any file added alone.
struct CodedEntry {
    bool done = false;
    bool failed = false;
    bool inTurn = false;
    std::string error;
    SourceFileInfo info;
    EntryData data;
    int methodUsed = 0;
    std::vector<uint8_t> bytes;
};

// Files up to this size are coded ahead, in memory. A helper takes another
// file while fewer than this many files and bytes wait for their turn, so
// that the others go on while one codes a large file; the file the archive
// waits for is always taken. Memory stays below HELD_BYTES_LIMIT plus one
// file's coded data per thread.
const int64_t CODED_AHEAD_LIMIT = 4 << 20;
const int FILES_AHEAD_LIMIT = 64;
const int64_t HELD_BYTES_LIMIT = 16 << 20;

struct Batch {
    ArchiveWriter* archive;
    const FileToAdd* files;
    int count;
    int method;
    std::vector<CodedEntry> coded;
    std::mutex lock;
    std::condition_variable changed;
    int nextToCode = 0;  // the next file a helper takes
    int added = 0;       // files in the archive so far
    int64_t held = 0;    // bytes coded ahead that wait for their turn
    bool stopping = false;
};

// Codes file i into entry; false with the reason in error.
bool CodeAhead(Batch& b, Compressor& c, int i, CodedEntry& entry, char* error)
{
    const FileToAdd& f = b.files[i];
    int source = OpenEntrySource(f.sourcePath, f.name, b.method, &entry.info, error);
    if (source == -1)
        return false;
    bool ok = true;
    if (entry.info.size > CODED_AHEAD_LIMIT) {
        entry.inTurn = true;
    } else {
        ArchiveOutput out = MemoryOutput(&entry.bytes);
        EntryOutcome outcome = ENTRY_NO_MEMORY;
        try {
            entry.bytes.reserve((size_t)entry.info.size + 64);
            outcome = WriteEntryData(c, out, source, entry.info, b.method, entry.data, entry.methodUsed);
        } catch (const std::bad_alloc&) {
        }
        if (outcome != ENTRY_WRITTEN) {
            SetEntryError(b.archive, outcome, f.sourcePath, error);
            ok = false;
        }
    }
    CloseSourceFile(source);
    return ok;
}

void RunHelper(Batch& b)
{
    Compressor* c = NewCompressor();
    std::unique_lock<std::mutex> hold(b.lock);
    for (;;) {
        b.changed.wait(hold, [&] {
            return b.stopping || b.nextToCode >= b.count || b.nextToCode == b.added ||
                   (b.nextToCode < b.added + FILES_AHEAD_LIMIT && b.held < HELD_BYTES_LIMIT);
        });
        if (b.stopping || b.nextToCode >= b.count)
            break;
        int i = b.nextToCode++;
        CodedEntry& entry = b.coded[(size_t)i];
        hold.unlock();
        char error[WRITER_ERROR_SIZE];
        bool ok = c != nullptr && CodeAhead(b, *c, i, entry, error);
        if (c == nullptr)
            SetError(error, "Not enough memory to compress '%s'", b.files[i].sourcePath);
        hold.lock();
        entry.failed = !ok;
        if (!ok)
            entry.error = error;
        b.held += (int64_t)entry.bytes.size();
        entry.done = true;
        b.changed.notify_all();
    }
    hold.unlock();
    FreeCompressor(c);
}

// Puts a file coded ahead into the archive: its header, then its data.
bool AddCodedEntry(ArchiveWriter* a, const FileToAdd& f, CodedEntry& entry, AddedEntry* added, char* error)
{
    int64_t entryStart = OutputPosition(a->out);
    EntryFields e = {f.name, 0, (uint8_t)(f.text ? 1 : 0), entry.info.dosDateTime, 0, 0, 0, entry.info.attributes};
    uint8_t block[MAX_HEADER_BLOCK];
    int headerSize = EntryHeaderBlock(block, e);
    if (!OutputBytes(a->out, block, headerSize) ||
        !OutputBytes(a->out, entry.bytes.data(), (int)entry.bytes.size())) {
        SetWriteError(a, error);
    } else if (CompleteEntry(a, entryStart, e, entry.data, entry.methodUsed, f.sourcePath, added, error)) {
        std::vector<uint8_t>().swap(entry.bytes);
        return true;
    }
    RewindOutput(a->out, entryStart);
    return false;
}

}  // namespace

bool AddFilesToArchive(ArchiveWriter* a, const FileToAdd* files, int count, int method, int threads,
                       AddedEntry* added, int* failed, char* error)
{
    if (threads <= 1 || count <= 1) {
        for (int i = 0; i < count; ++i) {
            if (!AddFileToArchive(a, files[i].sourcePath, files[i].name, files[i].text, method,
                                  added != nullptr ? &added[i] : nullptr, error)) {
                *failed = i;
                return false;
            }
        }
        return true;
    }
    // The helpers' CRC-32 needs its tables made before they start.
    BuildCrcTable();
    Batch b;
    b.archive = a;
    b.files = files;
    b.count = count;
    b.method = method;
    b.coded.resize((size_t)count);
    std::vector<std::thread> helpers;
    try {
        helpers.reserve((size_t)threads);
        for (int t = 0; t < threads; ++t)
            helpers.emplace_back(RunHelper, std::ref(b));
    } catch (const std::exception&) {
        // Fewer helpers than asked for: those that started do the work.
    }
    if (helpers.empty())
        return AddFilesToArchive(a, files, count, method, 1, added, failed, error);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        CodedEntry& entry = b.coded[(size_t)i];
        {
            std::unique_lock<std::mutex> hold(b.lock);
            b.changed.wait(hold, [&] { return entry.done; });
        }
        AddedEntry* into = added != nullptr ? &added[i] : nullptr;
        int64_t held = (int64_t)entry.bytes.size();
        if (entry.failed) {
            snprintf(error, WRITER_ERROR_SIZE, "%s", entry.error.c_str());
            ok = false;
        } else if (entry.inTurn) {
            ok = AddFileToArchive(a, files[i].sourcePath, files[i].name, files[i].text, method, into, error);
        } else {
            ok = AddCodedEntry(a, files[i], entry, into, error);
        }
        if (!ok)
            *failed = i;
        std::lock_guard<std::mutex> hold(b.lock);
        b.added = i + 1;
        b.held -= held;
        b.stopping = !ok;
        b.changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> hold(b.lock);
        b.stopping = true;
        b.changed.notify_all();
    }
    for (std::thread& t : helpers)
        t.join();
    return ok;
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
