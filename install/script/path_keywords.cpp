#include "install/script/path_keywords.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "install/script/install_script.h"
#include "install/script/script_platform.h"

const char* const PathKeywords[PATH_KEYWORD_COUNT] = {
    "Prg_Dir", "Prg_Roo", "Ini_Dir", "Ini_Roo", "Src_Dir", "Src_Roo",
    "Dst_Dir", "Dst_Roo", "Win_Dir", "Win_Roo", "Sys_Dir", "Sys_Roo",
};

const unsigned PathKeywordGroups[PATH_KEYWORD_COUNT] = {
    KEYWORD_GROUP_PROGRAM,     KEYWORD_GROUP_PROGRAM,     KEYWORD_GROUP_PROGRAM,
    KEYWORD_GROUP_PROGRAM,     KEYWORD_GROUP_SOURCE,      KEYWORD_GROUP_SOURCE,
    KEYWORD_GROUP_DESTINATION, KEYWORD_GROUP_DESTINATION, KEYWORD_GROUP_SYSTEM,
    KEYWORD_GROUP_SYSTEM,      KEYWORD_GROUP_SYSTEM,      KEYWORD_GROUP_SYSTEM,
};

// Room for a 259-character value, the final backslash and the zero.
const int VALUE_SIZE = PATH_SIZE + 1;

bool CheckPathKeywords(const char* text, bool allowProgram, bool allowSource,
                       bool allowDestination, bool allowSystem)
{
    unsigned allowed = (allowProgram ? KEYWORD_GROUP_PROGRAM : 0) |
                       (allowSource ? KEYWORD_GROUP_SOURCE : 0) |
                       (allowDestination ? KEYWORD_GROUP_DESTINATION : 0) |
                       (allowSystem ? KEYWORD_GROUP_SYSTEM : 0);
    for (int i = 0; i < PATH_KEYWORD_COUNT; ++i) {
        if ((PathKeywordGroups[i] & allowed) == 0 && strstr(text, PathKeywords[i]) != nullptr)
            return false;
    }
    return true;
}

// Copies at most 259 characters of text into value (VALUE_SIZE bytes);
// false when it is longer.
static bool TakeValue(char* value, const char* text)
{
    size_t length = strlen(text);
    if (length >= PATH_SIZE)
        return false;
    memcpy(value, text, length + 1);
    return true;
}

static void CutAfterLastBackslash(char* path)
{
    char* last = strrchr(path, '\\');
    if (last != nullptr)
        last[1] = '\0';
    else
        path[0] = '\0';
}

static bool WindowsDirectory(char* value)
{
    unsigned length = QueryWindowsDirectory(value, PATH_SIZE);
    return length > 0 && length < PATH_SIZE;
}

// The system directory when the platform reports one on the drive of the
// Windows directory, else the Windows directory.
static bool SystemDirectory(char* value)
{
    char windows[VALUE_SIZE];
    if (!WindowsDirectory(windows))
        return false;
    unsigned length = QuerySystemDirectory(value, PATH_SIZE);
    if (length == 0 || length >= PATH_SIZE || value[0] != windows[0])
        return TakeValue(value, windows);
    return true;
}

// The value of keyword k before the final backslash rule.
static bool KeywordValue(int k, char* value)
{
    bool ok = false;
    switch (k / 2) {
    case 0: {  // Prg_Dir, Prg_Roo: the installer's own program file
        unsigned length = QueryProgramPath(value, PATH_SIZE);
        ok = length > 0 && length < PATH_SIZE;
        if (ok && k == 0)
            CutAfterLastBackslash(value);
        break;
    }
    case 1:  // Ini_Dir, Ini_Roo: the located script; nothing before it is located
        ok = InstallScript.scriptPath[0] != '\0' && TakeValue(value, InstallScript.scriptPath);
        if (ok && k == 2)
            CutAfterLastBackslash(value);
        break;
    case 2:
        ok = TakeValue(value, InstallScript.sourceDir);
        break;
    case 3:
        ok = TakeValue(value, InstallScript.destinationDir);
        break;
    case 4:
        ok = WindowsDirectory(value);
        break;
    case 5:
        ok = SystemDirectory(value);
        break;
    }
    if (!ok)
        return false;
    if (k % 2 == 1 && strlen(value) > 3)  // root keywords: the first three characters
        value[3] = '\0';
    size_t length = strlen(value);
    if (length == 0 || value[length - 1] != '\\') {
        value[length] = '\\';
        value[length + 1] = '\0';
    }
    return true;
}

bool ExpandPathKeywords(const char* input, char* output, int capacity)
{
    if (capacity <= 0)
        return false;
    size_t inputLength = strlen(input);
    char* copy = nullptr;
    // Expanding in place (or into any buffer that overlaps the input) reads
    // from a private copy.
    uintptr_t in = reinterpret_cast<uintptr_t>(input);
    uintptr_t out = reinterpret_cast<uintptr_t>(output);
    if (out < in + inputLength + 1 && in < out + static_cast<uintptr_t>(capacity)) {
        copy = static_cast<char*>(malloc(inputLength + 1));
        if (copy == nullptr)
            return false;
        memcpy(copy, input, inputLength + 1);
        input = copy;
    }

    bool ok = false;
    const char* read = input;
    size_t written = 0;
    size_t room = static_cast<size_t>(capacity) - 1;
    for (;;) {
        int nearest = -1;
        const char* nearestAt = nullptr;
        for (int k = 0; k < PATH_KEYWORD_COUNT; ++k) {
            const char* at = strstr(read, PathKeywords[k]);
            if (at != nullptr && (nearestAt == nullptr || at < nearestAt)) {
                nearest = k;
                nearestAt = at;
            }
        }
        if (nearest < 0) {
            size_t rest = strlen(read);
            if (rest <= room - written) {
                memcpy(output + written, read, rest + 1);
                ok = true;
            }
            break;
        }
        char value[VALUE_SIZE + 1];
        if (!KeywordValue(nearest, value))
            break;
        size_t before = static_cast<size_t>(nearestAt - read);
        size_t valueLength = strlen(value);
        if (before + valueLength > room - written)
            break;
        memcpy(output + written, read, before);
        memcpy(output + written + before, value, valueLength);
        written += before + valueLength;
        read = nearestAt + PATH_KEYWORD_LENGTH;
        if (*read == '\\')
            ++read;
    }
    free(copy);
    return ok;
}
