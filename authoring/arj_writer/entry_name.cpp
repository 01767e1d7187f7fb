#include "authoring/arj_writer/entry_name.h"

#include <cstring>

#include "install/archive/arj_header.h"

const char* EntryNameProblem(const char* name)
{
    size_t length = strlen(name);
    if (length == 0)
        return "is empty";
    if (length >= (size_t)ENTRY_NAME_SIZE)
        return "is longer than 259 characters, the installer's limit";
    // The installer's own rule, the one its reader applies.
    if (!IsSafeEntryName(name))
        return "is refused by the installer (a drive, a leading separator, or a part that is "
               "\"..\" or ends in a dot or a space)";
    for (const char* p = name; *p != '\0'; ++p) {
        unsigned char c = (unsigned char)*p;
        // Characters that no Windows file name holds; the reader would take
        // a backslash as a separator.
        if (c < 0x20 || strchr("\\:*?\"<>|", c) != nullptr)
            return "holds a character that Windows file names cannot hold";
        if (c == '/' && p[1] == '/')
            return "has an empty part";
    }
    if (name[length - 1] == '/')
        return "ends in a separator";
    return nullptr;
}
