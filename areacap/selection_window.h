// The area-selection tool window: four toolbar buttons (capture, zoom in,
// zoom out, help) and a magnifier. A drag outside the window selects a screen
// area, drawn as an animated outline; the camera button reports it.
#ifndef AREACAP_SELECTION_WINDOW_H
#define AREACAP_SELECTION_WINDOW_H

#include <windows.h>

LRESULT CALLBACK SelectionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
