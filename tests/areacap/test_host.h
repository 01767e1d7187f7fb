// A stand-in for the host application: a window of class "VELD:NIMBA" on
// its own thread that sends or posts the capture tool's command and logs
// every protocol message it receives, for the tests that look at the raw
// protocol; plus starting and ending the tool and the sample host.
#ifndef TESTS_AREACAP_TEST_HOST_H
#define TESTS_AREACAP_TEST_HOST_H

#include <windows.h>

#include <string>
#include <vector>

struct HostMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Starts the host window on its own thread; false when it could not.
bool StartTestHost();
// Destroys the host window and ends its thread.
void StopTestHost();
// Asks the host thread to deliver WM_COMMAND command to the command window,
// with SendMessageA (the host thread then waits for the whole mode) or
// PostMessageA.
void HostDeliverCommand(HWND commandWindow, WPARAM command, bool send);
// Every message received so far (WM_COMMAND and WM_USER..0x7FFF).
std::vector<HostMessage> HostLog();
void ClearHostLog();
// The log as text, for failure messages.
std::string DescribeHostLog();

// Starts a program (the path of areacap.exe, samplehost.exe).
bool StartProgram(const std::string &exe, PROCESS_INFORMATION *process);
// Starts areacap.exe from the test program's own directory.
bool StartAreacap(PROCESS_INFORMATION *process);
// Opens the process that owns a window (areacap's, when the sample host
// started it) for waiting, its exit code and ending it.
bool OpenWindowProcess(HWND window, PROCESS_INFORMATION *process);
// Waits up to timeoutMs for the process to end (pumping the calling
// thread's messages); returns its exit code, or -1 when it is still running.
long WaitForExit(const PROCESS_INFORMATION &process, DWORD timeoutMs);
// Ends a process that is still running and closes its handles.
void EndProgram(PROCESS_INFORMATION *process);
// The text of a control of another program's window.
std::string ControlText(HWND window, int id);

// Moves the cursor, lets any input that the move causes arrive, then hands
// the mouse message to the window and waits until it has been handled.
void MouseStep(HWND window, UINT message, int x, int y);
// Runs the calling thread's pending messages for about ms milliseconds.
void PumpFor(DWORD ms);
// Waits up to timeoutMs for a top-level window of the class to appear.
HWND WaitForWindow(const char *className, DWORD timeoutMs);
// The directory of the test program, ending in a backslash.
std::string ProgramDirectory();

#endif
