// The options dialog: which optional parts to install and where from and to.
#include "install/ui/options_dialog.h"

#include "install/core/install_status.h"
#include "install/core/message_box.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/script/path_checks.h"
#include "install/ui/progress_display.h"

int firstVisibleCheckBox = 0;

static const int VISIBLE_CHECK_BOXES = 6;
static const int FIELD_LIMIT = 64;

static int LastFirstVisible()
{
    int last = InstallScript.checkBoxCount - VISIBLE_CHECK_BOXES;
    return last > 0 ? last : 0;
}

static void RefreshCheckBoxes(HWND dialog)
{
    int count = InstallScript.checkBoxCount;
    if (count > VISIBLE_CHECK_BOXES)
        SetScrollPos(GetDlgItem(dialog, IDC_CHECK_SCROLL), SB_CTL, firstVisibleCheckBox, TRUE);
    for (int i = 1; i <= VISIBLE_CHECK_BOXES && i <= count; i++) {
        const CheckBoxEntry& entry = InstallScript.checkBoxes[firstVisibleCheckBox + i - 1];
        SetDlgItemTextA(dialog, IDC_CHECK_FIRST + i - 1, entry.label);
        CheckDlgButton(dialog, IDC_CHECK_FIRST + i - 1, entry.checked ? BST_CHECKED : BST_UNCHECKED);
    }
}

static void PlaceOptionsDialog(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    int x = (ScreenMetrics.screenWidth - w) / 2;
    int y;
    if (IsIconic(GetParent(dialog)))
        y = (ScreenMetrics.screenHeight - h) / 2;
    else
        y = ScreenMetrics.screenHeight - 2 * ScreenMetrics.frameHeight - h;
    MoveWindow(dialog, x, y, w, h, FALSE);
}

static void ClientRectOf(HWND dialog, HWND control, RECT* rect)
{
    GetWindowRect(control, rect);
    MapWindowPoints(nullptr, dialog, (POINT*)rect, 2);
}

static void PrepareCheckBoxes(HWND dialog)
{
    int count = InstallScript.checkBoxCount;
    HWND scroll = GetDlgItem(dialog, IDC_CHECK_SCROLL);
    if (firstVisibleCheckBox > LastFirstVisible())
        firstVisibleCheckBox = LastFirstVisible();
    if (firstVisibleCheckBox < 0)
        firstVisibleCheckBox = 0;
    if (count > VISIBLE_CHECK_BOXES) {
        // The scroll bar takes the platform's standard width at the right
        // edge of its place; the boxes end a little left of it.
        RECT bar;
        ClientRectOf(dialog, scroll, &bar);
        bar.left = bar.right - GetSystemMetrics(SM_CXVSCROLL);
        MoveWindow(scroll, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, FALSE);
        SetScrollRange(scroll, SB_CTL, 0, count - VISIBLE_CHECK_BOXES, FALSE);
        int right = bar.left - 2 * GetSystemMetrics(SM_CXFRAME);
        for (int id = IDC_CHECK_FIRST; id <= IDC_CHECK_LAST; id++) {
            HWND box = GetDlgItem(dialog, id);
            RECT r;
            ClientRectOf(dialog, box, &r);
            MoveWindow(box, r.left, r.top, right - r.left, r.bottom - r.top, FALSE);
        }
    } else {
        ShowWindow(scroll, SW_HIDE);
        for (int i = count + 1; i <= VISIBLE_CHECK_BOXES; i++)
            ShowWindow(GetDlgItem(dialog, IDC_CHECK_FIRST + i - 1), SW_HIDE);
    }
}

static void InitOptionsDialog(HWND dialog)
{
    PlaceOptionsDialog(dialog);
    SetWindowTextA(dialog, InstallScript.caption);
    PrepareCheckBoxes(dialog);
    SendDlgItemMessageA(dialog, IDC_SOURCE_FIELD, EM_LIMITTEXT, FIELD_LIMIT, 0);
    SendDlgItemMessageA(dialog, IDC_DESTINATION_FIELD, EM_LIMITTEXT, FIELD_LIMIT, 0);
    CharLowerA(InstallScript.sourceDir);
    CharLowerA(InstallScript.destinationDir);
    SetDlgItemTextA(dialog, IDC_SOURCE_FIELD, InstallScript.sourceDir);
    SetDlgItemTextA(dialog, IDC_DESTINATION_FIELD, InstallScript.destinationDir);
    RefreshCheckBoxes(dialog);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_DESTINATION_FIELD), TRUE);
}

