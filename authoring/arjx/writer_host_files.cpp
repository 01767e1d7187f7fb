#include "authoring/arjx/writer_host_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>  // MoveFileExA: a rename that replaces
#endif

#ifndef O_BINARY
#define O_BINARY 0  // POSIX files have no text mode
#endif

// Handles are the file descriptors.
static thread_local char lastError[128];

static void NoteError()
{
    snprintf(lastError, sizeof lastError, "%s", strerror(errno));
}

const char* LastFileError()
{
    return lastError;
}

uint32_t LocalDosDateTime(int64_t unixTime)
{
    time_t t = (time_t)unixTime;
    struct tm local;
#ifdef _WIN32
    bool converted = localtime_s(&local, &t) == 0;
#else
    bool converted = localtime_r(&t, &local) != nullptr;
#endif
    if (!converted || local.tm_year < 80)
        return 0x00210000;  // 1980-01-01 00:00:00
    if (local.tm_year > 207)
        return 0xFF9FBF7D;  // 2107-12-31 23:59:58
    uint32_t date = (uint32_t)(local.tm_year - 80) << 9 | (uint32_t)(local.tm_mon + 1) << 5 |
                    (uint32_t)local.tm_mday;
    uint32_t time = (uint32_t)local.tm_hour << 11 | (uint32_t)local.tm_min << 5 |
                    (uint32_t)(local.tm_sec / 2);
    return date << 16 | time;
}

int OpenSourceFile(const char* path, SourceFileInfo* info)
{
    int fd = open(path, O_RDONLY | O_BINARY);
    if (fd < 0) {
        NoteError();
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        NoteError();
        close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        snprintf(lastError, sizeof lastError, "not a regular file");
        close(fd);
        return -1;
    }
    info->size = (int64_t)st.st_size;
    info->dosDateTime = LocalDosDateTime((int64_t)st.st_mtime);
    // The archive bit, and read-only when the owner may not write.
    info->attributes = (uint16_t)(0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01));
    return fd;
}

int ReadSourceFile(int handle, void* buffer, int count)
{
    for (;;) {
        ssize_t n = read(handle, buffer, (size_t)count);
        if (n >= 0)
            return (int)n;
        if (errno != EINTR) {
            NoteError();
            return -1;
        }
    }
}

bool RewindSourceFile(int handle)
{
    if (lseek(handle, 0, SEEK_SET) == 0)
        return true;
    NoteError();
    return false;
}

void CloseSourceFile(int handle)
{
    close(handle);
}

int CreateArchiveFile(const char* path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0644);
    if (fd < 0)
        NoteError();
    return fd;
}

bool WriteArchiveFile(int handle, const void* bytes, int count)
{
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t n = write(handle, p, (size_t)count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            NoteError();
            return false;
        }
        p += n;
        count -= (int)n;
    }
    return true;
}

bool SeekArchiveFile(int handle, int64_t position)
{
    if (lseek(handle, (off_t)position, SEEK_SET) == (off_t)position)
        return true;
    NoteError();
    return false;
}

bool TruncateArchiveFile(int handle, int64_t size)
{
    if (ftruncate(handle, (off_t)size) == 0)
        return true;
    NoteError();
    return false;
}

bool CloseArchiveFile(int handle)
{
    if (close(handle) == 0)
        return true;
    NoteError();
    return false;
}

bool RenameArchiveFile(const char* from, const char* to)
{
#ifdef _WIN32
    // The C runtime's rename does not replace an existing file there.
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return true;
    snprintf(lastError, sizeof lastError, "cannot be renamed (error %lu)", GetLastError());
    return false;
#else
    if (rename(from, to) == 0)
        return true;
    NoteError();
    return false;
#endif
}

void RemoveArchiveFile(const char* path)
{
    unlink(path);
}
