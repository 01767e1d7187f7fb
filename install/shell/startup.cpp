#include "install/shell/startup.h"

#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/script/install_script.h"
#include "install/shell/command_runner.h"
#include "install/shell/main_window.h"

static const char DEFAULT_CAPTION[] = "Tarvo Installation Program";
static const char NO_MEMORY_TEXT[] = "Available memory is not enough. ";

static HICON computerIcon = nullptr;  // class icon of the main window

bool LoadResources()
{
    static const char* const dialogs[] = {"InstChck", "InstInfo", "InstDisk", "InstFile", "InstProg"};
    static const char* const icons[] = {"Computer", "Diskette", "Firework"};
    HINSTANCE instance = ProgramInstance();
    bool ok = true;
    for (const char* name : dialogs) {
        HRSRC found = FindResourceA(instance, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
        HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
        if (loaded == nullptr || LockResource(loaded) == nullptr) {
            ok = false;
            break;
        }
    }
    for (int i = 0; ok && i < 3; i++) {
        HICON icon = LoadIconA(instance, icons[i]);
        if (icon == nullptr)
            ok = false;
        else if (i == 0)
            computerIcon = icon;
    }
    if (!ok)
        ShowMessageBox(nullptr, NO_MEMORY_TEXT, DEFAULT_CAPTION, MB_OK | MB_ICONHAND);
    return ok;
}

// Creates the main window; false (message shown) when the class or the
// window cannot be made.
static bool CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = computerIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    if (RegisterClassA(&windowClass) == 0) {
        ShowMessageBox(nullptr, NO_MEMORY_TEXT, DEFAULT_CAPTION, MB_OK | MB_ICONHAND);
        return false;
    }
    mainWindow = CreateWindowExA(0, MAIN_WINDOW_CLASS, InstallScript.caption,
                                 WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, ScreenMetrics.screenWidth,
                                 ScreenMetrics.screenHeight, nullptr, nullptr, instance, nullptr);
    if (mainWindow == nullptr) {
        ShowMessageBox(nullptr, NO_MEMORY_TEXT, DEFAULT_CAPTION, MB_OK | MB_ICONHAND);
        return false;
    }
    return true;
}

static void RunMessageLoop()
{
    pumpEnabled = true;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (infoPanel != nullptr && IsDialogMessageA(infoPanel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    pumpEnabled = false;
}

int RunInstaller(HINSTANCE instance, HINSTANCE previousInstance, const char* commandLine)
{
    ReadScreenMetrics();
    pumpEnabled = false;
    if (previousInstance != nullptr) {
        ShowMessageBox(nullptr, "Cannot perform two installation processes.", DEFAULT_CAPTION,
                       MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    programInstance = instance;
    if (!LoadResources())
        return 0;
    if (LoadInstallScript(commandLine != nullptr ? commandLine : "")) {
        if (CreateMainWindow(instance)) {
            RunCommandLines(1);
            ShowWindow(mainWindow, InstallScript.windowState == 0 ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
            UpdateWindow(mainWindow);
            RunMessageLoop();
            mainWindow = nullptr;
            RunCommandLines(8);
        }
    }
    FreeInstallScript();
    return 0;
}
