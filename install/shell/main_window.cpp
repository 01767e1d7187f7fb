#include "install/shell/main_window.h"

#include <cstddef>
#include <cstring>

#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/script/path_keywords.h"
#include "install/setup/cached_file.h"
#include "install/setup/file_installation.h"
#include "install/shell/command_runner.h"
#include "install/shell/startup.h"
#include "install/ui/options_dialog.h"
#include "install/ui/program_manager.h"
#include "install/ui/progress_display.h"

static const char TERMINATED_TEXT[] = "Installation process is terminated.";
static const char NO_MEMORY_TEXT[] = "Available memory is not enough. ";

// State of the one main window.
static bool installFinished = false;  // the first WM_INSTALL_FINISH has been handled
static bool finishBegun = false;      // the finishing step has been entered (it may still wait)
static bool stage2Pending = false;    // stage 2 waits for the options dialog's first idle moment

static int ScreenWidth() { return ScreenMetrics.screenWidth; }
static int ScreenHeight() { return ScreenMetrics.screenHeight; }

// The wait cursor of long work; gives back the cursor it replaced.
static HCURSOR BeginWaitCursor()
{
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ShowCursor(TRUE);
    return previous;
}

static void EndWaitCursor(HCURSOR previous)
{
    ShowCursor(FALSE);
    SetCursor(previous);
}

bool CreateDestinationDirectories()
{
    HCURSOR previous = BeginWaitCursor();
    bool ok = true;
    for (int i = 0; i < InstallScript.archiveCount && ok; i++) {
        const ArchiveEntry& entry = InstallScript.archives[i];
        if (!entry.toInstall && !entry.createDirectory)
            continue;
        char directory[PATH_SIZE];
        ok = ExpandPathKeywords(entry.destination, directory, PATH_SIZE) && QualifyDirectory(directory, true) &&
             CreateDirectoryPath(directory);
    }
    EndWaitCursor(previous);
    return ok;
}

// The owner of the close and shutdown prompts: the panel (with the main
// window disabled meanwhile) or whatever pop-up is active.
static int AskFromLastPopup(const char* text, UINT type)
{
    HWND popup = GetLastActivePopup(mainWindow);
    if (popup != nullptr && popup == infoPanel) {
        EnableWindow(mainWindow, FALSE);
        int answer = ShowMessageBox(infoPanel, text, InstallScript.caption, type);
        EnableWindow(mainWindow, TRUE);
        return answer;
    }
    return ShowMessageBox(popup, text, InstallScript.caption, type);
}

bool ConfirmCancel()
{
    return AskFromLastPopup("Installation process will be terminated.", MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void RefuseEndSession()
{
    AskFromLastPopup("Cancel the installation before exiting Windows.", MB_OK | MB_ICONEXCLAMATION);
}

// Appends up to count bytes of text to out, never beyond limit characters.
static void AppendWithin(char* out, size_t* length, size_t limit, const char* text, size_t count)
{
    if (*length >= limit)
        return;
    if (count > limit - *length)
        count = limit - *length;
    memcpy(out + *length, text, count);
    *length += count;
}

void ComposeFinishText(const char* stored, char* out, size_t capacity)
{
    const size_t tailLength = sizeof(TERMINATED_TEXT) - 1;
    // The whole sentence must fit the 255 characters of a finish message.
    const size_t limit = FINISH_MESSAGE_SIZE - 1 - tailLength;
    if (capacity <= FINISH_MESSAGE_SIZE - 1) {
        out[0] = '\0';
        return;
    }
    size_t storedLength = strlen(stored);
    size_t length = 0;
    const char* open = strchr(stored, '\'');
    if (storedLength <= limit || open == nullptr || open - stored + 8 > static_cast<ptrdiff_t>(limit)) {
        AppendWithin(out, &length, limit, stored, storedLength);
    } else {
        // Too long: the file name inside the quotes loses its middle. A
        // whole text ends in a full stop and a space, with the closing quote
        // the last one; a text cut before its end (where an apostrophe may
        // belong to the name) gets the closing quote back.
        size_t head = static_cast<size_t>(open - stored) + 1;
        const char* close = strrchr(stored, '\'');
        bool whole = close != open && strcmp(stored + storedLength - 2, ". ") == 0;
        const char* nameEnd = whole ? close : stored + storedLength;
        const char* rest = whole ? close : "'. ";
        size_t restLength = strlen(rest);
        size_t nameLength = static_cast<size_t>(nameEnd - open - 1);
        size_t room = limit > head + restLength + 3 ? limit - head - restLength - 3 : 0;
        if (room > nameLength)
            room = nameLength;
        size_t nameTail = room / 2;
        AppendWithin(out, &length, limit, stored, head + room - nameTail);
        AppendWithin(out, &length, limit, "...", 3);
        AppendWithin(out, &length, limit, nameEnd - nameTail, nameTail);
        AppendWithin(out, &length, limit, rest, restLength);
    }
    memcpy(out + length, TERMINATED_TEXT, tailLength + 1);
}

static void ShowPanelAgain()
{
    if (infoPanel != nullptr) {
        ShowWindow(infoPanel, SW_SHOW);
        UpdateWindow(infoPanel);
    }
}

static void RestoreMainWindow(HWND window)
{
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    ShowPanelAgain();
}

static void MinimizeQuietly(HWND window)
{
    if (!IsIconic(window))
        ShowWindow(window, SW_SHOWMINNOACTIVE);
}

static void StartInstallation(HWND window)
{
    finishMessage[0] = '\0';
    stage2Pending = true;
    if (!ShowOptionsDialog()) {
        PostMessageA(window, WM_INSTALL_FINISH, static_cast<WPARAM>(-1), 0);
        return;
    }
    infoPanel = CreateDialogParamA(ProgramInstance(), "InstInfo", window, InfoPanelProc, 0);
    if (infoPanel == nullptr) {
        SetFinishMessage(NO_MEMORY_TEXT);
        PostMessageA(window, WM_INSTALL_FINISH, 0, 0);
        return;
    }
    if (IsIconic(window)) {
        if (GetActiveWindow() == infoPanel)
            SetActiveWindow(window);
        ShowWindow(infoPanel, SW_HIDE);
    } else {
        ShowWindow(infoPanel, SW_SHOW);
        UpdateWindow(infoPanel);
    }
    PostMessageA(window, WM_INSTALL_RUN, 0, 0);
}

static void RunInstallation(HWND window)
{
    RunCommandLines(3);
    if (!CreateDestinationDirectories()) {
        SetFinishMessage("Cannot create directory. ");
        PostMessageA(window, WM_INSTALL_FINISH, 0, 0);
        return;
    }
    RunCommandLines(4);
    bool ok = InstallArchives();
    PostMessageA(window, WM_INSTALL_FINISH, ok ? 1 : 0, 0);
}

// Waits until the installer's own program file can be found again (its
// diskette may have been replaced by another one).
static void WaitForProgramFile(HWND window)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    for (;;) {
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(path, &data);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            return;
        }
        ShowMessageBox(window, "Insert the first diskette.", InstallScript.caption,
                       MB_OK | MB_SYSTEMMODAL | MB_ICONINFORMATION);
    }
}

