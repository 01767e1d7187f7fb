// libFuzzer target: a whole archive goes through the header search, the
// header reader and the decoders exactly as the installer takes them; the
// output is counted and dropped (at most 1 MB per entry, then the write
// falls short like a full disk). A declared size far beyond the data ends
// a few bytes after them with the read error; the limit keeps quick the
// streams whose few bytes do expand to megabytes (one block of codes read
// with 0 bits).
#include <cstddef>
#include <cstdint>

#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/script/transfer_sizes.h"

void ReportArchiveProgress(int archive, bool)
{
    SeekCached(archive, 0, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The speed level changes only how work is divided; vary it anyway.
    SetTransferSizes((int)(size % SPEED_LEVEL_COUNT));
    int archive = HostOpenMemory(data, size);
    if (archive == -1)
        return 0;
    BuildCrcTable();
    int start = FindArchiveHeader(archive);
    if (start != -1 && SeekCached(archive, start, 0) != -1 && ReadEntryHeader(archive, nullptr) == 1) {
        for (int entries = 0; entries < 64; ++entries) {
            char name[ENTRY_NAME_SIZE];
            if (ReadEntryHeader(archive, name) != 1)
                break;
            bool ok;
            if (!IsEntrySupported()) {
                ok = SkipEntryData(archive);
            } else {
                int output = HostOpenDiscard(1 << 20);
                runningCrc = 0xFFFFFFFFu;
                ok = DecodeEntryData(archive, output, "fuzz.arj", name);
                HostClose(output);
            }
            if (!ok)
                break;
        }
    }
    HostClose(archive);
    return 0;
}
