// Shared helpers of the installer's display and dialog tests: paths next to
// the test program, a message-box recorder, a fresh script record, reading a
// window's pixels back and saving them as PNG screenshots, and driving the
// dialogs of the test's own thread from a second thread.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

inline std::string Upper(std::string s)
{
    CharUpperA(&s[0]);
    return s;
}
inline std::string Lower(std::string s)
{
    CharLowerA(&s[0]);
    return s;
}

// Directory of the running test program, with a final backslash.
std::string ProgramDirectory();
// A new empty directory under the temporary directory, final backslash.
std::string MakeTempDirectory(const char* prefix);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// Records every message box instead of showing it; answers IDOK.
struct RecordedMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
void StartRecordingMessages();
void StopRecordingMessages();
std::vector<RecordedMessage> RecordedMessages();

// Clears InstallScript and gives it a caption, full-screen state and the
// given source and destination directories; frees nothing (tests own their
// tables).
void ResetInstallScript(const char* sourceDir, const char* destinationDir);

// A black pop-up window standing in for the main window: its paint plays
// the picture and draws the percent bars, and it passes every message to the
// Program Manager conversation first, as the real one does. Sets mainWindow.
HWND CreateTestMainWindow(int x, int y, int width, int height);
void DestroyTestMainWindow();
// Lets every queued message of this thread run.
void PumpMessages();

// The pixels of a window's area on the screen (x, y relative to the window's
// top left), as 0x00RRGGBB values, read back through the window's own DC.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned> rgb;
    unsigned At(int x, int y) const { return rgb[(size_t)y * width + x]; }
};
Pixels ReadWindowPixels(HWND window);
// Reads the screen area of a window (with its frame and title) from the
// screen device context.
Pixels ReadScreenPixels(HWND window);
// Repaints a dialog of another thread and reads its client area (the
// caption bar is left to a window manager, which the test display lacks).
Pixels CaptureDialog(HWND dialog);
// Saves pixels as <program dir>\screenshots\<name>.png; returns the path.
std::string SavePng(const Pixels& pixels, const char* name);
inline unsigned Rgb(COLORREF c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Waits (up to timeoutMs) for a visible dialog ("#32770") of the given
// thread other than notThis; null on time-out.
HWND WaitForDialog(DWORD threadId, HWND notThis = nullptr, int timeoutMs = 10000);
// Waits until the window is gone; false on time-out.
bool WaitForWindowGone(HWND window, int timeoutMs = 10000);
// Clicks a dialog button the way the mouse does (BM_CLICK).
void ClickButton(HWND dialog, int id);
// Types the text into a control character by character (WM_CHAR), after
// selecting everything that is there, so that it replaces the old text.
void TypeText(HWND dialog, int id, const char* text);
std::string ControlText(HWND dialog, int id);
// The window that has the keyboard focus in the given thread.
HWND FocusOfThread(DWORD threadId);
// Waits (up to timeoutMs) until the focus of the thread is on the window;
// returns the focus window then.
HWND WaitForFocus(DWORD threadId, HWND window, int timeoutMs = 3000);

// Runs a driver on a second thread while the test's thread shows a dialog.
// If the driver fails to end the dialog within the time limit, the dialog
// gets WM_COMMAND for fallbackId so that the test cannot hang.
class DialogDriver {
public:
    typedef void (*Script)(DWORD dialogThread, void* context);
    DialogDriver(Script script, void* context, int fallbackId = IDCANCEL);
    ~DialogDriver();  // joins the driver thread
private:
    static DWORD WINAPI Run(LPVOID self);
    Script script;
    void* context;
    int fallbackId;
    DWORD dialogThread;
    HANDLE thread;
};
