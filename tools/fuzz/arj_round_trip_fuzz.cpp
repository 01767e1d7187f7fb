// libFuzzer target of the archive writer: the input becomes one archive
// with an entry of every method (0-4), written in memory, and the
// installer's reader must give the input back from each entry, byte for
// byte, with matching CRCs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "authoring/arj_writer/archive_writer.h"
#include "authoring/arj_writer/writer_files.h"
#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/script/transfer_sizes.h"

namespace {

// The writer's files: the fuzz input as the one source, the archive in memory.
const uint8_t* input;
size_t inputSize;
size_t inputPosition;
std::vector<uint8_t> archive;
size_t archivePosition;
const int SOURCE = 1;
const int ARCHIVE = 2;

}  // namespace

void ReportArchiveProgress(int, bool)
{
}

int OpenSourceFile(const char*, SourceFileInfo* info)
{
    inputPosition = 0;
    info->size = (int64_t)inputSize;
    info->dosDateTime = 0x5A8B6000;
    info->attributes = 0x20;
    return SOURCE;
}

int ReadSourceFile(int, void* buffer, int count)
{
    size_t n = inputSize - inputPosition < (size_t)count ? inputSize - inputPosition : (size_t)count;
    memcpy(buffer, input + inputPosition, n);
    inputPosition += n;
    return (int)n;
}

bool RewindSourceFile(int)
{
    inputPosition = 0;
    return true;
}

void CloseSourceFile(int)
{
}

int CreateArchiveFile(const char*)
{
    archive.clear();
    archivePosition = 0;
    return ARCHIVE;
}

bool WriteArchiveFile(int, const void* bytes, int count)
{
    if (archive.size() < archivePosition + (size_t)count)
        archive.resize(archivePosition + (size_t)count);
    memcpy(archive.data() + archivePosition, bytes, (size_t)count);
    archivePosition += (size_t)count;
    return true;
}

bool SeekArchiveFile(int, int64_t position)
{
    archivePosition = (size_t)position;
    return true;
}

bool TruncateArchiveFile(int, int64_t size)
{
    archive.resize((size_t)size);
    return true;
}

bool CloseArchiveFile(int)
{
    return true;
}

bool RenameArchiveFile(const char*, const char*)
{
    return true;
}

void RemoveArchiveFile(const char*)
{
}

const char* LastFileError()
{
    return "no error";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    input = data;
    inputSize = size;
    char error[WRITER_ERROR_SIZE];
    ArchiveWriter* a = OpenArchiveForWriting("FUZZ.ARJ", 0, error);
    if (a == nullptr)
        abort();
    const char* names[5] = {"m0.bin", "m1.bin", "m2.bin", "m3.bin", "m4.bin"};
    for (int method = 0; method < 5; ++method) {
        if (!AddFileToArchive(a, "input", names[method], false, method, nullptr, error))
            abort();
    }
    if (FinishArchive(a, error) != (int64_t)archive.size())
        abort();

    SetTransferSizes((int)(size % SPEED_LEVEL_COUNT));
    BuildCrcTable();
    static std::string decoded;
    int handle = HostOpenMemory(archive.data(), archive.size());
    if (FindArchiveHeader(handle) != 0 || ReadEntryHeader(handle, nullptr) != 1)
        abort();
    for (int method = 0; method < 5; ++method) {
        char name[ENTRY_NAME_SIZE];
        if (ReadEntryHeader(handle, name) != 1 || strcmp(name, names[method]) != 0 ||
            !IsEntrySupported() || EntryHeader.uncompressedSize != (int32_t)size)
            abort();
        decoded.clear();
        int output = HostOpenMemoryOutput(&decoded, (long long)size + 1);
        runningCrc = 0xFFFFFFFFu;
        if (!DecodeEntryData(handle, output, "FUZZ.ARJ", name) ||
            decoded.size() != size || ~runningCrc != EntryHeader.fileCrc ||
            EntryHeader.fileCrc != Crc32Of(data, size) || (size > 0 && memcmp(decoded.data(), data, size) != 0))
            abort();
        HostClose(output);
    }
    if (ReadEntryHeader(handle, nullptr) != 0)
        abort();
    HostClose(handle);
    return 0;
}
