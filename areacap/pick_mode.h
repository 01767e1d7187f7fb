// The window-pick mode: frames the window under the cursor with an inverted
// 3-pixel border and reports it to the host on a left-button release.
#ifndef AREACAP_PICK_MODE_H
#define AREACAP_PICK_MODE_H

#include <windows.h>

LRESULT CALLBACK PickWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the window under the cursor as the first target and frames it.
void StartPickTracking();
// Cancel: erases the frame and forgets the target, so nothing is reported.
void DropPickTarget();

// Inverts the 3-pixel border of a window (clientArea 0) or of its client
// area (clientArea 1); a second call restores the screen.
void DrawHighlightFrame(HWND target, int clientArea);
// 1 when a screen point lies in the window's client area, else 0.
int PointInClientArea(HWND target, POINT point);

#endif