static void Scroll(HWND dialog, WPARAM wParam)
{
    int last = LastFirstVisible();
    int first = firstVisibleCheckBox;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        first = first - 1 > 0 ? first - 1 : 0;
        break;
    case SB_LINEDOWN:
        first = first + 1 < last ? first + 1 : last;
        break;
    case SB_PAGEUP:
        first = first - VISIBLE_CHECK_BOXES > 0 ? first - VISIBLE_CHECK_BOXES : 0;
        break;
    case SB_PAGEDOWN:
        first = first + VISIBLE_CHECK_BOXES < last ? first + VISIBLE_CHECK_BOXES : last;
        break;
    case SB_THUMBTRACK:
        first = (short)HIWORD(wParam);
        break;
    case SB_TOP:
        first = 0;
        break;
    case SB_BOTTOM:
        first = last;
        break;
    default:
        return;
    }
    // A thumb position comes from the scroll bar; keep it inside the table
    // all the same.
    if (first < 0)
        first = 0;
    if (first > last)
        first = last;
    if (first != firstVisibleCheckBox) {
        firstVisibleCheckBox = first;
        RefreshCheckBoxes(dialog);
    }
}

static void RejectField(HWND dialog, int fieldId, const char* text)
{
    ShowMessageBox(dialog, text, InstallScript.caption, MB_OK | MB_ICONEXCLAMATION);
    PostMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, fieldId), TRUE);
}

static void ConfirmOptions(HWND dialog)
{
    GetDlgItemTextA(dialog, IDC_SOURCE_FIELD, InstallScript.sourceDir, PATH_SIZE);
    if (IsBlank(InstallScript.sourceDir) || !DirectoryExists(InstallScript.sourceDir)) {
        RejectField(dialog, IDC_SOURCE_FIELD, "The specified source path is invalid.");
        return;
    }
    GetDlgItemTextA(dialog, IDC_DESTINATION_FIELD, InstallScript.destinationDir, PATH_SIZE);
    if (IsBlank(InstallScript.destinationDir) || !QualifyDirectory(InstallScript.destinationDir, true)) {
        RejectField(dialog, IDC_DESTINATION_FIELD, "The specified destination path is invalid.");
        return;
    }
    for (int i = 0; i < InstallScript.archiveCount; i++) {
        ArchiveEntry& archive = InstallScript.archives[i];
        if (archive.checkBox == 0)
            archive.toInstall = 1;
        else if (archive.checkBox > 0 && archive.checkBox <= InstallScript.checkBoxCount)
            archive.toInstall = InstallScript.checkBoxes[archive.checkBox - 1].checked ? 1 : 0;
        else
            archive.toInstall = 0;
    }
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR colourResult = 0;
    switch (message) {
    case WM_INITDIALOG:
        InitOptionsDialog(dialog);
        return FALSE;
    case WM_VSCROLL:
        Scroll(dialog, wParam);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id >= IDC_CHECK_FIRST && id <= IDC_CHECK_LAST) {
            int index = firstVisibleCheckBox + (id - IDC_CHECK_FIRST);
            if (index < InstallScript.checkBoxCount)
                InstallScript.checkBoxes[index].checked =
                    IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
        } else if (id == IDOK) {
            ConfirmOptions(dialog);
        } else if (id == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    default:
        if (HandleDialogColours(dialog, message, wParam, lParam, true, &colourResult))
            return colourResult;
        return FALSE;
    }
}

bool ShowOptionsDialog()
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), "InstChck", mainWindow,
                                     OptionsDialogProc, 0);
    if (result == -1) {
        // The dialog could not be created: nothing was chosen, so nothing
        // may be installed.
        SetFinishMessage("Available memory is not enough. ");
        return false;
    }
    if (result != 1)
        return false;
    ApplySpeedLevel();
    return true;
}
