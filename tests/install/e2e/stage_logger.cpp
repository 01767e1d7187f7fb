// Started by the installer's command lines in the end-to-end tests: appends
// one line to the log named by its first argument, with the creation time of
// its own process (so that programs started without waiting can be put in
// the order in which the installer started them), then the other arguments.
// An argument "size:PATH" is logged with the size of that file as a program
// that takes it whole finds it: "size:PATH=BYTES", or "=busy" while another
// program still has it open, or "=none".
// Usage: stage_logger LOGFILE STAGE [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <cstring>

// The file's size, opened without sharing, as text.
static void FileSizeText(const char* path, char* text, size_t capacity)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        snprintf(text, capacity, "%s", GetLastError() == ERROR_SHARING_VIOLATION ? "busy" : "none");
        return;
    }
    snprintf(text, capacity, "%lu", static_cast<unsigned long>(GetFileSize(file, nullptr)));
    CloseHandle(file);
}

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    FILETIME created, exited, kernel, user;
    unsigned long long stamp = 0;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        stamp = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    char line[2048];
    int length = snprintf(line, sizeof line, "%020llu %s", stamp, argv[2]);
    for (int i = 3; i < argc && length > 0 && length < static_cast<int>(sizeof line); i++) {
        char size[32] = "";
        if (strncmp(argv[i], "size:", 5) == 0) {
            size[0] = '=';
            FileSizeText(argv[i] + 5, size + 1, sizeof size - 1);
        }
        length += snprintf(line + length, sizeof line - length, " %s%s", argv[i], size);
    }
    if (length < 0 || length >= static_cast<int>(sizeof line) - 2)
        return 3;
    line[length++] = '\n';
    // Several loggers may run at once: retry while another one holds the file.
    for (int attempt = 0; attempt < 200; attempt++) {
        HANDLE file = CreateFileA(argv[1], FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
