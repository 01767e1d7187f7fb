#include "areacap/host_link.h"

#include "areacap/protocol.h"

HWND FindHost()
{
    HWND host = FindWindowA(HOST_WINDOW_CLASS, NULL);
    return host && IsWindow(host) ? host : NULL;
}

void SendToHost(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND host = FindHost();
    if (host)
        SendMessageA(host, message, wParam, lParam);
}

void SendCancel()
{
    SendToHost(WM_COMMAND, IDM_CAPTURE_CANCEL, 0);
}
