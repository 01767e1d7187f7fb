// Every message box of the installer goes through ShowMessageBox, so that
// tests can capture caption, text and icon without a box appearing.
#pragma once
#include <windows.h>

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Test seam: while a hook is set, it answers instead of MessageBoxA.
typedef int (*MessageBoxHook)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxHook(MessageBoxHook hook);
