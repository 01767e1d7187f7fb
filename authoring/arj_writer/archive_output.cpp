#include "authoring/arj_writer/archive_output.h"

#include <cstring>

#include "authoring/arj_writer/writer_files.h"

static bool WriteAt(ArchiveOutput& o, int64_t offset, const void* bytes, int count)
{
    if (o.filePosition != offset && !SeekArchiveFile(o.file, offset))
        return false;
    if (!WriteArchiveFile(o.file, bytes, count))
        return false;
    o.filePosition = offset + count;
    return true;
}

ArchiveOutput MemoryOutput(std::vector<uint8_t>* bytes)
{
    bytes->clear();
    return ArchiveOutput{-1, nullptr, 0, 0, 0, bytes};
}

bool FlushOutput(ArchiveOutput& o)
{
    if (o.memory != nullptr)
        return true;
    if (o.used > 0 && !WriteAt(o, o.bufferStart, o.buffer, o.used))
        return false;
    o.bufferStart += o.used;
    o.used = 0;
    return true;
}

bool OutputBytes(ArchiveOutput& o, const void* bytes, int count)
{
    if (o.memory != nullptr) {
        const uint8_t* from = static_cast<const uint8_t*>(bytes);
        o.memory->insert(o.memory->end(), from, from + count);
        return true;
    }
    if (o.used + count > OUTPUT_BUFFER_SIZE) {
        if (!FlushOutput(o))
            return false;
        if (count >= OUTPUT_BUFFER_SIZE) {
            // Large pieces go straight to the file.
            if (!WriteAt(o, o.bufferStart, bytes, count))
                return false;
            o.bufferStart += count;
            return true;
        }
    }
    memcpy(o.buffer + o.used, bytes, (size_t)count);
    o.used += count;
    return true;
}

bool RewriteOutput(ArchiveOutput& o, int64_t offset, const void* bytes, int count)
{
    if (o.memory != nullptr) {
        memcpy(o.memory->data() + offset, bytes, (size_t)count);
        return true;
    }
    if (offset >= o.bufferStart) {
        memcpy(o.buffer + (offset - o.bufferStart), bytes, (size_t)count);
        return true;
    }
    if (offset + count > o.bufferStart && !FlushOutput(o))
        return false;
    return WriteAt(o, offset, bytes, count);
}

void RewindOutput(ArchiveOutput& o, int64_t offset)
{
    if (o.memory != nullptr) {
        o.memory->resize((size_t)offset);
        return;
    }
    if (offset >= o.bufferStart) {
        o.used = (int)(offset - o.bufferStart);
        return;
    }
    // Already in the file: later bytes overwrite it there, and the file is
    // cut at its end when the archive is finished.
    o.bufferStart = offset;
    o.used = 0;
}
