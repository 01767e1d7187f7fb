#include "authoring/arjx/host_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0  // POSIX files have no text mode
#endif

char finishMessage[256];
bool cancelRequested = false;

// Check points left before the pump answers "ended"; negative: never.
static long long pumpsLeft = -1;

void HostEndAfterPumps(long long pumps)
{
    pumpsLeft = pumps;
}

bool RunPendingMessagesWhenDue()
{
    if (pumpsLeft < 0)
        return true;
    if (pumpsLeft == 0)
        return false;
    --pumpsLeft;
    return true;
}

// Names are bytes of no known code page here: only ASCII letters change.
void LowerCaseText(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z')
            *text = (char)(*text - 'A' + 'a');
    }
}

namespace {

enum Kind { UNUSED, ARCHIVE_FILE, ARCHIVE_MEMORY, OUTPUT_FILE, OUTPUT_DISCARD };

struct HostFile {
    Kind kind;
    int fd;
    const unsigned char* data;
    long long size;
    long long position;  // archives in memory; written bytes for discards
    long long limit;
    std::string* kept;   // discards that keep their bytes
    long long failFrom;  // archives: reads that reach this offset fail (-1: none)
    bool failAsCancel;
};

const int MAX_HOST_FILES = 16;
HostFile hostFiles[MAX_HOST_FILES];

int Add(const HostFile& f)
{
    for (int i = 0; i < MAX_HOST_FILES; ++i) {
        if (hostFiles[i].kind == UNUSED) {
            hostFiles[i] = f;
            return i + 1;
        }
    }
    return -1;
}

HostFile* Find(int handle)
{
    if (handle < 1 || handle > MAX_HOST_FILES || hostFiles[handle - 1].kind == UNUSED)
        return nullptr;
    return &hostFiles[handle - 1];
}

}  // namespace

int HostOpenArchive(const char* path)
{
    int fd = open(path, O_RDONLY | O_BINARY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size > 0x7FFFFFFF) {
        close(fd);
        return -1;
    }
    int h = Add(HostFile{ARCHIVE_FILE, fd, nullptr, (long long)st.st_size, 0, 0, nullptr, -1, false});
    if (h == -1)
        close(fd);
    return h;
}

int HostOpenMemory(const void* data, size_t size)
{
    if (size > 0x7FFFFFFF)
        return -1;
    return Add(HostFile{ARCHIVE_MEMORY, -1, static_cast<const unsigned char*>(data),
                        (long long)size, 0, 0, nullptr, -1, false});
}

int HostCreateOutput(const char* path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0644);
    if (fd < 0)
        return -1;
    int h = Add(HostFile{OUTPUT_FILE, fd, nullptr, 0, 0, 0, nullptr, -1, false});
    if (h == -1)
        close(fd);
    return h;
}

int HostOpenDiscard(long long limit)
{
    return Add(HostFile{OUTPUT_DISCARD, -1, nullptr, 0, 0, limit, nullptr, -1, false});
}

int HostOpenMemoryOutput(std::string* bytes, long long limit)
{
    return Add(HostFile{OUTPUT_DISCARD, -1, nullptr, 0, 0, limit, bytes, -1, false});
}

void HostFailReadsFrom(int archive, long long offset, bool cancel)
{
    HostFile* f = Find(archive);
    if (f != nullptr) {
        f->failFrom = offset;
        f->failAsCancel = cancel;
    }
}

bool HostClose(int handle)
{
    HostFile* f = Find(handle);
    if (f == nullptr)
        return false;
    bool ok = true;
    if (f->fd >= 0)
        ok = close(f->fd) == 0;
    f->kind = UNUSED;
    return ok;
}

int ReadCached(int handle, void* buffer, int count)
{
    HostFile* f = Find(handle);
    if (f == nullptr || count < 0)
        return -1;
    if (f->failFrom >= 0 && count > 0 && SeekCached(handle, 0, 1) + (long long)count > f->failFrom) {
        if (f->failAsCancel)
            cancelRequested = true;
        return -1;
    }
    if (f->kind == ARCHIVE_MEMORY) {
        long long n = f->size - f->position;
        if (n > count)
            n = count;
        memcpy(buffer, f->data + f->position, (size_t)n);
        f->position += n;
        return (int)n;
    }
    if (f->kind != ARCHIVE_FILE)
        return -1;
    char* out = static_cast<char*>(buffer);
    int done = 0;
    while (done < count) {
        ssize_t n = read(f->fd, out + done, (size_t)(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += (int)n;
    }
    return done;
}

int SeekCached(int handle, int offset, int origin)
{
    HostFile* f = Find(handle);
    if (f == nullptr || origin < 0 || origin > 2)
        return -1;
    long long current = f->position;
    if (f->kind == ARCHIVE_FILE) {
        off_t at = lseek(f->fd, 0, SEEK_CUR);
        if (at < 0)
            return -1;
        current = at;
    } else if (f->kind != ARCHIVE_MEMORY) {
        return -1;
    }
    long long target = origin == 0 ? offset : origin == 1 ? current + offset : f->size;
    if (target < 0 || target > f->size)
        return -1;
    if (f->kind == ARCHIVE_FILE && lseek(f->fd, (off_t)target, SEEK_SET) < 0)
        return -1;
    f->position = target;
    return (int)target;
}

int WriteOutputFile(int handle, const void* bytes, int count)
{
    HostFile* f = Find(handle);
    if (f == nullptr || count < 0)
        return 0;
    if (f->kind == OUTPUT_DISCARD) {
        long long room = f->limit - f->position;
        int n = room < count ? (int)(room < 0 ? 0 : room) : count;
        f->position += n;
        if (f->kept != nullptr)
            f->kept->append(static_cast<const char*>(bytes), (size_t)n);
        return n;
    }
    if (f->kind != OUTPUT_FILE)
        return 0;
    const char* in = static_cast<const char*>(bytes);
    int done = 0;
    while (done < count) {
        ssize_t n = write(f->fd, in + done, (size_t)(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += (int)n;
    }
    return done;
}
