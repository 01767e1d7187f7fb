// The main window of the installer (class "InstWind") and the installation
// sequence it drives through its private messages, the "InstInfo" panel,
// and the close and shutdown prompts.
#pragma once
#include <windows.h>

const char MAIN_WINDOW_CLASS[] = "InstWind";
const UINT WM_INSTALL_START = WM_USER + 200;  // 1224: open the options dialog
const UINT WM_INSTALL_RUN = WM_USER + 201;    // 1225: create directories, install

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InfoPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the destination directory of every archive to install or whose
// create-directory flag is set; false at the first one that fails.
bool CreateDestinationDirectories();

// Asks whether to end the installation; true for OK.
bool ConfirmCancel();

// Tells the user to cancel the installation before Windows shuts down.
void RefuseEndSession();

// Builds the text the finishing step shows for a failure: the stored text
// followed by "Installation process is terminated.", within 255 characters
// (capacity at least 256): a stored text too long for that loses the middle
// of the file name between its quotes.
void ComposeFinishText(const char* stored, char* out, size_t capacity);
