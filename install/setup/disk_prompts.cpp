// The overwrite and next-diskette prompts of the file installation.
#include "install/setup/disk_prompts.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/ui/progress_display.h"

int32_t overwriteAnswer = OVERWRITE_YES;

static const int DISKETTE_FIELD_LIMIT = 64;

// Runs a prompt modally. Over the information panel the main window is
// disabled meanwhile; when the installer is minimised the main window owns it.
static INT_PTR RunPrompt(const char* templateName, DLGPROC procedure, LPARAM parameter)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (mainWindow != nullptr && IsIconic(mainWindow))
        return DialogBoxParamA(instance, templateName, mainWindow, procedure, parameter);
    if (mainWindow != nullptr)
        EnableWindow(mainWindow, FALSE);
    INT_PTR result = DialogBoxParamA(instance, templateName, infoPanel, procedure, parameter);
    if (mainWindow != nullptr)
        EnableWindow(mainWindow, TRUE);
    return result;
}

// Centres the prompt on the screen and gives it the script's caption.
static void PlacePrompt(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    MoveWindow(dialog, (ScreenMetrics.screenWidth - w) / 2, (ScreenMetrics.screenHeight - h) / 2,
               w, h, FALSE);
    SetWindowTextA(dialog, InstallScript.caption);
}

static INT_PTR CALLBACK OverwriteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR colourResult = 0;
    switch (message) {
    case WM_INITDIALOG: {
        PlacePrompt(dialog);
        ShowWindow(GetDlgItem(dialog, IDC_ICON_PLACE), SW_HIDE);
        char* name = (char*)lParam;
        CharLowerA(name);
        char question[PATH_SIZE + 64];
        snprintf(question, sizeof(question), "The file '%s' already exists.", name);
        SetDlgItemTextA(dialog, IDC_QUESTION_LINE, question);
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        RECT place;
        GetWindowRect(GetDlgItem(dialog, IDC_ICON_PLACE), &place);
        MapWindowPoints(nullptr, dialog, (POINT*)&place, 2);
        DrawIcon(dc, place.left, place.top, LoadIconA(nullptr, IDI_QUESTION));
        EndPaint(dialog, &paint);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case OVERWRITE_YES:
        case OVERWRITE_NO:
        case OVERWRITE_YES_TO_ALL:
        case OVERWRITE_NO_TO_ALL:
            EndDialog(dialog, LOWORD(wParam));
            break;
        default:
            // Escape and the close command arrive as Cancel: the prompt
            // ends only through one of its four answers.
            break;
        }
        return TRUE;
    default:
        if (HandleDialogColours(dialog, message, wParam, lParam, false, &colourResult))
            return colourResult;
        return FALSE;
    }
}

int32_t AskOverwrite(const char* storedName)
{
    // The prompt lower-cases its own copy of the name. A name that cannot be
    // copied, like a prompt that cannot be shown, leaves the file as it is.
    char name[PATH_SIZE];
    size_t length = strlen(storedName);
    if (length >= sizeof name)
        return OVERWRITE_NO;
    memcpy(name, storedName, length + 1);
    INT_PTR result = RunPrompt("InstFile", OverwriteProc, (LPARAM)name);
    if (result != OVERWRITE_YES && result != OVERWRITE_NO && result != OVERWRITE_YES_TO_ALL &&
        result != OVERWRITE_NO_TO_ALL)
        return OVERWRITE_NO;
    return (int32_t)result;
}

static INT_PTR CALLBACK NextDisketteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR colourResult = 0;
    switch (message) {
    case WM_INITDIALOG:
        PlacePrompt(dialog);
        SendDlgItemMessageA(dialog, IDC_SOURCE_FIELD, EM_LIMITTEXT, DISKETTE_FIELD_LIMIT, 0);
        CharLowerA(InstallScript.sourceDir);
        SetDlgItemTextA(dialog, IDC_SOURCE_FIELD, InstallScript.sourceDir);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char path[PATH_SIZE];
            GetDlgItemTextA(dialog, IDC_SOURCE_FIELD, path, PATH_SIZE);
            if (DirectoryExists(path)) {
                lstrcpynA(InstallScript.sourceDir, path, PATH_SIZE);
                EndDialog(dialog, 1);
            } else {
                ShowMessageBox(dialog, "The specified source path is invalid.", InstallScript.caption,
                               MB_OK | MB_ICONEXCLAMATION);
                PostMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_SOURCE_FIELD), TRUE);
            }
            break;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        default:
            break;
        }
        return TRUE;
    default:
        if (HandleDialogColours(dialog, message, wParam, lParam, true, &colourResult))
            return colourResult;
        return FALSE;
    }
}

bool AskNextDiskette()
{
    return RunPrompt("InstDisk", NextDisketteProc, 0) == 1;
}
