#include "tests/areacap/test_host.h"

#include <cstdio>

// Messages from the test thread to the host window (outside the logged range).
static const UINT kDeliverSend = WM_APP + 1;
static const UINT kDeliverPost = WM_APP + 2;
static const UINT kQuitHost = WM_APP + 3;

static HANDLE hostThread;
static HANDLE hostReady;
static HWND hostWindow;
static CRITICAL_SECTION logLock;
static bool logLockReady;
static std::vector<HostMessage> hostLog;

static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND || (message >= WM_USER && message < WM_APP)) {
        EnterCriticalSection(&logLock);
        hostLog.push_back(HostMessage{message, wParam, lParam});
        LeaveCriticalSection(&logLock);
        return 0;
    }
    switch (message) {
    case kDeliverSend:
        SendMessageA(reinterpret_cast<HWND>(lParam), WM_COMMAND, wParam, 0);
        return 0;
    case kDeliverPost:
        PostMessageA(reinterpret_cast<HWND>(lParam), WM_COMMAND, wParam, 0);
        return 0;
    case kQuitHost:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static DWORD WINAPI HostThread(LPVOID)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "VELD:NIMBA";
    RegisterClassA(&wc);
    // Hidden: the class is all that the capture tool looks for.
    hostWindow = CreateWindowExA(0, "VELD:NIMBA", "test host", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
    SetEvent(hostReady);
    if (!hostWindow)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    hostWindow = NULL;
    return 0;
}

bool StartTestHost()
{
    if (!logLockReady) {
        InitializeCriticalSection(&logLock);
        logLockReady = true;
    }
    ClearHostLog();
    hostReady = CreateEventA(NULL, TRUE, FALSE, NULL);
    hostThread = CreateThread(NULL, 0, HostThread, NULL, 0, NULL);
    if (!hostThread)
        return false;
    WaitForSingleObject(hostReady, 10000);
    CloseHandle(hostReady);
    return hostWindow != NULL;
}

void StopTestHost()
{
    if (!hostThread)
        return;
    if (hostWindow)
        PostMessageA(hostWindow, kQuitHost, 0, 0);
    if (WaitForSingleObject(hostThread, 10000) != WAIT_OBJECT_0)
        TerminateThread(hostThread, 1);
    CloseHandle(hostThread);
    hostThread = NULL;
    hostWindow = NULL;
}

void HostDeliverCommand(HWND commandWindow, WPARAM command, bool send)
{
    PostMessageA(hostWindow, send ? kDeliverSend : kDeliverPost, command, reinterpret_cast<LPARAM>(commandWindow));
}

std::vector<HostMessage> HostLog()
{
    EnterCriticalSection(&logLock);
    std::vector<HostMessage> copy = hostLog;
    LeaveCriticalSection(&logLock);
    return copy;
}

void ClearHostLog()
{
    EnterCriticalSection(&logLock);
    hostLog.clear();
    LeaveCriticalSection(&logLock);
}

std::string DescribeHostLog()
{
    std::string text;
    for (const HostMessage &m : HostLog()) {
        char line[96];
        snprintf(line, sizeof line, "[%u wParam=%llu lParam=0x%llx] ", m.message,
                 static_cast<unsigned long long>(m.wParam), static_cast<unsigned long long>(m.lParam));
        text += line;
    }
    return text.empty() ? "(no messages)" : text;
}

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

bool StartProgram(const std::string &exe, PROCESS_INFORMATION *process)
{
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(process, sizeof *process);
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, process) != 0;
}

bool StartAreacap(PROCESS_INFORMATION *process)
{
    return StartProgram(ProgramDirectory() + "areacap.exe", process);
}

bool OpenWindowProcess(HWND window, PROCESS_INFORMATION *process)
{
    ZeroMemory(process, sizeof *process);
    DWORD id = 0;
    if (!GetWindowThreadProcessId(window, &id))
        return false;
    process->hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id);
    process->dwProcessId = id;
    return process->hProcess != NULL;
}

std::string ControlText(HWND window, int id)
{
    char text[1024];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(GetDlgItem(window, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, 5000, &n))
        return std::string();
    return std::string(text, n < sizeof text ? n : 0);
}

void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

void MouseStep(HWND window, UINT message, int x, int y)
{
    // Setting the cursor where it already is may still bring a mouse move of
    // its own, which would count as a drag.
    POINT at;
    if (!GetCursorPos(&at) || at.x != x || at.y != y) {
        SetCursorPos(x, y);
        PumpFor(120);
    }
    DWORD_PTR result;
    SendMessageTimeoutA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, 0, SMTO_NORMAL, 5000,
                        &result);
    PumpFor(120);
}

long WaitForExit(const PROCESS_INFORMATION &process, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            return static_cast<long>(code);
        }
        if (GetTickCount() - start >= timeoutMs)
            return -1;
        PumpFor(10);
    }
}

void EndProgram(PROCESS_INFORMATION *process)
{
    if (!process->hProcess)
        return;
    if (WaitForSingleObject(process->hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process->hProcess, 99);
        WaitForSingleObject(process->hProcess, 5000);
    }
    CloseHandle(process->hProcess);
    if (process->hThread)
        CloseHandle(process->hThread);
    ZeroMemory(process, sizeof *process);
}

HWND WaitForWindow(const char *className, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindWindowA(className, NULL);
        if (w)
            return w;
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        PumpFor(10);
    }
}
