// Drives a real install.exe process the way a user would: starts it, finds
// its dialogs and message boxes, reads and works their controls, and reads
// what it left behind. Used by the end-to-end tests.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The kinds of top-level windows the installer shows.
enum class DialogKind { Options, Panel, Diskette, Overwrite, Groups, Message, Other };

// The icon of a message box, told apart by its picture.
enum class BoxIcon { None, Stop, Exclamation, Information, Question, Unknown };

struct MessageBoxContent {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
};

class InstallerProcess {
public:
    ~InstallerProcess();
    // Starts the program (bin\install.exe next to the test program when
    // empty) with the argument text.
    bool Start(const std::string& argument, const std::string& program = "");
    // Waits for the process to end; its exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD timeoutMs);
    bool Running() const;
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    // Visible top-level windows of the process.
    std::vector<HWND> Windows() const;
    // The main window (class "InstWind"), or null.
    HWND MainWindow() const;
    // Waits for a visible dialog of the kind, looking every pollMs; null after
    // the timeout.
    HWND WaitForDialog(DialogKind kind, DWORD timeoutMs, DWORD pollMs = 50) const;
    // Waits for a visible prompt (any dialog but the panel); null after the timeout.
    HWND WaitForPrompt(DWORD timeoutMs) const;

private:
    PROCESS_INFORMATION info_ = {};
};

DialogKind KindOf(HWND window);
// The box's text and caption; its icon too unless readIcon is false (telling
// the icon takes a pause for the box to paint).
MessageBoxContent ReadMessageBox(HWND box, bool readIcon = true);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);
// Posts the click of a push button (or of a command identifier) to the dialog.
void PressButton(HWND dialog, int id);
// Presses the button and waits (up to ten seconds) until the dialog has gone.
void PressAndWait(HWND dialog, int id);
// Clicks a check box the way the mouse does.
void ClickCheckBox(HWND dialog, int id);
// Sleeps while pumping nothing; used between polls.
void Pause(DWORD ms);

// Files and directories.
std::string TempRoot();                       // a fresh directory of the test run, ending in '\'
bool RemoveTree(const std::string& path);     // also read-only files
bool MakeDirectories(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string* data);
bool WriteWholeFile(const std::string& path, const std::string& data);
std::string FixtureDir();                     // the archives made at build time, ending in '\'
std::string ProgramDir();                     // bin\ of the build, ending in '\'
std::string WithSlash(std::string dir);       // dir ending in '\' (empty stays empty)
// The name of the file or directory as stored on disk (its case), or "".
std::string StoredName(const std::string& path);
