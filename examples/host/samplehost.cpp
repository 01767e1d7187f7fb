// A small host application of areacap: a window of class "VELD:NIMBA" with
// two commands. "Pick a window" lets the user point at a window and shows its
// handle, class, title and rectangle; "Select an area" lets the user drag a
// rectangle and shows the pixels of that area, copied from the screen as soon
// as areacap reports it, which "Save as BMP" writes to a file. What areacap
// does, and what went wrong, is shown in the status line.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>

#include "areacap/protocol.h"
#include "examples/host/areacap_session.h"
#include "examples/host/samplehost.h"
#include "examples/host/screen_copy.h"

static const UINT_PTR kPollTimer = 1;
static const UINT kPollIntervalMs = 50;
static const int kMargin = 8;
static const int kButtonWidth = 110;
static const int kButtonHeight = 24;
static const int kResultHeight = 64;
static const int kStatusHeight = 20;

static HINSTANCE instance;
static UINT runningCommand;      // the command of the session that runs
static bool answerReceived;      // areacap has answered that command
static POINT areaTopLeft;        // from AM_AREA_TOPLEFT, until AM_AREA_BOTTOMRIGHT
static HBITMAP picture;          // the pixels of the last area, or NULL
static RECT pictureArea;         // where the picture is shown (client pixels)

static void SetStatus(HWND window, const char *text)
{
    SetDlgItemTextA(window, IDC_STATUS, text);
}

static void EnableCommands(HWND window, bool enable)
{
    EnableWindow(GetDlgItem(window, IDC_PICK_WINDOW), enable);
    EnableWindow(GetDlgItem(window, IDC_SELECT_AREA), enable);
}

