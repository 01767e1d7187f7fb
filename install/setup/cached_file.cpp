#include "install/setup/cached_file.h"

#include <cstring>

#include "install/core/global_block.h"
#include "install/core/install_status.h"
#include "install/script/transfer_sizes.h"

static HGLOBAL cachedFilesBlock = nullptr;   // the records, kept locked
static CachedFile* cachedFiles = nullptr;
static int cachedFileCount = 0;

static const int MIN_CACHE_SIZE = 16;
static const int MAX_CACHE_SIZE = 32767;

// Output of the one file being written, collected so that the platform sees
// few large writes instead of many small ones; written out when full and
// when the file is closed. A failed write is remembered and reported by the
// close.
static const int OUTPUT_BUFFER_SIZE = 65536;
static char outputBuffer[OUTPUT_BUFFER_SIZE];
static int outputHandle = -1;     // the file the buffer belongs to
static int outputCount = 0;       // bytes waiting in the buffer
static bool outputFailed = false;
static bool outputAbandoned = false;  // closed by AbandonOutputFile; nothing more goes to it

static bool FlushOutput()
{
    if (outputCount > 0 && !outputFailed) {
        UINT written = _lwrite(outputHandle, outputBuffer, (UINT)outputCount);
        outputFailed = written != (UINT)outputCount;
    }
    outputCount = 0;
    return !outputFailed;
}

int CachedFileCount()
{
    return cachedFileCount;
}

static CachedFile* FindCachedFile(int handle)
{
    for (int i = 0; i < cachedFileCount; ++i) {
        if (cachedFiles[i].handle == handle)
            return &cachedFiles[i];
    }
    return nullptr;
}

// Resizes the records block to hold `count` records; the old block stays as
// it was when that fails.
static bool ResizeRecords(int count)
{
    SIZE_T bytes = (SIZE_T)count * sizeof(CachedFile);
    if (cachedFilesBlock == nullptr) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        if (block == nullptr)
            return false;
        void* address = GlobalLock(block);
        if (address == nullptr) {
            GlobalFree(block);
            return false;
        }
        cachedFilesBlock = block;
        cachedFiles = static_cast<CachedFile*>(address);
        return true;
    }
    GlobalUnlock(cachedFilesBlock);
    HGLOBAL block = GlobalReAlloc(cachedFilesBlock, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
    bool resized = block != nullptr;
    if (resized)
        cachedFilesBlock = block;
    cachedFiles = static_cast<CachedFile*>(GlobalLock(cachedFilesBlock));
    return resized && cachedFiles != nullptr;
}

HGLOBAL AllocCacheBuffer(int requestedSize)
{
    int n = requestedSize;
    if (n < MIN_CACHE_SIZE)
        n = MIN_CACHE_SIZE;
    if (n > MAX_CACHE_SIZE)
        n = MAX_CACHE_SIZE;
    for (; n >= MIN_CACHE_SIZE; n /= 2) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)n);
        if (block != nullptr)
            return block;
    }
    return nullptr;
}

int OpenCached(const char* path, int mode, int cacheSize)
{
    HFILE handle = _lopen(path, mode | OF_SHARE_DENY_WRITE);
    if (handle == HFILE_ERROR)
        return -1;
    if ((mode & 3) != 0 || cacheSize <= 0)
        return handle;

    LONG size = _llseek(handle, 0, 2);
    if (size == HFILE_ERROR)
        return handle;

    HGLOBAL memory = AllocCacheBuffer(size < cacheSize ? (int)size : cacheSize);
    if (memory != nullptr) {
        BYTE* address = static_cast<BYTE*>(GlobalLock(memory));
        if (address != nullptr && ResizeRecords(cachedFileCount + 1)) {
            CachedFile& f = cachedFiles[cachedFileCount++];
            f.handle = handle;
            f.size = (int)size;
            f.position = 0;
            f.memory = memory;
            f.address = address;
            f.cacheSize = (int)GlobalSize(memory);
            f.cachedOffset = -1;
            return handle;
        }
        ReleaseGlobalBlock(memory);
    }
    // Without a cache the platform position is the read position.
    _llseek(handle, 0, 0);
    return handle;
}

int CloseCached(int handle)
{
    if (handle != -1 && handle == outputHandle) {
        bool abandoned = outputAbandoned;
        bool written = !abandoned && FlushOutput();
        outputHandle = -1;
        outputAbandoned = false;
        if (abandoned)
            return -1;
        int result = _lclose(handle);
        return written && result != HFILE_ERROR ? result : -1;
    }
    CachedFile* f = FindCachedFile(handle);
    int result = _lclose(handle);
    if (f == nullptr)
        return result == HFILE_ERROR ? -1 : result;
    ReleaseGlobalBlock(f->memory);
    int index = (int)(f - cachedFiles);
    memmove(&cachedFiles[index], &cachedFiles[index + 1],
            (size_t)(cachedFileCount - index - 1) * sizeof(CachedFile));
    --cachedFileCount;
    if (cachedFileCount == 0) {
        ReleaseGlobalBlock(cachedFilesBlock);
        cachedFilesBlock = nullptr;
        cachedFiles = nullptr;
    } else {
        ResizeRecords(cachedFileCount);  // a block that cannot shrink stays larger
    }
    return result == HFILE_ERROR ? -1 : result;
}

// The speed of the last platform read in pieces: performance-counter ticks
// per byte, 0 before the first.
static double readTicksPerByte = 0;

