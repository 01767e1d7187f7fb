// Messages to the host application. The host is looked up afresh before each
// message; when it is gone the message is skipped silently.
#ifndef AREACAP_HOST_LINK_H
#define AREACAP_HOST_LINK_H

#include <windows.h>

// The host's window, or 0 when there is none.
HWND FindHost();
// Sends one message to the host and waits for it; the result is ignored.
void SendToHost(UINT message, WPARAM wParam, LPARAM lParam);
// Tells the host that the user cancelled the mode.
void SendCancel();

#endif
