#include "install/script/path_checks.h"

#include <cstring>

#include "install/core/device_names.h"
#include "install/script/install_script.h"
#include "install/script/script_platform.h"

// The platform parse holds 127 characters and its terminating zero.
const int PARSED_SIZE = PARSED_PATH_SIZE;
const char PROBE_NAME[] = "a.a";
const int PROBE_LENGTH = 3;

bool IsBlank(const char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text != ' ')
            return false;
    }
    return true;
}

bool HasNoControlChars(const char* text)
{
    for (; *text != '\0'; ++text) {
        unsigned char c = static_cast<unsigned char>(*text);
        if (c < 0x20)
            return false;
    }
    return true;
}

bool IsAllZeros(const char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text != '0')
            return false;
    }
    return true;
}

bool IsAllDigits(const char* text)
{
    // The platform classifies a few non-ASCII characters (superscripts) as
    // digits too; the integer reader would not read them, so only 0..9 pass.
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9')
            return false;
    }
    return true;
}

// Copies src into a buffer of size bytes; false (dst untouched) when it does
// not fit.
static bool CopyBounded(char* dst, const char* src, size_t size)
{
    size_t length = strlen(src);
    if (length >= size)
        return false;
    memcpy(dst, src, length + 1);
    return true;
}

bool CheckDrive(const char* path)
{
    char root[PATH_SIZE + 1];
    const char* colon = strchr(path, ':');
    if (colon == nullptr)
        return true;
    size_t length = static_cast<size_t>(colon - path) + 1;
    if (length + 1 >= sizeof(root))
        return false;
    memcpy(root, path, length);
    root[length] = '\\';
    root[length + 1] = '\0';
    return DriveRootExists(root);
}

// Has the platform turn path into a fully qualified name without opening
// anything; false when it fails or the result would exceed 127 characters.
static bool ParseFileName(const char* path, char* parsed)
{
    char name[PARSED_SIZE];
    if (!ParsePathName(path, name))
        return false;
    name[PARSED_SIZE - 1] = '\0';
    return CopyBounded(parsed, name, PARSED_SIZE);
}

bool QualifyDirectory(char* path, bool checkDrive)
{
    char probe[PATH_SIZE + 1 + PROBE_LENGTH];
    size_t length = strlen(path);
    if (length >= PATH_SIZE)
        return false;
    memcpy(probe, path, length + 1);
    if (length > 0 && probe[length - 1] != '\\' && probe[length - 1] != ':')
        probe[length++] = '\\';
    memcpy(probe + length, PROBE_NAME, PROBE_LENGTH + 1);

    char parsed[PARSED_SIZE];
    if (!ParseFileName(probe, parsed))
        return false;
    size_t parsedLength = strlen(parsed);
    // The result must still end in a backslash and the probe name.
    if (parsedLength < PROBE_LENGTH + 1 || parsed[parsedLength - PROBE_LENGTH - 1] != '\\' ||
        !SameTextIgnoringCase(parsed + parsedLength - PROBE_LENGTH, PROBE_NAME))
        return false;
    parsed[parsedLength - PROBE_LENGTH] = '\0';
    memcpy(path, parsed, parsedLength - PROBE_LENGTH + 1);
    return !checkDrive || CheckDrive(path);
}

bool DirectoryExists(char* path)
{
    if (!QualifyDirectory(path, true))
        return false;
    char pattern[QUALIFIED_DIR_SIZE + 3];
    size_t length = strlen(path);
    memcpy(pattern, path, length);
    memcpy(pattern + length, "*.*", 4);
    return PatternFindsEntry(pattern);
}

bool CreateDirectoryPath(char* path)
{
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] != '\\' && path[i] != '/')
            continue;
        path[i] = '\\';
        char work[PATH_SIZE];
        if (i + 1 >= sizeof(work))
            return false;
        memcpy(work, path, i + 1);
        work[i + 1] = '\0';
        if (!QualifyDirectory(work, true))
            return false;
        if (DirectoryExists(work))
            continue;
        // An existing directory in which nothing is found (the root of an
        // empty medium) is not created again.
        if (IsExistingDirectory(work))
            continue;
        size_t length = strlen(work);
        if (length > 0 && work[length - 1] == '\\')
            work[length - 1] = '\0';
        if (!CreateOneDirectory(work))
            return false;
    }
    return true;
}

// The directory part (up to and including the last backslash) of the parsed
// Windows directory directly followed by name.
static bool ParsedDirectoryPart(const char* windows, const char* name, char* part)
{
    char joined[2 * PATH_SIZE];
    size_t windowsLength = strlen(windows);
    size_t nameLength = strlen(name);
    if (windowsLength + nameLength >= sizeof(joined))
        return false;
    memcpy(joined, windows, windowsLength);
    memcpy(joined + windowsLength, name, nameLength + 1);
    if (!ParseFileName(joined, part))
        return false;
    char* last = strrchr(part, '\\');
    if (last != nullptr)
        last[1] = '\0';
    else
        part[0] = '\0';
    return true;
}

bool IsBareFileName(const char* name)
{
    // A colon names a drive or a stream, which the parse below would not
    // always notice. Wildcards and the other characters that no file name
    // holds, names made only of dots (the parse drops trailing dots) and
    // devices name no file of a directory either.
    if (strpbrk(name, ":*?<>|\"") != nullptr || !HasNoControlChars(name) ||
        name[strspn(name, ".")] == '\0' || IsDeviceName(name, strlen(name)))
        return false;
    char windows[PATH_SIZE];
    unsigned length = QueryWindowsDirectory(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows))
        return false;
    char withName[PARSED_SIZE];
    char withProbe[PARSED_SIZE];
    if (!ParsedDirectoryPart(windows, name, withName))
        return false;
    if (!ParsedDirectoryPart(windows, PROBE_NAME, withProbe))
        withProbe[0] = '\0';
    return SameTextIgnoringCase(withName, withProbe);
}
