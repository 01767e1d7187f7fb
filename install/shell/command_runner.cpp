// The runner of the script's command lines at the installation's stages.
#include "install/shell/command_runner.h"

#include <windows.h>

#include "install/script/install_script.h"
#include "install/script/path_keywords.h"

static const int EXPANDED_COMMAND_SIZE = 512;
static const int FIRST_WAITING_STAGE = 5;

static WORD ShowCommandOf(int showMode)
{
    switch (showMode) {
    case 0:
        return SW_SHOWMINNOACTIVE;
    case 2:
        return SW_SHOWMAXIMIZED;
    case 1:
    default:
        return SW_SHOWNORMAL;
    }
}

static void RunCommandLine(const CommandLineEntry& entry, bool wait)
{
    char command[EXPANDED_COMMAND_SIZE];
    if (!ExpandPathKeywords(entry.command, command, EXPANDED_COMMAND_SIZE) || command[0] == '\0')
        return;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowCommandOf(entry.showMode);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process))
        return;
    if (wait) {
        // Blocks the thread until the program has ended: no window message
        // of the installer runs meanwhile.
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void RunCommandLines(int stage)
{
    if (InstallScript.commandLineCount <= 0 || InstallScript.commandLines == nullptr)
        return;
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ShowCursor(TRUE);
    bool wait = stage >= FIRST_WAITING_STAGE;
    for (int i = 0; i < InstallScript.commandLineCount; i++) {
        if (InstallScript.commandLines[i].stage == stage)
            RunCommandLine(InstallScript.commandLines[i], wait);
    }
    ShowCursor(FALSE);
    SetCursor(previous);
}