static void CreateControls(HWND window)
{
    static const struct {
        int id;
        const char *className;
        const char *text;
        DWORD style;
    } controls[] = {
        {IDC_PICK_WINDOW, "BUTTON", "Pick a window", BS_PUSHBUTTON | WS_TABSTOP},
        {IDC_SELECT_AREA, "BUTTON", "Select an area", BS_PUSHBUTTON | WS_TABSTOP},
        {IDC_SAVE_BMP, "BUTTON", "Save as BMP", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED},
        {IDC_RESULT, "STATIC", "No result yet.", SS_LEFT | SS_NOPREFIX},
        {IDC_STATUS, "STATIC", "Ready.", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_SUNKEN},
    };
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (const auto &c : controls) {
        HWND control = CreateWindowExA(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, NULL);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

static void Layout(HWND window, int width, int height)
{
    for (int i = 0; i < 3; i++)
        MoveWindow(GetDlgItem(window, IDC_PICK_WINDOW + i), kMargin + i * (kButtonWidth + kMargin), kMargin,
                   kButtonWidth, kButtonHeight, TRUE);
    int resultTop = kMargin * 2 + kButtonHeight;
    MoveWindow(GetDlgItem(window, IDC_RESULT), kMargin, resultTop, width - 2 * kMargin, kResultHeight, TRUE);
    MoveWindow(GetDlgItem(window, IDC_STATUS), 0, height - kStatusHeight, width, kStatusHeight, TRUE);
    SetRect(&pictureArea, kMargin, resultTop + kResultHeight + kMargin, width - kMargin,
            height - kStatusHeight - kMargin);
    InvalidateRect(window, NULL, TRUE);
}

// The picture at its own size, or made smaller to fit, with a frame.
static void PaintPicture(HDC dc)
{
    BITMAP bm;
    if (!picture || !GetObjectA(picture, sizeof bm, &bm))
        return;
    int areaWidth = pictureArea.right - pictureArea.left - 2;
    int areaHeight = pictureArea.bottom - pictureArea.top - 2;
    if (areaWidth <= 0 || areaHeight <= 0)
        return;
    int width = bm.bmWidth, height = bm.bmHeight;
    if (width > areaWidth || height > areaHeight) {
        if (static_cast<long long>(width) * areaHeight > static_cast<long long>(height) * areaWidth) {
            height = static_cast<int>(static_cast<long long>(height) * areaWidth / width);
            width = areaWidth;
        } else {
            width = static_cast<int>(static_cast<long long>(width) * areaHeight / height);
            height = areaHeight;
        }
        width = width > 0 ? width : 1;
        height = height > 0 ? height : 1;
    }
    int x = pictureArea.left + 1, y = pictureArea.top + 1;
    RECT frame = {x - 1, y - 1, x + width + 1, y + height + 1};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, NULL);
    StretchBlt(dc, x, y, width, height, memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

static void ReplacePicture(HWND window, HBITMAP bitmap)
{
    if (picture)
        DeleteObject(picture);
    picture = bitmap;
    EnableWindow(GetDlgItem(window, IDC_SAVE_BMP), picture != NULL);
    InvalidateRect(window, &pictureArea, TRUE);
}

static void BeginCommand(HWND window, UINT command)
{
    char reason[MAX_PATH + 64];
    if (!StartAreacapSession(command, reason, sizeof reason)) {
        SetStatus(window, reason);
        return;
    }
    runningCommand = command;
    answerReceived = false;
    EnableCommands(window, false);
    SetFocus(window);   // the focused button has just been disabled
    SetStatus(window, "Starting areacap...");
    SetTimer(window, kPollTimer, kPollIntervalMs, NULL);
}

static void PollSession(HWND window)
{
    switch (PollAreacapSession()) {
    case SessionEvent::None:
        return;
    case SessionEvent::CommandPosted:
        SetStatus(window, runningCommand == IDM_PICK_WINDOW
                              ? "Click the window to pick (Esc cancels)."
                              : "Drag over the screen, then click the camera button (Esc cancels).");
        return;
    case SessionEvent::EndedBeforeCommand:
        SetStatus(window, "areacap ended before it took the command.");
        break;
    case SessionEvent::NoCommandWindow:
        SetStatus(window, "areacap did not open its command window.");
        break;
    case SessionEvent::Ended:
        // Nothing comes when the window closed before it was picked, or when
        // areacap could not open its window.
        if (!answerReceived)
            SetStatus(window, runningCommand == IDM_PICK_WINDOW
                                  ? "areacap ended without a result: the window closed before it was picked."
                                  : "areacap ended without a result.");
        break;
    }
    KillTimer(window, kPollTimer);
    EnableCommands(window, true);
}

// AM_AREA_BOTTOMRIGHT: the area is complete. areacap has erased its outline
// and hidden its window, and waits for this message to return: the screen
// shows exactly what the user selected, so it is copied now.
static void ShowArea(HWND window, int right, int bottom)
{
    char text[160];
    answerReceived = true;
    int width = right - areaTopLeft.x + 1, height = bottom - areaTopLeft.y + 1;
    if (width <= 0 || height <= 0) {
        SetDlgItemTextA(window, IDC_RESULT, "No area.");
        ReplacePicture(window, NULL);
        SetStatus(window, "No area was selected: drag over the screen before clicking the camera.");
        return;
    }
    HBITMAP bitmap = CopyScreenArea(areaTopLeft.x, areaTopLeft.y, width, height);
    snprintf(text, sizeof text, "Area (%ld, %ld) - (%d, %d), %d x %d pixels", areaTopLeft.x, areaTopLeft.y, right,
             bottom, width, height);
    SetDlgItemTextA(window, IDC_RESULT, text);
    ReplacePicture(window, bitmap);
    SetStatus(window, bitmap ? "Area captured." : "The area could not be copied from the screen.");
}

static void ShowPickedWindow(HWND window, HWND picked, bool clientArea)
{
    char className[128], title[128], text[512];
    answerReceived = true;
    if (!GetClassNameA(picked, className, sizeof className))
        className[0] = '\0';
    if (!GetWindowTextA(picked, title, sizeof title))
        title[0] = '\0';
    RECT r;
    if (clientArea) {
        GetClientRect(picked, &r);
        MapWindowPoints(picked, NULL, reinterpret_cast<POINT *>(&r), 2);
    } else {
        GetWindowRect(picked, &r);
    }
    snprintf(text, sizeof text, "Window %08lX\nClass: %s\nTitle: %s\n%s at (%ld, %ld), %ld x %ld",
             static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(picked)), className, title,
             clientArea ? "Client area" : "Whole window", r.left, r.top, r.right - r.left, r.bottom - r.top);
    SetDlgItemTextA(window, IDC_RESULT, text);
    SetStatus(window, "Window picked.");
}

static void SavePicture(HWND window)
{
    char path[MAX_PATH] = "capture.bmp";
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = "Bitmap files (*.bmp)\0*.bmp\0All files\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrDefExt = "bmp";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!picture || !GetSaveFileNameA(&ofn))
        return;
    char text[MAX_PATH + 32];
    snprintf(text, sizeof text, SaveBitmapAsBmp(picture, path) ? "Saved as %s." : "Cannot write %s.", path);
    SetStatus(window, text);
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateControls(window);
        return 0;
    case WM_SIZE:
        Layout(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintPicture(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PICK_WINDOW:
            BeginCommand(window, IDM_PICK_WINDOW);
            return 0;
        case IDC_SELECT_AREA:
            BeginCommand(window, IDM_SELECT_AREA);
            return 0;
        case IDC_SAVE_BMP:
            SavePicture(window);
            return 0;
        case IDM_CAPTURE_CANCEL:
            answerReceived = true;
            SetStatus(window, "Cancelled in areacap.");
            return 0;
        }
        break;
    case AM_AREA_TOPLEFT:
        areaTopLeft.x = static_cast<short>(LOWORD(lParam));
        areaTopLeft.y = static_cast<short>(HIWORD(lParam));
        return 0;
    case AM_AREA_BOTTOMRIGHT:
        ShowArea(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case AM_WINDOW_PICKED:
        // areacap waits until this returns; it needs no answer.
        ReplyMessage(0);
        ShowPickedWindow(window, reinterpret_cast<HWND>(lParam), wParam != 0);
        return 0;
    case WM_TIMER:
        if (wParam == kPollTimer)
            PollSession(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        ForgetAreacapSession();
        ReplacePicture(window, NULL);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int showCommand)
{
    instance = hInstance;
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = HOST_WINDOW_CLASS;
    if (!RegisterClassA(&wc))
        return 1;
    RECT outer = {0, 0, 520, 380};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0, HOST_WINDOW_CLASS, "areacap sample host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, NULL, NULL,
                                  instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(window, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
