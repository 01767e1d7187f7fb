#include "authoring/arj_writer/entry_compressor.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "authoring/arj_writer/block_writer.h"
#include "authoring/arj_writer/fast_parser.h"
#include "authoring/arj_writer/lazy_parser.h"
#include "authoring/arj_writer/writer_files.h"
#include "install/archive/crc32.h"

const int64_t LARGEST_ENTRY = 0x7FFFFFFF;  // sizes are 32-bit signed for the reader
// Coded bytes one parser call can leave: two blocks of methods 1-3, or the
// codes of method 4 for MAX_STEP_INPUT bytes and a match.
const int CODED_CAPACITY = 2 * MAX_BLOCK_BYTES + 4096;

struct Compressor {
    InputWindow in;
    uint8_t* coded;
    // The parsers, each taken when its method is first used.
    LazyParser* lazy;
    FastParser* fast;
};

Compressor* NewCompressor()
{
    Compressor* c = new (std::nothrow) Compressor();
    if (c == nullptr)
        return nullptr;
    // Zero-filled: the matchers may look past the bytes read, never using
    // what they see there.
    c->in.data = static_cast<uint8_t*>(calloc(INPUT_CAPACITY + INPUT_PADDING, 1));
    c->coded = static_cast<uint8_t*>(malloc(CODED_CAPACITY));
    if (c->in.data == nullptr || c->coded == nullptr) {
        FreeCompressor(c);
        return nullptr;
    }
    return c;
}

void FreeCompressor(Compressor* c)
{
    if (c == nullptr)
        return;
    free(c->in.data);
    free(c->coded);
    delete c->lazy;
    delete c->fast;
    delete c;
}

namespace {

// The entry being read: its CRC register and the bytes so far.
struct SourceState {
    int handle;
    uint32_t crcRegister;
    int64_t bytes;
};

// Reads into data[end..capacity) until it is full or the source ends.
EntryOutcome ReadMore(SourceState& s, InputWindow& in)
{
    while (in.end < INPUT_CAPACITY) {
        int n = ReadSourceFile(s.handle, in.data + in.end, INPUT_CAPACITY - in.end);
        if (n < 0)
            return ENTRY_READ_FAILED;
        if (n == 0) {
            in.complete = true;
            break;
        }
        s.crcRegister = ContinueCrc32(s.crcRegister, in.data + in.end, (size_t)n);
        s.bytes += n;
        in.end += n;
        if (s.bytes > LARGEST_ENTRY)
            return ENTRY_TOO_LARGE;
    }
    return ENTRY_WRITTEN;
}

bool TakeParser(Compressor& c, int method)
{
    switch (method) {
    case 1:
    case 2:
    case 3:
        if (c.lazy == nullptr && (c.lazy = new (std::nothrow) LazyParser) != nullptr)
            ResetLazyParser(*c.lazy);
        if (c.lazy == nullptr)
            return false;
        StartLazyParser(*c.lazy, method);
        return true;
    default:
        if (c.fast == nullptr && (c.fast = new (std::nothrow) FastParser) != nullptr)
            ResetFastParser(*c.fast);
        return c.fast != nullptr;
    }
}

void RunParser(Compressor& c, int method, BitWriter& w)
{
    switch (method) {
    case 1:
    case 2:
    case 3:
        RunLazyParser(*c.lazy, c.in, w);
        break;
    default:
        RunFastParser(*c.fast, c.in, w);
        break;
    }
}

// Starts the window for a new entry. Its stream positions begin a history
// beyond the last entry's, so the matchers never match into that; when
// they would grow too large, the matchers forget everything instead.
void StartInput(Compressor& c)
{
    InputWindow& in = c.in;
    in.base += in.end + HISTORY_SIZE;
    if (in.base > STREAM_LIMIT - INPUT_CAPACITY - HISTORY_SIZE) {
        in.base = 0;
        if (c.lazy != nullptr)
            ResetLazyParser(*c.lazy);
        if (c.fast != nullptr)
            ResetFastParser(*c.fast);
    }
    in.pos = 0;
    in.end = 0;
    in.complete = false;
}

// Makes sure that a whole step of input and its lookahead follow in.pos,
// unless the source ends first.
EntryOutcome FillInput(InputWindow& in, SourceState& s)
{
    if (in.complete || in.end - in.pos >= MAX_STEP_INPUT + LOOKAHEAD)
        return ENTRY_WRITTEN;
    // Only the history before in.pos is kept.
    int shift = in.pos - HISTORY_SIZE;
    if (shift > 0) {
        memmove(in.data, in.data + shift, (size_t)(in.end - shift));
        in.pos -= shift;
        in.end -= shift;
        in.base += shift;
    }
    return ReadMore(s, in);
}

bool PassCoded(BitWriter& w, ArchiveOutput& out, int64_t& written)
{
    int n = TakeWrittenBytes(w);
    written += n;
    return OutputBytes(out, w.start, n);
}

}  // namespace

EntryOutcome CompressEntry(Compressor& c, int source, int method, ArchiveOutput& out,
                           int64_t giveUpAt, EntryData& data)
{
    if (!TakeParser(c, method))
        return ENTRY_NO_MEMORY;
    InputWindow& in = c.in;
    StartInput(c);
    SourceState s = {source, 0xFFFFFFFFu, 0};
    BitWriter w;
    StartBitWriter(w, c.coded);
    int64_t written = 0;
    for (;;) {
        EntryOutcome filled = FillInput(in, s);
        if (filled != ENTRY_WRITTEN)
            return filled;
        if (in.complete && in.pos >= in.end)
            break;
        RunParser(c, method, w);
        if (!PassCoded(w, out, written))
            return ENTRY_WRITE_FAILED;
        if (written >= giveUpAt)
            return ENTRY_NOT_SMALLER;
    }
    FlushBits(w);
    if (!PassCoded(w, out, written))
        return ENTRY_WRITE_FAILED;
    data.originalSize = s.bytes;
    data.compressedSize = written;
    data.crc = ~s.crcRegister;
    return ENTRY_WRITTEN;
}

EntryOutcome StoreEntry(Compressor& c, int source, ArchiveOutput& out, EntryData& data)
{
    InputWindow& in = c.in;
    StartInput(c);
    SourceState s = {source, 0xFFFFFFFFu, 0};
    while (!in.complete) {
        in.end = 0;
        EntryOutcome read = ReadMore(s, in);
        if (read != ENTRY_WRITTEN)
            return read;
        if (!OutputBytes(out, in.data, in.end))
            return ENTRY_WRITE_FAILED;
    }
    in.end = 0;
    data.originalSize = s.bytes;
    data.compressedSize = s.bytes;
    data.crc = ~s.crcRegister;
    return ENTRY_WRITTEN;
}
