// Process-wide handles of the capture tool, set once at start-up by WinMain.
#ifndef AREACAP_APP_STATE_H
#define AREACAP_APP_STATE_H

#include <windows.h>

extern HINSTANCE appInstance;   // every resource load and window creation
extern HWND commandWindow;      // the window that receives the host's command

#endif
