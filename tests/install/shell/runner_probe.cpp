// A program that the command-line runner tests start. It appends to the log
// file named by its first argument one line when it starts:
//   start <tag> show=<wShowWindow> flags=<dwFlags> created=<creation time> args=<command line>
// and one when it ends:
//   end <tag> <how>
// Its second argument is the tag; a third "event:NAME" makes it wait (at
// most 15 s) for that named event before it ends ("signalled" or
// "timeout"); "sleep:MS" makes it sleep first ("slept").
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

// Appends one line. Two probes started together append at the same moment,
// and an append is not atomic under Wine (the end is found, then written
// at), so the log is opened without sharing and a busy log is tried again.
static void Append(const std::string& log, const std::string& line)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; attempt++) {
        file = CreateFileA(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = __argc;
    char** argv = __argv;
    if (argc < 3)
        return 2;
    std::string log = argv[1], tag = argv[2];
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    unsigned long long creation = ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime;
    char line[1024];
    snprintf(line, sizeof(line), "start %s show=%u flags=%lu created=%llu args=", tag.c_str(),
             (unsigned)startup.wShowWindow, (unsigned long)startup.dwFlags, creation);
    Append(log, std::string(line) + GetCommandLineA());
    std::string how = "done";
    if (argc > 3 && strncmp(argv[3], "event:", 6) == 0) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[3] + 6);
        DWORD waited = event ? WaitForSingleObject(event, 15000) : WAIT_FAILED;
        how = waited == WAIT_OBJECT_0 ? "signalled" : "timeout";
        if (event)
            CloseHandle(event);
    } else if (argc > 3 && strncmp(argv[3], "sleep:", 6) == 0) {
        Sleep((DWORD)atoi(argv[3] + 6));
        how = "slept";
    }
    Append(log, "end " + tag + " " + how);
    return 0;
}
