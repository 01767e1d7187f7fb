// Process-wide installation status shared by the main window and the long
// steps (archive decoding, reading, writing), and the message pump through
// which those steps let queued messages run between pieces of work.
#pragma once
#include <windows.h>

// Ends the installation; wParam: 1 success, 0 failure or cancel, -1 options
// dialog cancelled. Posted to the main window by the steps and by Cancel.
const UINT WM_INSTALL_FINISH = WM_USER + 202;  // 1226

struct ScreenMetricsRecord {
    int screenWidth;   // SM_CXSCREEN
    int screenHeight;  // SM_CYSCREEN
    int frameWidth;    // SM_CXFRAME
    int frameHeight;   // SM_CYFRAME
};

const int FINISH_MESSAGE_SIZE = 256;

extern HINSTANCE programInstance;     // set at start-up
extern HWND mainWindow;               // the "InstWind" window, null until created
extern ScreenMetricsRecord ScreenMetrics;
extern bool pumpEnabled;              // true only while the main message loop runs
extern HWND infoPanel;                // modeless "InstInfo" panel, null when absent
extern char finishMessage[FINISH_MESSAGE_SIZE];  // reason of an unsuccessful end
extern bool cancelRequested;          // set when the pump saw the end; never cleared

// The module that holds the resources: programInstance, or the program's own
// module before start-up has set it (tests).
HINSTANCE ProgramInstance();

// Lets every queued message of the thread run. Returns false at once when one
// of them was WM_INSTALL_FINISH for the main window (later messages stay
// queued), true when the queue was emptied without one. A quit message is
// left in the queue for the main loop.
bool RunPendingMessages();

// The pump at a check point of long work (between read, copy, decode and
// write pieces): runs RunPendingMessages only when PUMP_INTERVAL_MS have
// passed since it last ran here, else returns true at once. An empty look
// at the queue costs a round trip to the window system, far more than a
// small piece of work; a few milliseconds of delay keep the window just as
// responsive.
const int PUMP_INTERVAL_MS = 10;
bool RunPendingMessagesWhenDue();

// The check point before a piece of work expected to take `ticks` of the
// performance counter: runs the pump also when it would fall due during
// that piece, so that the window does not wait for the piece as well.
bool RunPendingMessagesBefore(LONGLONG ticks);

// Performance-counter ticks left until the next check point would run the
// pump, 0 when it is due; changes nothing.
LONGLONG PumpTicksLeft();

// Test hook: the next check point runs the pump whatever the time.
void MakeNextPumpDue();

// Copies text into finishMessage, cut to its 255 characters.
void SetFinishMessage(const char* text);

// Reads the four screen values once at start-up.
void ReadScreenMetrics();
