#include "install/core/install_status.h"

#include <cstring>

HINSTANCE programInstance = nullptr;
HWND mainWindow = nullptr;
ScreenMetricsRecord ScreenMetrics = {0, 0, 0, 0};
bool pumpEnabled = false;
HWND infoPanel = nullptr;
char finishMessage[FINISH_MESSAGE_SIZE] = "";
bool cancelRequested = false;

HINSTANCE ProgramInstance()
{
    return programInstance != nullptr ? programInstance : GetModuleHandleA(nullptr);
}

bool RunPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The quit message belongs to the main loop: put it back and stop
        // (it comes only once the queue holds nothing else).
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return true;
        }
        // No keyboard translation or dialog-key handling here: the long step
        // only lets painting, buttons and prompts run.
        DispatchMessageA(&msg);
        if (msg.message == WM_INSTALL_FINISH && msg.hwnd == mainWindow && mainWindow != nullptr)
            return false;
    }
    return true;
}

// Time of the check point's last pump run, in performance-counter ticks; 0
// makes the next check point due.
static LONGLONG lastCheckPointPump = 0;
static LONGLONG pumpIntervalTicks = 0;

// Ticks left at `now` until the check point's pump is due, 0 when due.
static LONGLONG TicksLeftAt(LONGLONG now)
{
    if (pumpIntervalTicks == 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        pumpIntervalTicks = frequency.QuadPart * PUMP_INTERVAL_MS / 1000;
    }
    if (lastCheckPointPump == 0 || now < lastCheckPointPump || now - lastCheckPointPump >= pumpIntervalTicks)
        return 0;
    return lastCheckPointPump + pumpIntervalTicks - now;
}

LONGLONG PumpTicksLeft()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return TicksLeftAt(now.QuadPart);
}

bool RunPendingMessagesBefore(LONGLONG ticks)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (TicksLeftAt(now.QuadPart) > ticks)
        return true;
    lastCheckPointPump = now.QuadPart != 0 ? now.QuadPart : 1;
    return RunPendingMessages();
}

bool RunPendingMessagesWhenDue()
{
    return RunPendingMessagesBefore(0);
}

void MakeNextPumpDue()
{
    lastCheckPointPump = 0;
}

void SetFinishMessage(const char* text)
{
    if (text == nullptr)
        text = "";
    size_t n = strlen(text);
    if (n > FINISH_MESSAGE_SIZE - 1)
        n = FINISH_MESSAGE_SIZE - 1;
    memcpy(finishMessage, text, n);
    finishMessage[n] = '\0';
}

void ReadScreenMetrics()
{
    ScreenMetrics.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    ScreenMetrics.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ScreenMetrics.frameWidth = GetSystemMetrics(SM_CXFRAME);
    ScreenMetrics.frameHeight = GetSystemMetrics(SM_CYFRAME);
}