static void FinishInstallation(HWND window, INT_PTR outcome)
{
    // Entered once: while it waits for the program file, the box's own
    // message loop may deliver a later WM_INSTALL_FINISH.
    if (finishBegun)
        return;
    finishBegun = true;
    // A cancel arrives while a file is being written: it is closed now, so
    // that the programs of stages 6 and 7 can remove or replace it.
    AbandonOutputFile();
    WaitForProgramFile(window);
    installFinished = true;

    if (infoPanel != nullptr) {
        if (GetActiveWindow() == infoPanel)
            SetActiveWindow(window);
        DestroyWindow(infoPanel);
        infoPanel = nullptr;
    }
    if (!IsIconic(window))
        MoveWindow(window, 0, ScreenHeight(), ScreenWidth(), ScreenHeight(), TRUE);

    if (outcome == 0 || outcome == -1) {
        if (finishMessage[0] != '\0') {
            MinimizeQuietly(window);
            if (strcmp(finishMessage, TERMINATED_TEXT) == 0) {
                ShowMessageBox(window, finishMessage, InstallScript.caption, MB_OK | MB_ICONINFORMATION);
            } else {
                char text[FINISH_MESSAGE_SIZE];
                ComposeFinishText(finishMessage, text, sizeof text);
                ShowMessageBox(window, text, InstallScript.caption, MB_OK | MB_ICONHAND);
            }
        }
        if (outcome == 0) {
            RunCommandLines(6);
            RunCommandLines(7);
        }
    } else if (outcome == 1) {
        MinimizeQuietly(window);
        if (!RunProgramManagerStep())
            ShowMessageBox(window, "Installation has been done. You may run the program now.",
                           InstallScript.caption, MB_OK | MB_ICONINFORMATION);
        RunCommandLines(5);
        RunCommandLines(7);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static LRESULT CloseWindowRequest(HWND window)
{
    // While a prompt is open, or while the finish waits, closing only beeps.
    HWND popup = GetLastActivePopup(window);
    if (finishBegun || (popup != window && popup != infoPanel)) {
        MessageBeep(0);
        return 0;
    }
    if (IsIconic(window) && InstallScript.windowState == 1)
        RestoreMainWindow(window);
    if (ConfirmCancel())
        PostMessageA(window, WM_INSTALL_FINISH, 0, 0);
    return 0;
}

// Keeps the window on the full screen before the finish and below the
// screen after it.
static void KeepPlace(HWND window, UINT message, LPARAM lParam)
{
    int x = static_cast<short>(LOWORD(lParam));
    int y = static_cast<short>(HIWORD(lParam));
    if (!installFinished) {
        bool accepted = message == WM_MOVE ? (x == 0 && y == 0)
                                           : (x == ScreenWidth() && y == ScreenHeight());
        if (!accepted)
            MoveWindow(window, 0, 0, ScreenWidth(), ScreenHeight(), TRUE);
    } else {
        bool accepted = message == WM_MOVE && y >= ScreenHeight();
        if (!accepted)
            MoveWindow(window, 0, ScreenHeight(), ScreenWidth(), ScreenHeight(), TRUE);
    }
}

static void LimitPositionChange(WINDOWPOS* position)
{
    if (!installFinished) {
        if (!(position->flags & SWP_NOMOVE) && (position->x != 0 || position->y != 0))
            position->flags |= SWP_NOMOVE;
        if (!(position->flags & SWP_NOSIZE) &&
            (position->cx != ScreenWidth() || position->cy != ScreenHeight()))
            position->flags |= SWP_NOSIZE;
    } else if (!(position->flags & SWP_NOMOVE) && position->y < ScreenHeight()) {
        position->flags |= SWP_NOMOVE;
    }
}

static void PaintMainWindow(HWND window)
{
    RECT windowRect;
    RECT screenRect;
    RECT visible;
    GetWindowRect(window, &windowRect);
    SetRect(&screenRect, 0, 0, ScreenWidth(), ScreenHeight());
    IntersectRect(&visible, &windowRect, &screenRect);
    bool onScreen = !IsRectEmpty(&visible);

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (onScreen && picture != nullptr)
        PaintPicture(dc, window);
    EndPaint(window, &paint);
    if (onScreen)
        DrawPercentBars();
}

static LRESULT SystemCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
        if (infoPanel != nullptr)
            ShowWindow(infoPanel, SW_HIDE);
        break;
    case SC_MAXIMIZE:
        return 0;
    case SC_RESTORE:
        if (IsIconic(window)) {
            if (InstallScript.windowState == 1)
                RestoreMainWindow(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HandleDdeMessage(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        if (InstallScript.windowState == 1)
            picture = LoadPicture(window);
        stage2Pending = false;
        installFinished = false;
        finishBegun = false;
        PostMessageA(window, WM_INSTALL_START, 0, 0);
        break;
    case WM_DESTROY:
        if (picture != nullptr) {
            DeleteMetaFile(picture);
            picture = nullptr;
        }
        PostQuitMessage(0);
        break;
    case WM_MOVE:
    case WM_SIZE:
        if (!IsIconic(window))
            KeepPlace(window, message, lParam);
        break;
    case WM_WINDOWPOSCHANGING:
        if (!IsIconic(window))
            LimitPositionChange(reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(window) && infoPanel != nullptr) {
            SetActiveWindow(infoPanel);
            return 0;
        }
        break;
    case WM_PAINT:
        PaintMainWindow(window);
        return 0;
    case WM_CLOSE:
        if (installFinished)
            break;
        return CloseWindowRequest(window);
    case WM_QUERYENDSESSION:
        if (infoPanel != nullptr) {
            RefuseEndSession();
            return 0;
        }
        break;
    case WM_QUERYOPEN:
        return InstallScript.windowState == 1 ? 1 : 0;
    case WM_INITMENU:
        if (InstallScript.windowState == 0)
            EnableMenuItem(reinterpret_cast<HMENU>(wParam), SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
        break;
    case WM_SYSCOMMAND:
        return SystemCommand(window, wParam, lParam);
    case WM_ENTERIDLE:
        if (stage2Pending) {
            stage2Pending = false;
            RunCommandLines(2);
        }
        break;
    case WM_INSTALL_START:
        StartInstallation(window);
        return 0;
    case WM_INSTALL_RUN:
        RunInstallation(window);
        return 0;
    default:
        if (message == WM_INSTALL_FINISH) {
            FinishInstallation(window, static_cast<INT_PTR>(wParam));
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK InfoPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        PlaceInfoPanel(panel);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(panel, &paint);
        DrawMinimizeArrow(panel, nullptr, dc, true);
        EndPaint(panel, &paint);
        return TRUE;
    }
    case WM_COMMAND:
        // Once the finish has begun the panel only waits to be closed.
        if (LOWORD(wParam) == IDCANCEL && !finishBegun) {
            SetFinishMessage(TERMINATED_TEXT);
            PostMessageA(GetParent(panel), WM_INSTALL_FINISH, 0, 0);
        }
        return TRUE;
    case WM_LBUTTONDOWN: {
        POINT click = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT arrow;
        DrawMinimizeArrow(panel, &arrow, nullptr, true);
        if (PtInRect(&arrow, click)) {
            HDC dc = GetDC(panel);
            DrawMinimizeArrow(panel, nullptr, dc, false);
            DrawMinimizeArrow(panel, nullptr, dc, true);
            ReleaseDC(panel, dc);
            PostMessageA(mainWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        }
        return FALSE;
    }
    default: {
        INT_PTR result = FALSE;
        if (HandleDialogColours(panel, message, wParam, lParam, true, &result))
            return result;
        return FALSE;
    }
    }
}
