// Entry of install.exe: everything happens in the start-up module.
#include <windows.h>

#include "install/shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int)
{
    return RunInstaller(instance, previousInstance, commandLine);
}