int ReadInPieces(int handle, void* buffer, int count)
{
    if (!pumpEnabled)
        return (int)_lread(handle, buffer, (UINT)count);
    int piece = readPieceSize > 0 ? readPieceSize : 1;
    char* out = static_cast<char*>(buffer);
    // Each platform read takes whole pieces, after a check point that runs
    // the pump when it would fall due during the read's first piece: the
    // first read one piece, each later one as many as can be read before
    // the pump is due at the speed of the read before. A diskette is read
    // piece by piece with the window running in between; fast media give
    // the rest of the request in one more read.
    for (int done = 0; done < count;) {
        double pieceTicks = readTicksPerByte * piece;
        if (!RunPendingMessagesBefore((LONGLONG)pieceTicks)) {
            cancelRequested = true;
            return -1;
        }
        long long n = piece;
        if (done > 0) {
            double fit = pieceTicks >= 1 ? PumpTicksLeft() / pieceTicks : count;
            if (fit > 1)
                n = (long long)fit * piece;
        }
        if (n > count - done)
            n = count - done;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        if ((long long)_lread(handle, out + done, (UINT)n) != n)
            return -1;
        QueryPerformanceCounter(&end);
        readTicksPerByte = (double)(end.QuadPart - start.QuadPart) / (double)n;
        done += (int)n;
    }
    return count;
}

// Copies k bytes out of the cache from index `from`, letting messages run
// before every byte whose index in the block is a multiple of the interval.
static bool CopyFromCache(const CachedFile& f, int from, char* out, int k)
{
    if (!pumpEnabled) {
        memcpy(out, f.address + from, (size_t)k);
        return true;
    }
    int interval = bufferedReadPumpInterval > 0 ? bufferedReadPumpInterval : 1;
    int index = from;
    int end = from + k;
    while (index < end) {
        if (index % interval == 0 && !RunPendingMessagesWhenDue()) {
            cancelRequested = true;
            return false;
        }
        int next = (index / interval + 1) * interval;
        if (next > end)
            next = end;
        memcpy(out + (index - from), f.address + index, (size_t)(next - index));
        index = next;
    }
    return true;
}

int ReadCached(int handle, void* buffer, int count)
{
    if (count == -1)
        return -1;
    CachedFile* f = FindCachedFile(handle);
    if (f == nullptr)
        return ReadInPieces(handle, buffer, count);
    if (count < 0)
        return -1;
    if (count > f->size - f->position)
        count = f->size - f->position;

    char* out = static_cast<char*>(buffer);
    int k = 0;
    if (f->cachedOffset != -1 && f->cachedOffset <= f->position &&
        f->position < f->cachedOffset + f->cacheSize) {
        k = f->cachedOffset + f->cacheSize - f->position;
        if (k > count)
            k = count;
        if (!CopyFromCache(*f, f->position - f->cachedOffset, out, k))
            return -1;
        out += k;
    }
    if (k == count) {
        f->position += count;
        return count;
    }

    int rest = count - k;
    int from = f->position + k;
    if (_llseek(handle, from, 0) == HFILE_ERROR)
        return -1;
    if (rest > f->cacheSize) {
        if (ReadInPieces(handle, out, rest) != rest)
            return -1;
    } else {
        int fill = f->size - from;
        if (fill > f->cacheSize)
            fill = f->cacheSize;
        if (ReadInPieces(handle, f->address, fill) != fill)
            return -1;
        f->cachedOffset = from;
        if (!CopyFromCache(*f, 0, out, rest))
            return -1;
    }
    f->position += count;
    return count;
}

int SeekCached(int handle, int offset, int origin)
{
    if (origin < 0 || origin > 2)
        return -1;
    CachedFile* f = FindCachedFile(handle);
    if (f == nullptr) {
        LONG r = _llseek(handle, offset, origin);
        return r == HFILE_ERROR ? -1 : (int)r;
    }
    long long target = origin == 0 ? offset : origin == 1 ? (long long)f->position + offset : f->size;
    if (target < 0 || target > f->size)
        return -1;
    f->position = (int)target;
    return f->position;
}

int CreateOutputFile(const char* path)
{
    // The decision to replace the file has been taken. A read-only file (as
    // an earlier installation leaves it) would refuse to be truncated, and a
    // hidden or system one to be created over with normal attributes.
    const DWORD inTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & inTheWay) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DWORD kept = attributes & ~inTheWay;
        SetFileAttributesA(path, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    HFILE handle = _lcreat(path, 0);
    if (handle == HFILE_ERROR)
        return -1;
    // Output left in the buffer by a file that was never closed is dropped.
    outputHandle = handle;
    outputCount = 0;
    outputFailed = false;
    outputAbandoned = false;
    return handle;
}

void AbandonOutputFile()
{
    if (outputHandle == -1 || outputAbandoned)
        return;
    _lclose(outputHandle);
    outputCount = 0;
    outputAbandoned = true;
}

int WriteOutputFile(int handle, const void* bytes, int count)
{
    if (handle == outputHandle && outputAbandoned)
        return 0;
    if (handle != outputHandle || count < 0) {
        UINT written = _lwrite(handle, static_cast<const char*>(bytes), (UINT)count);
        return written == (UINT)HFILE_ERROR ? 0 : (int)written;
    }
    const char* from = static_cast<const char*>(bytes);
    int left = count;
    while (left > 0) {
        if (outputCount == OUTPUT_BUFFER_SIZE && !FlushOutput())
            return 0;
        int n = OUTPUT_BUFFER_SIZE - outputCount;
        if (n > left)
            n = left;
        memcpy(outputBuffer + outputCount, from, (size_t)n);
        outputCount += n;
        from += n;
        left -= n;
    }
    return outputFailed ? 0 : count;
}

// Names in the reader's messages are lower-cased as the installer's own are.
void LowerCaseText(char* text)
{
    CharLowerA(text);
}
