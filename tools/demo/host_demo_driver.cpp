// Runs the sample host with areacap the way a user would when no one is at
// the screen. Beside a Notepad window that shows one of the sample product's
// texts, it selects an area of the text and captures it, then picks the
// host's own window. It saves screenshots of the selection window with its
// magnifier over the dragged area, of the host showing the captured area and
// of the pick frame, and prints what the host showed.
//
// usage: host_demo_driver SAMPLEHOST_EXE TEXT_FILE SCREENSHOT_DIR
#include <windows.h>

#include <cstdio>
#include <string>

#include "examples/host/samplehost.h"
#include "tests/areacap/test_host.h"
#include "tools/demo/screenshot.h"

namespace {

std::string shotDir;
HWND host;
HWND text;   // Notepad

// Where the windows go: the selection window opens at (16, 16); Notepad
// beside it, the host below Notepad.
const RECT kNotepad = {170, 16, 730, 316};
const POINT kHost = {170, 330};
// The area that is selected: a few lines of Notepad's text.
const RECT kArea = {200, 70, 430, 170};

bool Shot(const char* name, const RECT& r)
{
    bool ok = SaveScreenArea(shotDir + name + ".bmp", r.left, r.top, r.right - r.left, r.bottom - r.top);
    printf(ok ? "  screenshot: %s.bmp\n" : "  screenshot %s.bmp could not be written\n", name);
    return ok;
}

// Waits until the host's status line reads text; false after 30 s.
bool WaitForStatus(const char* text)
{
    for (int i = 0; i < 600; i++) {
        if (ControlText(host, IDC_STATUS) == text)
            return true;
        PumpFor(50);
    }
    printf("the host's status line says \"%s\", not \"%s\"\n", ControlText(host, IDC_STATUS).c_str(), text);
    return false;
}

// Clicks one of the host's command buttons and waits for areacap's mode
// window of the class.
HWND RunCommand(int button, const char* modeClass)
{
    PostMessageA(host, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(host, button)));
    HWND mode = WaitForWindow(modeClass, 30000);
    if (mode == nullptr)
        printf("areacap's window %s did not appear; the host says \"%s\"\n", modeClass,
               ControlText(host, IDC_STATUS).c_str());
    PumpFor(500);
    return mode;
}

bool SelectArea()
{
    HWND tool = RunCommand(IDC_SELECT_AREA, "CAPTURE:95");
    if (tool == nullptr)
        return false;
    MouseStep(tool, WM_LBUTTONDOWN, kArea.left, kArea.top);
    MouseStep(tool, WM_MOUSEMOVE, (kArea.left + kArea.right) / 2, (kArea.top + kArea.bottom) / 2);
    MouseStep(tool, WM_MOUSEMOVE, kArea.right, kArea.bottom);
    MouseStep(tool, WM_LBUTTONUP, kArea.right, kArea.bottom);
    // The magnifier shows the area's corner under the cursor.
    MouseStep(tool, WM_MOUSEMOVE, kArea.right + 1, kArea.bottom + 1);
    PumpFor(500);
    Shot("areacap-select", RECT{0, 0, kNotepad.right + 16, kNotepad.bottom + 8});
    POINT camera = {16, 16};   // the middle of the camera button
    ClientToScreen(tool, &camera);
    MouseStep(tool, WM_LBUTTONDOWN, camera.x, camera.y);
    MouseStep(tool, WM_LBUTTONUP, camera.x, camera.y);
    if (!WaitForStatus("Area captured."))
        return false;
    printf("the host shows: %s\n", ControlText(host, IDC_RESULT).c_str());
    // Once areacap has ended (the host's commands are available again), the
    // host is made the active window: which window Wine activates when
    // areacap's windows go varies.
    for (int i = 0; i < 600 && !IsWindowEnabled(GetDlgItem(host, IDC_PICK_WINDOW)); i++)
        PumpFor(50);
    SetForegroundWindow(host);
    PumpFor(500);
    RECT r;
    GetWindowRect(host, &r);
    Shot("samplehost-area", r);
    return true;
}

bool PickWindow()
{
    // The host is not the active window when the frame reaches it: under
    // Wine a window that loses the activation later repaints over the frame.
    SetForegroundWindow(text);
    PumpFor(500);
    HWND pick = RunCommand(IDC_PICK_WINDOW, "HOOK:95");
    if (pick == nullptr)
        return false;
    // Over the host's own client area, below its picture: the frame goes
    // round the client area. (Under Wine a program cannot draw on the child
    // windows of another, so a frame round Notepad's text would not show.)
    RECT r;
    GetWindowRect(host, &r);
    int x = (r.left + r.right) / 2, y = r.bottom - 60;
    MouseStep(pick, WM_MOUSEMOVE, x, y);
    PumpFor(500);
    Shot("areacap-pick", r);
    MouseStep(pick, WM_LBUTTONUP, x, y);
    if (!WaitForStatus("Window picked."))
        return false;
    std::string result = ControlText(host, IDC_RESULT);
    for (size_t at; (at = result.find('\n')) != std::string::npos;)
        result.replace(at, 1, "; ");
    printf("the host shows: %s\n", result.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: host_demo_driver SAMPLEHOST_EXE TEXT_FILE SCREENSHOT_DIR\n");
        return 2;
    }
    shotDir = argv[3];
    if (!shotDir.empty() && shotDir.back() != '\\')
        shotDir += '\\';
    setvbuf(stdout, nullptr, _IONBF, 0);

    std::string commandLine = std::string("notepad.exe \"") + argv[2] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION notepad = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &notepad)) {
        printf("Notepad could not be started\n");
        return 1;
    }
    text = WaitForWindow("Notepad", 30000);
    PROCESS_INFORMATION hostProcess = {};
    if (text == nullptr || !StartProgram(argv[1], &hostProcess) ||
        (host = WaitForWindow("VELD:NIMBA", 30000)) == nullptr) {
        printf(text == nullptr ? "Notepad did not open its window\n" : "the sample host did not start\n");
        EndProgram(&hostProcess);
        EndProgram(&notepad);
        return 1;
    }
    SetWindowPos(text, nullptr, kNotepad.left, kNotepad.top, kNotepad.right - kNotepad.left,
                 kNotepad.bottom - kNotepad.top, SWP_NOZORDER);
    SetWindowPos(host, HWND_TOP, kHost.x, kHost.y, 0, 0, SWP_NOSIZE);
    printf("the sample host started\n");
    PumpFor(1000);

    bool ok = SelectArea() && PickWindow();
    PostMessageA(host, WM_CLOSE, 0, 0);
    PostMessageA(text, WM_CLOSE, 0, 0);
    if (WaitForExit(hostProcess, 10000) != 0) {
        printf("the sample host did not end\n");
        ok = false;
    }
    WaitForExit(notepad, 10000);
    EndProgram(&hostProcess);
    EndProgram(&notepad);
    return ok ? 0 : 1;
}
