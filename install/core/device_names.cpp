#include "install/core/device_names.h"

// The first three characters of text are the upper-case name, ignoring case.
static bool StartsAs(const char* text, const char* name)
{
    for (int i = 0; i < 3; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i])
            return false;
    }
    return true;
}

bool IsDeviceName(const char* part, size_t length)
{
    size_t n = 0;
    while (n < length && part[n] != '.' && part[n] != ':')
        ++n;
    while (n > 0 && part[n - 1] == ' ')
        --n;
    if (n == 3)
        return StartsAs(part, "NUL") || StartsAs(part, "CON") || StartsAs(part, "AUX") ||
               StartsAs(part, "PRN");
    if (n != 4 || !(StartsAs(part, "COM") || StartsAs(part, "LPT")))
        return false;
    unsigned char digit = static_cast<unsigned char>(part[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}
