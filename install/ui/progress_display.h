// What the main window shows while it installs: the picture (Install.Pic),
// the percent bars that all show one progress percent, the helpers of the
// information panel at the bottom of the screen, and the sunken frame that
// every installer dialog draws around its edit and list controls.
#pragma once
#include <windows.h>

// The picture of the main window, none when absent. LoadPicture stores its
// result here as well as returning it; the main window deletes it
// (DeleteMetaFile) when it is destroyed and then clears this.
extern HMETAFILE picture;

// The value all percent bars show, 0..100; set only through SetProgressPercent.
extern int progressPercent;

// Reads Install.Pic from pictureDir, or failing that from the directory of
// the script. Warns (owned by ownerWindow) when the file cannot be opened or
// its header is wrong. None when pictureDir is empty or anything fails.
HMETAFILE LoadPicture(HWND ownerWindow);

// Plays the picture stretched over the main window's whole outer rectangle;
// called between the start and end of the main window's painting.
void PaintPicture(HDC dc, HWND window);

// Draws every bar on the main window with a device context of its own, when
// the window shows a full screen (not minimised, windowState 1, a picture
// present if one was asked for).
void DrawPercentBars();

// Clamps the value to 0..100 and stores it; draws the bars at once unless a
// paint of the main window is pending.
void SetProgressPercent(int value);

// Sets a control's text with every backslash shown as " \ ", so that a path
// reads C: \ APP \ BIN. The shown text is cut to 255 characters.
void SetPathText(HWND dialog, int controlId, const char* text);

// Moves the information panel to the bottom centre of the screen, lower-cases
// sourceDir and destinationDir for good and shows them in the panel.
void PlaceInfoPanel(HWND panel);

// The small triangle right of the panel's path frame that minimises the
// installer: outHitRect (when not null) receives its rectangle in client
// coordinates; with a dc it is drawn black (dark) or white.
void DrawMinimizeArrow(HWND panel, RECT* outHitRect, HDC dc, bool dark);

// Fills two bands of the given width just outside rect: top and left in
// topLeftColor, bottom and right in bottomRightColor, mitred where they meet.
void DrawFrame3D(HDC dc, const RECT* rect, int width, COLORREF topLeftColor,
                 COLORREF bottomRightColor);

// Draws a sunken frame of the given width around a dialog's control.
void DrawControlFrame(HWND dialog, int controlId, int width);

// The colour handling shared by the installer's dialogs, for the WM_CTLCOLOR*
// messages: edit and list-box controls get the sunken frame and default
// colours (result 0); static controls other than -1 get the frame when
// frameStatics is set; statics, buttons and the dialog itself get a
// transparent text background and the light-grey brush. Returns false for
// any other message, leaving *result alone.
bool HandleDialogColours(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         bool frameStatics, INT_PTR* result);
