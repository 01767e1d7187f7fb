#include "install/archive/message_name.h"

#include <cstring>

void ShortenMessageName(const char* format, const char* name, char* out, size_t capacity)
{
    static const size_t FINISH_LIMIT = 255;  // characters of the finish message
    static const size_t APPENDED = sizeof("Installation process is terminated.") - 1;
    const size_t formatLength = strlen(format) - 2;  // without "%s"
    const size_t limit = FINISH_LIMIT - APPENDED;
    size_t room = limit > formatLength ? limit - formatLength : 0;
    if (room > capacity - 1)
        room = capacity - 1;

    size_t length = strlen(name);
    if (length <= room) {
        memcpy(out, name, length + 1);
    } else if (room < 5) {
        memcpy(out, name, room);
        out[room] = '\0';
    } else {
        size_t tail = (room - 3) / 2 + (room - 3) % 2;
        size_t head = room - 3 - tail;
        memcpy(out, name, head);
        memcpy(out + head, "...", 3);
        memcpy(out + head + 3, name + length - tail, tail + 1);
    }
}
