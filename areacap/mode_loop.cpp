#include "areacap/mode_loop.h"

#include "areacap/app_state.h"
#include "areacap/geometry.h"
#include "areacap/host_link.h"
#include "areacap/pick_mode.h"
#include "areacap/protocol.h"

HCURSOR boxSelectCursor;
static HHOOK hookHandle;

// Journal-record hook that only passes every call on; it neither records nor
// alters input.
static LRESULT CALLBACK PassThroughHook(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(hookHandle, code, wParam, lParam);
}

static HWND CreateModeWindow(CaptureMode mode)
{
    if (mode == CaptureMode::PickWindow)
        return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TRANSPARENT, PICK_WINDOW_CLASS, NULL, WS_POPUP | WS_VISIBLE,
                               0, 0, 0, 0, NULL, NULL, appInstance, NULL);
    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&outer, WS_POPUP | WS_BORDER, FALSE);
    return CreateWindowExA(WS_EX_TOPMOST, SELECTION_WINDOW_CLASS, NULL, WS_POPUP | WS_BORDER, 16, 16,
                           outer.right - outer.left, outer.bottom - outer.top, NULL, NULL, appInstance, NULL);
}

void RunMode(CaptureMode mode)
{
    if (mode == CaptureMode::SelectArea)
        boxSelectCursor = LoadCursorA(appInstance, "BoxSelCur");

    HWND modeWindow = CreateModeWindow(mode);
    if (!modeWindow) {
        if (mode == CaptureMode::SelectArea) {
            DestroyCursor(boxSelectCursor);
            boxSelectCursor = NULL;
        }
        return;
    }
    if (mode == CaptureMode::SelectArea)
        ShowWindow(modeWindow, SW_SHOWNA);
    SetFocus(modeWindow);
    SetCapture(modeWindow);

    hookHandle = SetWindowsHookExA(WH_JOURNALRECORD, PassThroughHook, GetModuleHandleA(NULL), 0);

    HCURSOR modeCursor;
    HCURSOR previousCursor;
    if (mode == CaptureMode::PickWindow) {
        modeCursor = LoadCursorA(appInstance, "CAMERACUR");
        previousCursor = SetCursor(modeCursor);
        StartPickTracking();
    } else {
        modeCursor = boxSelectCursor;
        previousCursor = SetCursor(LoadCursorA(NULL, IDC_CROSS));
    }

    // Polls without ever waiting, so that the focus test runs on every pass.
    while (IsWindow(modeWindow)) {
        if (GetFocus() != modeWindow) {
            if (mode == CaptureMode::PickWindow)
                DropPickTarget();
            SendCancel();
            DestroyWindow(modeWindow);
            break;
        }
        MSG msg;
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE | PM_NOYIELD))
            continue;
        // Timer ticks drive the mode window's animation, whichever window
        // they were addressed to.
        if (msg.message == WM_TIMER)
            msg.hwnd = modeWindow;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = NULL;
    }
    ReleaseCapture();
    SetCursor(previousCursor);
    DestroyCursor(modeCursor);
    if (mode == CaptureMode::SelectArea)
        boxSelectCursor = NULL;
}
