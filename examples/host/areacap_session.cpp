#include "examples/host/areacap_session.h"

#include <cstdio>
#include <cstring>

#include "areacap/protocol.h"

// areacap starts in well under a second; under emulation it may take a few.
static const DWORD kStartTimeLimitMs = 30000;

static PROCESS_INFORMATION process;
static UINT pendingCommand;
static bool commandPosted;
static DWORD startTime;

// The path of areacap.exe beside this program; false when it does not fit.
static bool AreacapPath(char *path, size_t size)
{
    DWORD n = GetModuleFileNameA(NULL, path, static_cast<DWORD>(size));
    if (n == 0 || n >= size)
        return false;
    char *slash = strrchr(path, '\\');
    size_t dirLength = slash ? static_cast<size_t>(slash - path + 1) : 0;
    static const char name[] = "areacap.exe";
    if (dirLength + sizeof name > size)
        return false;
    memcpy(path + dirLength, name, sizeof name);
    return true;
}

bool StartAreacapSession(UINT command, char *reason, size_t reasonSize)
{
    if (AreacapSessionActive()) {
        snprintf(reason, reasonSize, "areacap is already running for this window.");
        return false;
    }
    // A second copy would end at once: areacap serves one command at a time.
    if (FindWindowA(COMMAND_WINDOW_CLASS, NULL)) {
        snprintf(reason, reasonSize, "Another copy of areacap is running; try again when it has ended.");
        return false;
    }
    char path[MAX_PATH];
    if (!AreacapPath(path, sizeof path)) {
        snprintf(reason, reasonSize, "The path of this program is too long.");
        return false;
    }
    char commandLine[MAX_PATH + 2];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", path);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        snprintf(reason, reasonSize, "Cannot start %s (error %lu).", path, GetLastError());
        ZeroMemory(&process, sizeof process);
        return false;
    }
    // areacap's mode window must be able to take the focus from us.
    AllowSetForegroundWindow(process.dwProcessId);
    CloseHandle(process.hThread);
    process.hThread = NULL;
    pendingCommand = command;
    commandPosted = false;
    startTime = GetTickCount();
    return true;
}

bool AreacapSessionActive()
{
    return process.hProcess != NULL;
}

void ForgetAreacapSession()
{
    if (process.hProcess)
        CloseHandle(process.hProcess);
    ZeroMemory(&process, sizeof process);
}

SessionEvent PollAreacapSession()
{
    if (!process.hProcess)
        return SessionEvent::None;
    if (!commandPosted) {
        // Posted, not sent: this thread goes on running its window while the
        // mode runs, and areacap's results arrive as sent messages.
        HWND commandWindow = FindWindowA(COMMAND_WINDOW_CLASS, NULL);
        if (commandWindow && PostMessageA(commandWindow, WM_COMMAND, pendingCommand, 0)) {
            commandPosted = true;
            return SessionEvent::CommandPosted;
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
        ForgetAreacapSession();
        return commandPosted ? SessionEvent::Ended : SessionEvent::EndedBeforeCommand;
    }
    if (!commandPosted && GetTickCount() - startTime > kStartTimeLimitMs) {
        ForgetAreacapSession();
        return SessionEvent::NoCommandWindow;
    }
    return SessionEvent::None;
}
