// libFuzzer target with an oracle. A whole archive goes through the header
// search, the header reader and the decoders as the installer takes them,
// at two speed levels (0 and one of the others), which must agree on every
// entry's outcome and on every byte written (after a read error, which may
// come a little sooner or later at one level, the shorter output must begin
// the longer). Then once more at the other level with a fault chosen from
// the input: reads failing from some offset on (a damaged medium, or the
// user's cancel during a read) or the installation ended at some message
// check point. That run must agree with the one without the fault until it
// ends with the fault's own text, and what it wrote must begin what that
// one wrote. Output is kept up to 4 MB per entry and 8 MB in all (then
// writes fall short, like a full disk), so that the streams whose few bytes
// expand to gigabytes stay quick.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "authoring/arjx/host_files.h"
#include "install/archive/arj_reader.h"
#include "install/script/transfer_sizes.h"

namespace {

const long long ENTRY_OUTPUT_LIMIT = 4 << 20;
const long long TOTAL_OUTPUT_LIMIT = 8 << 20;
const int MAX_ENTRIES = 64;
const char ARCHIVE_NAME[] = "fuzz.arj";
const char READ_ERROR[] = "Reading or unpacking error in 'fuzz.arj'. ";
const char TERMINATED[] = "Installation process is terminated.";

enum FaultKind { NO_FAULT, FAILING_READS, CANCELLED_READS, ENDED_AT_CHECK_POINT };

struct Fault {
    FaultKind kind;
    long long where;  // the offset of the first failing byte, or check points passed
};

struct Outcome {
    std::string entries;  // one line per entry: its name and "ok", "crc" or the failure text
    std::string end;      // the text that ended the run ("" when it ran to the end marker)
    std::string bytes;    // every entry's output in turn
};

Outcome RunArchive(const uint8_t* data, size_t size, int level, Fault fault)
{
    SetTransferSizes(level);
    cancelRequested = false;
    HostEndAfterPumps(fault.kind == ENDED_AT_CHECK_POINT ? fault.where : -1);
    Outcome o;
    int archive = HostOpenMemory(data, size);
    if (archive == -1)
        abort();
    if (fault.kind == FAILING_READS || fault.kind == CANCELLED_READS)
        HostFailReadsFrom(archive, fault.where, fault.kind == CANCELLED_READS);
    BuildCrcTable();
    int start = FindArchiveHeader(archive);
    if (start == -1 || SeekCached(archive, start, 0) == -1 || ReadEntryHeader(archive, nullptr) != 1) {
        SetReadError(ARCHIVE_NAME);
        o.end = finishMessage;
    }
    for (int entries = 0; o.end.empty() && entries < MAX_ENTRIES; ++entries) {
        char name[ENTRY_NAME_SIZE];
        int rc = ReadEntryHeader(archive, name);
        if (rc == 0)
            break;
        if (rc == -1 || !IsEntrySupported()) {
            SetReadError(ARCHIVE_NAME);
            o.end = finishMessage;
            break;
        }
        long long room = TOTAL_OUTPUT_LIMIT - (long long)o.bytes.size();
        int output = HostOpenMemoryOutput(&o.bytes, room < ENTRY_OUTPUT_LIMIT ? room : ENTRY_OUTPUT_LIMIT);
        runningCrc = 0xFFFFFFFFu;
        bool ok = DecodeEntryData(archive, output, ARCHIVE_NAME, name);
        HostClose(output);
        o.entries += std::string(name) + ": ";
        if (!ok) {
            o.end = finishMessage;
            break;
        }
        // A damaged file goes on to the next entry, for the decoders' sake.
        o.entries += ~runningCrc == EntryHeader.fileCrc ? "ok\n" : "crc\n";
    }
    HostClose(archive);
    HostEndAfterPumps(-1);
    return o;
}

bool Begins(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

// The two levels' runs agree; after a read error the shorter output
// begins the longer.
void ExpectSameOutcome(const Outcome& a, const Outcome& b)
{
    if (a.entries != b.entries || a.end != b.end)
        abort();
    bool sameBytes = a.end == READ_ERROR ? Begins(a.bytes, b.bytes) || Begins(b.bytes, a.bytes)
                                         : a.bytes == b.bytes;
    if (!sameBytes)
        abort();
}

// A run with a fault is the run without it until it ends with the fault's
// text, and it wrote the start of what that run wrote.
void ExpectCutShort(const Outcome& faulted, const Outcome& whole, FaultKind kind)
{
    if (!Begins(whole.bytes, faulted.bytes))
        abort();
    if (faulted.entries == whole.entries && faulted.end == whole.end)
        return;
    const char* text = kind == FAILING_READS ? READ_ERROR : TERMINATED;
    if (faulted.end != text || !Begins(whole.entries, faulted.entries))
        abort();
}

}  // namespace

void ReportArchiveProgress(int archive, bool)
{
    SeekCached(archive, 0, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The levels and the fault follow from the input, so that a finding
    // replays the same runs.
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    // Level 0, which lets messages run most often, against one of the
    // others.
    int level = 1 + (int)(h % (SPEED_LEVEL_COUNT - 1));
    Outcome whole = RunArchive(data, size, level, Fault{NO_FAULT, 0});
    ExpectSameOutcome(whole, RunArchive(data, size, 0, Fault{NO_FAULT, 0}));

    FaultKind kind = (FaultKind)(1 + (h >> 4) % 3);
    long long where = kind == ENDED_AT_CHECK_POINT ? (h >> 8) % 256 : (h >> 8) % (size + 1);
    ExpectCutShort(RunArchive(data, size, level, Fault{kind, where}), whole, kind);
    return 0;
}
