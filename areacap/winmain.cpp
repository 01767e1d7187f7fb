// Start-up of the capture tool: runs only while the host's window exists and
// only once at a time, then serves exactly one command from the host.
#include <windows.h>

#include "areacap/app_state.h"
#include "areacap/mode_loop.h"
#include "areacap/pick_mode.h"
#include "areacap/protocol.h"
#include "areacap/selection_window.h"

// Set while a mode runs: a command that arrives meanwhile (the mode loop
// dispatches sent messages) is not started inside it.
static bool modeRunning;

static LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        PostQuitMessage(0);
        break;
    case WM_COMMAND:
        if (modeRunning)
            break;
        if (LOWORD(wParam) == IDM_PICK_WINDOW || LOWORD(wParam) == IDM_SELECT_AREA) {
            modeRunning = true;
            RunMode(LOWORD(wParam) == IDM_PICK_WINDOW ? CaptureMode::PickWindow : CaptureMode::SelectArea);
            modeRunning = false;
            DestroyWindow(window);
            return 1;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterClasses()
{
    WNDCLASSA wc;

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = CommandWindowProc;
    wc.hInstance = appInstance;
    wc.hCursor = LoadCursorA(NULL, IDC_CROSS);
    wc.lpszClassName = COMMAND_WINDOW_CLASS;
    RegisterClassA(&wc);

    ZeroMemory(&wc, sizeof wc);
    wc.style = CS_SAVEBITS | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = SelectionWindowProc;
    wc.hInstance = appInstance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = SELECTION_WINDOW_CLASS;
    RegisterClassA(&wc);

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = PickWindowProc;
    wc.hInstance = appInstance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = PICK_WINDOW_CLASS;
    RegisterClassA(&wc);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!FindWindowA(HOST_WINDOW_CLASS, NULL))
        return 0;
    if (FindWindowA(COMMAND_WINDOW_CLASS, NULL))
        return 0;
    appInstance = instance;
    RegisterClasses();
    commandWindow = CreateWindowExA(WS_EX_TRANSPARENT, COMMAND_WINDOW_CLASS, NULL, WS_POPUP | WS_VISIBLE, 0, 0, 0,
                                    0, NULL, NULL, appInstance, NULL);
    SetActiveWindow(commandWindow);
    MSG msg;
    msg.wParam = 0;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
