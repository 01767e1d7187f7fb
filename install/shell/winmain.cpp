// Temporary entry: loads the installation script (a rejected script has shown
// its one message) and ends with exit code 0. Replaced by the real start-up.
#include <windows.h>

#include "install/script/install_script.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    LoadInstallScript(commandLine != nullptr ? commandLine : "");
    FreeInstallScript();
    return 0;
}
