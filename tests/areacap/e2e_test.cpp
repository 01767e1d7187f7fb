// End-to-end tests of areacap under Wine. Its client is the sample host
// (examples/host, samplehost.exe), which starts the real program from its
// buttons and shows what comes back, or, where a test looks at the raw
// protocol, a stand-in window of class "VELD:NIMBA"
// (tests/areacap/test_host.cpp) that sends or posts the command itself and
// logs every message. The screen is read back to show that every mark the
// program draws is erased again.
//
// Input: under Wine, mouse input outside a window that holds the capture does
// not reliably reach it. Mouse steps therefore set the cursor with
// SetCursorPos (the program reads the position with GetCursorPos) and then
// deliver the mouse message to the mode window with SendMessageTimeoutA, so
// each step is handled before the cursor moves on. Real mouse input
// (SendInput) does reach the mode window while it is the foreground window;
// two tests drive whole modes that way. Plain keys are posted as WM_KEYDOWN
// (the program's own TranslateMessage makes Esc a WM_CHAR) or sent as real
// input; Shift is always real input so that GetKeyState sees it. Focus
// changes use SetForegroundWindow. Each test says which it uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "examples/host/samplehost.h"
#include "tests/areacap/screen_probe.h"
#include "tests/areacap/test_host.h"

namespace {

const UINT kTopLeft = 2690;
const UINT kBottomRight = 2691;
const UINT kPicked = 2692;
const WPARAM kCancel = 1273;

void Settle()
{
    PumpFor(120);
}

void PostKey(HWND window, WPARAM key)
{
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
    PostMessageA(window, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
    Sleep(150);   // without running this thread's messages (see Exit)
}

// Real mouse input: moves the cursor and presses or releases the left button.
void RealMouse(int x, int y, DWORD buttonFlag)
{
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
    in.mi.dy = (y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlag;
    SendInput(1, &in, sizeof in);
    PumpFor(250);
}

// Real keyboard input to the foreground window; waits without running this
// thread's messages (see Areacap::Exit).
void RealKey(WORD key, bool down)
{
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    Sleep(300);
}

void SendShift(bool down)
{
    RealKey(VK_SHIFT, down);
}

// Compares two snapshots of the same area, leaving out the places where the
// tool window has been (its owner repaints them only once the test runs its
// own messages again).
::testing::AssertionResult SameScreen(const Snapshot &a, const Snapshot &b, const std::vector<RECT> &skip = {})
{
    int differ = 0;
    std::string first;
    for (int y = a.y; y < a.y + a.height; y++)
        for (int x = a.x; x < a.x + a.width; x++)
            if (a.At(x, y) != b.At(x, y)) {
                bool skipped = false;
                for (const RECT &r : skip)
                    skipped = skipped || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                if (skipped)
                    continue;
                if (differ++ < 5) {
                    char line[80];
                    snprintf(line, sizeof line, " (%d,%d): %06x -> %06x", x, y, a.At(x, y), b.At(x, y));
                    first += line;
                }
            }
    if (differ == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differ << " pixels differ:" << first;
}

// Whether the selection outline, drawn with a phase, inverts the pixel: the
// checkerboard brush is aligned to the screen's origin and inverts where it
// is white.
bool OutlineInverts(int x, int y, unsigned phase)
{
    bool whiteBit = ((x % 8) < 4) != ((y % 8) < 4);
    return whiteBit != ((phase & 1) != 0);
}

// The length of the run of equal pixels that starts at column x of a row.
int RunLength(const Snapshot &shot, int x, int y)
{
    int n = 1;
    while (x + n < shot.x + shot.width && shot.At(x + n, y) == shot.At(x, y))
        n++;
    return n;
}

Snapshot WholeScreen()
{
    return ReadScreen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

// Wine's X11 driver turns an active window into a window-manager-managed one
// when it is moved, unmapping and remapping it; the X focus goes to the root
// window on the way and Wine hands the foreground to the desktop, which the
// program rightly treats as a loss of focus. No window manager runs on the
// test display, so the tests switch that conversion off for the programs they
// start (and restore the previous setting afterwards).
class UnmanagedWindows {
public:
    UnmanagedWindows()
    {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                            NULL) != ERROR_SUCCESS) {
            key = NULL;
            return;
        }
        DWORD size = sizeof previous - 1;
        DWORD type = 0;
        hadValue = RegQueryValueExA(key, "Managed", NULL, &type, reinterpret_cast<BYTE *>(previous), &size) ==
                       ERROR_SUCCESS &&
                   type == REG_SZ;
        if (hadValue)
            previous[size < sizeof previous ? size : sizeof previous - 1] = '\0';
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>("N"), 2);
    }
    ~UnmanagedWindows()
    {
        if (!key)
            return;
        if (hadValue)
            RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>(previous),
                           static_cast<DWORD>(strlen(previous) + 1));
        else
            RegDeleteValueA(key, "Managed");
        RegCloseKey(key);
    }

private:
    HKEY key = NULL;
    bool hadValue = false;
    char previous[64] = {0};
};

class Areacap : public ::testing::Test {
protected:
    static UnmanagedWindows *unmanaged;
    static void SetUpTestSuite() { unmanaged = new UnmanagedWindows; }
    static void TearDownTestSuite()
    {
        delete unmanaged;
        unmanaged = NULL;
    }

    PROCESS_INFORMATION process = {};
    HWND command = NULL;
    std::vector<RECT> toolPlaces;   // every place the tool window has had

    void NoteToolPlace(HWND tool)
    {
        RECT r;
        if (GetWindowRect(tool, &r))
            toolPlaces.push_back(r);
    }

    // The screen is as before, apart from where the tool window was.
    ::testing::AssertionResult ScreenRestored(const Snapshot &before)
    {
        return SameScreen(before, WholeScreen(), toolPlaces);
    }

    void SetUp() override
    {
        ShowBackdrop();
        PumpFor(200);
        ASSERT_TRUE(StartTestHost());
    }

    void TearDown() override
    {
        EndProgram(&process);
        StopTestHost();
        PumpFor(100);
    }

    void Launch()
    {
        ASSERT_TRUE(StartAreacap(&process));
        command = WaitForWindow("NIMBA:95", 10000);
        ASSERT_TRUE(command != NULL);
        // The window can be found while CreateWindowEx still runs, before
        // it is visible.
        for (int i = 0; i < 100 && !IsWindowVisible(command); i++)
            Sleep(50);
    }

    // Sends or posts the command through the host and waits for the mode window.
    HWND StartMode(WPARAM commandNumber, bool send, const char *windowClass)
    {
        HostDeliverCommand(command, commandNumber, send);
        HWND w = WaitForWindow(windowClass, 5000);
        Settle();
        return w;
    }

    HWND StartAreaMode(bool send = false)
    {
        HWND w = StartMode(605, send, "CAPTURE:95");
        EXPECT_TRUE(w != NULL);
        if (w)
            NoteToolPlace(w);
        return w;
    }

    // Waits for the program to end without running this thread's messages,
    // so that none of the test's windows repaints (and hides a mark left on
    // it) before the screen is read back.
    long Exit()
    {
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    // The centre of a toolbar button in screen pixels.
    static POINT Button(HWND tool, int index)
    {
        POINT p = {index * 32 + 16, 16};
        ClientToScreen(tool, &p);
        return p;
    }

    static void Click(HWND tool, int index)
    {
        POINT b = Button(tool, index);
        MouseStep(tool, WM_LBUTTONDOWN, b.x, b.y);
        MouseStep(tool, WM_LBUTTONUP, b.x, b.y);
    }

    static void Drag(HWND tool, int x0, int y0, int x1, int y1)
    {
        MouseStep(tool, WM_LBUTTONDOWN, x0, y0);
        MouseStep(tool, WM_MOUSEMOVE, x1, y1);
        MouseStep(tool, WM_LBUTTONUP, x1, y1);
    }

    // Drags the tool window by its lower part so that its top-left corner
    // moves by (dx, dy).
    void MoveTool(HWND tool, int dx, int dy)
    {
        RECT w;
        GetWindowRect(tool, &w);
        int x = w.left + 60, y = w.top + 100;
        MouseStep(tool, WM_LBUTTONDOWN, x, y);
        MouseStep(tool, WM_MOUSEMOVE, x + dx / 2, y + dy / 2);
        MouseStep(tool, WM_MOUSEMOVE, x + dx, y + dy);
        MouseStep(tool, WM_LBUTTONUP, x + dx, y + dy);
        NoteToolPlace(tool);
    }

    ::testing::AssertionResult LogIs(const std::vector<HostMessage> &expected)
    {
        std::vector<HostMessage> got = HostLog();
        bool same = got.size() == expected.size();
        for (size_t i = 0; same && i < got.size(); i++)
            same = got[i].message == expected[i].message && got[i].wParam == expected[i].wParam &&
                   got[i].lParam == expected[i].lParam;
        if (same)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "host log: " << DescribeHostLog();
    }
};

UnmanagedWindows *Areacap::unmanaged;

// Reads a 24-bit BMP file, rows bottom first as the sample host writes it.
bool ReadBmp(const std::string &path, Snapshot *shot)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<unsigned char> data;
    unsigned char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    fclose(f);
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    if (data.size() < sizeof file + sizeof info)
        return false;
    memcpy(&file, data.data(), sizeof file);
    memcpy(&info, data.data() + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || info.biBitCount != 24 || info.biCompression != BI_RGB || info.biHeight <= 0)
        return false;
    size_t stride = (static_cast<size_t>(info.biWidth) * 3 + 3) & ~static_cast<size_t>(3);
    if (data.size() < file.bfOffBits + stride * info.biHeight)
        return false;
    shot->width = info.biWidth;
    shot->height = info.biHeight;
    shot->pixels.clear();
    for (int y = 0; y < shot->height; y++) {
        const unsigned char *row = data.data() + file.bfOffBits + stride * (shot->height - 1 - y);
        for (int x = 0; x < shot->width; x++)
            shot->pixels.push_back(row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16));
    }
    return true;
}

// The sample host as the client: a click on one of its buttons starts
// areacap from the host's directory and posts the command; the host shows
// the result in its window and what happened in its status line. The test
// follows areacap's process through its command window.
class WithSampleHost : public Areacap {
protected:
    PROCESS_INFORMATION hostProcess = {};
    HWND host = NULL;

    void SetUp() override
    {
        ShowBackdrop();
        PumpFor(200);
        OpenHost(ProgramDirectory() + "samplehost.exe");
    }

    void TearDown() override
    {
        EndProgram(&process);
        CloseHost();
        PumpFor(100);
    }

    // Starts the host at the lower right of the screen, away from the places
    // that the tests select or pick; its place is left out of the screen
    // comparisons (its texts change).
    void OpenHost(const std::string &exe)
    {
        ASSERT_TRUE(StartProgram(exe, &hostProcess));
        host = WaitForWindow("VELD:NIMBA", 20000);
        ASSERT_TRUE(host != NULL);
        SetWindowPos(host, NULL, 520, 380, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(StatusBecomes("Ready."));
        NoteToolPlace(host);
        PumpFor(300);   // the backdrop repaints where the host first was
    }

    // Closes the host as a user would and waits for it to end.
    void CloseHost()
    {
        if (!hostProcess.hProcess)
            return;
        PostMessageA(host, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, WaitForExit(hostProcess, 10000)) << "the sample host ends";
        EndProgram(&hostProcess);
        host = NULL;
    }

    void ClickHost(int id)
    {
        PostMessageA(host, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(host, id)));
    }

    // Clicks a command button and waits for areacap's mode window.
    HWND RunCommand(int button, const char *modeClass)
    {
        ClickHost(button);
        command = WaitForWindow("NIMBA:95", 20000);
        if (!command || !OpenWindowProcess(command, &process))
            return NULL;
        HWND w = WaitForWindow(modeClass, 10000);
        Settle();
        if (w)
            NoteToolPlace(w);
        return w;
    }

    // Starts the pick mode with the cursor over the backdrop.
    HWND StartPick()
    {
        SetCursorPos(150, 600);
        return RunCommand(IDC_PICK_WINDOW, "HOOK:95");
    }

    ::testing::AssertionResult StatusBecomes(const std::string &expected)
    {
        std::string status;
        for (int i = 0; i < 500; i++) {
            status = ControlText(host, IDC_STATUS);
            if (status == expected)
                return ::testing::AssertionSuccess();
            PumpFor(20);
        }
        return ::testing::AssertionFailure() << "status line: \"" << status << "\"";
    }

    // Saves the host's picture through its "Save as BMP" dialog.
    ::testing::AssertionResult SaveAs(const std::string &path)
    {
        ClickHost(IDC_SAVE_BMP);
        HWND dialog = NULL;
        for (int i = 0; i < 1000 && !dialog; i++) {
            for (HWND w = FindWindowExA(NULL, NULL, "#32770", NULL); w && !dialog;
                 w = FindWindowExA(NULL, w, "#32770", NULL))
                if (GetWindow(w, GW_OWNER) == host && IsWindowVisible(w))
                    dialog = w;
            if (!dialog)
                PumpFor(20);
        }
        if (!dialog)
            return ::testing::AssertionFailure() << "no save dialog";
        PumpFor(300);
        // The file name box is the dialog's first visible edit control.
        struct Search {
            static BOOL CALLBACK Visit(HWND w, LPARAM found)
            {
                char name[16];
                if (GetClassNameA(w, name, sizeof name) && lstrcmpiA(name, "Edit") == 0 && IsWindowVisible(w)) {
                    *reinterpret_cast<HWND *>(found) = w;
                    return FALSE;
                }
                return TRUE;
            }
        };
        HWND edit = NULL;
        EnumChildWindows(dialog, Search::Visit, reinterpret_cast<LPARAM>(&edit));
        if (!edit)
            return ::testing::AssertionFailure() << "no file name box";
        DWORD_PTR result;
        SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, &result);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return StatusBecomes("Saved as " + path + ".");
    }
};

}  // namespace

// --- start-up ---------------------------------------------------------------

TEST_F(Areacap, WithoutHostEndsAtOnceWithoutWindow)
{
    StopTestHost();
    ASSERT_TRUE(StartAreacap(&process));
    EXPECT_EQ(0, WaitForExit(process, 5000));
    EXPECT_EQ(NULL, FindWindowA("NIMBA:95", NULL));
}

TEST_F(Areacap, SecondCopyEndsAtOnceAndUnknownCommandChangesNothing)
{
    Launch();
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_VISIBLE),
              GetWindowLongA(command, GWL_STYLE) & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_BORDER));
    EXPECT_TRUE(GetWindowLongA(command, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    RECT r;
    GetWindowRect(command, &r);
    EXPECT_EQ(0, r.right - r.left);
    EXPECT_EQ(0, r.bottom - r.top);
    PROCESS_INFORMATION second;
    ASSERT_TRUE(StartAreacap(&second));
    EXPECT_EQ(0, WaitForExit(second, 5000));
    EndProgram(&second);
    EXPECT_EQ(-1, WaitForExit(process, 200)) << "the first copy keeps running";

    // Neither a sent nor a posted unknown command starts anything.
    DWORD_PTR result;
    SendMessageTimeoutA(command, WM_COMMAND, 600, 0, SMTO_NORMAL, 5000, &result);
    HostDeliverCommand(command, 606, false);
    PumpFor(300);
    EXPECT_EQ(NULL, FindWindowA("CAPTURE:95", NULL));
    EXPECT_EQ(NULL, FindWindowA("HOOK:95", NULL));
    EXPECT_EQ(-1, WaitForExit(process, 100));
    EXPECT_TRUE(LogIs({}));

    // It still serves its one command afterwards.
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
}

TEST_F(Areacap, SessionEndWhileWaitingEndsTheProgram)
{
    Launch();
    DWORD_PTR allowed = 0;
    ASSERT_TRUE(SendMessageTimeoutA(command, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &allowed));
    EXPECT_NE(0u, allowed) << "the session may end";
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({}));
}

TEST_F(Areacap, OnlyTheLowWordOfTheCommandCounts)
{
    // Esc: posted WM_KEYDOWN.
    struct {
        WPARAM command;
        const char *windowClass;
    } cases[] = {{MAKEWPARAM(605, 1), "CAPTURE:95"}, {MAKEWPARAM(601, 0xFFFF), "HOOK:95"}};
    for (const auto &c : cases) {
        ClearHostLog();
        Launch();
        HWND w = StartMode(c.command, false, c.windowClass);
        ASSERT_TRUE(w != NULL) << c.windowClass;
        PostKey(w, VK_ESCAPE);
        EXPECT_EQ(0, Exit()) << c.windowClass;
        EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}})) << c.windowClass;
        EndProgram(&process);
    }
}

// --- area selection ---------------------------------------------------------


TEST_F(Areacap, CaptureReportsCornersThenEnds_CommandSent)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. The host sends 605 with
    // SendMessageA and receives the results while it waits in that call.
    Launch();
    Snapshot before = WholeScreen();
    HWND tool = StartAreaMode(true);
    ASSERT_TRUE(tool != NULL);
    Drag(tool, 500, 400, 430, 350);   // dragged up and left: normalised
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(430, 350)}, {kBottomRight, 0, MAKELONG(500, 400)}}));
    EXPECT_TRUE(ScreenRestored(before));
    PumpFor(300);   // the backdrop repaints where the tool window was
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
}

TEST_F(Areacap, MovingOverTheToolWindowKeepsTheLastSelection)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    MouseStep(tool, WM_LBUTTONDOWN, 400, 300);
    MouseStep(tool, WM_MOUSEMOVE, 450, 350);
    MouseStep(tool, WM_MOUSEMOVE, 100, 100);   // over the tool window
    MouseStep(tool, WM_LBUTTONUP, 100, 100);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(400, 300)}, {kBottomRight, 0, MAKELONG(450, 350)}}));
}

TEST_F(Areacap, PressAndReleaseWithoutMoveClearsTheSelection)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    Snapshot before = ReadScreen(300, 200, 300, 300);
    Drag(tool, 400, 300, 450, 350);
    EXPECT_FALSE(SameScreen(before, ReadScreen(300, 200, 300, 300))) << "the outline is shown";
    MouseStep(tool, WM_LBUTTONDOWN, 520, 420);
    MouseStep(tool, WM_LBUTTONUP, 520, 420);
    EXPECT_TRUE(SameScreen(before, ReadScreen(300, 200, 300, 300))) << "no outline is left";
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    // The empty rectangle (1, 1, 0, 0) is reported as it is.
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(1, 1)}, {kBottomRight, 0, MAKELONG(0, 0)}}));
}

TEST_F(Areacap, OneRowSelectionInvertsEachPixelOnceWhileShown)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Screen read with BitBlt.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    Snapshot before = ReadScreen(290, 290, 90, 21);
    Drag(tool, 300, 300, 360, 300);
    Snapshot shown = ReadScreen(290, 290, 90, 21);
    int wrong = 0;
    for (int y = 290; y < 311; y++)
        for (int x = 290; x < 380; x++) {
            bool inverted = y == 300 && x >= 300 && x <= 360 && OutlineInverts(x, y, 0);
            uint32_t expected = inverted ? before.At(x, y) ^ 0xFFFFFF : before.At(x, y);
            if (shown.At(x, y) != expected && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " " << before.At(x, y) << " -> "
                              << shown.At(x, y);
        }
    EXPECT_EQ(0, wrong);

    // Two timer ticks (posted to the command window; the mode loop hands
    // them to the tool window) advance the dashes: the other half of the row.
    PostMessageA(command, WM_TIMER, 1, 0);
    PostMessageA(command, WM_TIMER, 1, 0);
    Settle();
    Snapshot ticked = ReadScreen(290, 290, 90, 21);
    wrong = 0;
    for (int x = 300; x <= 360; x++) {
        uint32_t expected = OutlineInverts(x, 300, 1) ? before.At(x, 300) ^ 0xFFFFFF : before.At(x, 300);
        if (ticked.At(x, 300) != expected)
            wrong++;
    }
    EXPECT_EQ(0, wrong) << "dashes after two ticks";

    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
    EXPECT_TRUE(SameScreen(before, ReadScreen(290, 290, 90, 21)));
}

TEST_F(Areacap, ArrowKeysMoveAndShiftArrowsResize)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Arrow keys: posted WM_KEYDOWN.
    // Shift: real input with SendInput while the tool window is foreground.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    Drag(tool, 400, 300, 420, 320);
    PostKey(tool, VK_LEFT);    // 399, 300, 419, 320
    PostKey(tool, VK_UP);      // 399, 299, 419, 319
    PostKey(tool, VK_LEFT);    // 398, 299, 418, 319
    PostKey(tool, VK_DOWN);    // 398, 300, 418, 320
    PostKey(tool, VK_DOWN);    // 398, 301, 418, 321
    PostKey(tool, VK_RIGHT);   // 399, 301, 419, 321
    SetForegroundWindow(tool);
    Settle();
    SendShift(true);
    PostKey(tool, VK_RIGHT);   // right 420
    PostKey(tool, VK_RIGHT);   // right 421
    PostKey(tool, VK_DOWN);    // bottom 322
    PostKey(tool, VK_UP);      // bottom 321
    PostKey(tool, VK_UP);      // bottom 320
    PostKey(tool, VK_LEFT);    // right 420
    SendShift(false);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(399, 301)}, {kBottomRight, 0, MAKELONG(420, 320)}}));
}

TEST_F(Areacap, ShiftLeftEmptiesAOnePixelWideSelectionAndKeysThenDoNothing)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Keys: posted WM_KEYDOWN;
    // Shift with SendInput while the tool window is foreground.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    Snapshot before = ReadScreen(480, 280, 40, 60);
    Drag(tool, 500, 300, 500, 320);
    SetForegroundWindow(tool);
    Settle();
    SendShift(true);
    PostKey(tool, VK_LEFT);   // right 499: empty
    PostKey(tool, VK_RIGHT);
    SendShift(false);
    PostKey(tool, VK_RIGHT);
    PostKey(tool, VK_DOWN);
    EXPECT_TRUE(SameScreen(before, ReadScreen(480, 280, 40, 60))) << "the outline is erased";
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(500, 300)}, {kBottomRight, 0, MAKELONG(499, 320)}}));
}

TEST_F(Areacap, ArrowKeysStopAtTheLastColumnAndRow)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Keys as in the test above.
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    Drag(tool, w - 30, h - 20, w - 1, h - 1);
    PostKey(tool, VK_RIGHT);
    PostKey(tool, VK_DOWN);
    SetForegroundWindow(tool);
    Settle();
    SendShift(true);
    PostKey(tool, VK_RIGHT);
    PostKey(tool, VK_DOWN);
    SendShift(false);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(w - 30, h - 20)}, {kBottomRight, 0, MAKELONG(w - 1, h - 1)}}));
}

TEST_F(Areacap, ArrowKeysDoNothingWithoutSelection)
{
    // Keys: posted WM_KEYDOWN. Mouse: SetCursorPos + SendMessageTimeoutA.
    Launch();
    Snapshot before = WholeScreen();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    PostKey(tool, VK_LEFT);
    PostKey(tool, VK_RIGHT);
    PostKey(tool, VK_DOWN);
    PostKey(tool, VK_UP);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(1, 1)}, {kBottomRight, 0, MAKELONG(0, 0)}}));
    EXPECT_TRUE(ScreenRestored(before));
    PumpFor(300);   // the backdrop repaints where the tool window was
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
}

TEST_F(Areacap, ArrowKeysDoNothingWhileSelectingMovingOrHoldingAButton)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Keys: posted WM_KEYDOWN.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    auto keys = [&]() {
        PostKey(tool, VK_LEFT);
        PostKey(tool, VK_UP);
        PostKey(tool, VK_RIGHT);
        PostKey(tool, VK_RIGHT);
    };
    MouseStep(tool, WM_LBUTTONDOWN, 400, 300);   // selecting
    MouseStep(tool, WM_MOUSEMOVE, 450, 350);
    keys();
    MouseStep(tool, WM_LBUTTONUP, 450, 350);
    RECT w;
    GetWindowRect(tool, &w);
    MouseStep(tool, WM_LBUTTONDOWN, w.left + 60, w.top + 100);   // moving the window
    keys();
    MouseStep(tool, WM_LBUTTONUP, w.left + 60, w.top + 100);
    POINT zoom = Button(tool, 1);
    MouseStep(tool, WM_LBUTTONDOWN, zoom.x, zoom.y);   // holding a button
    keys();
    MouseStep(tool, WM_MOUSEMOVE, zoom.x + 40, zoom.y + 80);
    MouseStep(tool, WM_LBUTTONUP, zoom.x + 40, zoom.y + 80);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(400, 300)}, {kBottomRight, 0, MAKELONG(450, 350)}}));
}

TEST_F(Areacap, ZoomStopsAtEightAndOneAndScreenshotShowsTheMagnifier)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. The magnifier is read back
    // from the screen: the backdrop's neighbouring pixels all differ, so a
    // run of equal pixels in the magnifier is as long as the magnification.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    auto magnification = [&]() {
        MouseStep(tool, WM_MOUSEMOVE, 600, 500);   // outside: the magnifier follows the cursor
        RECT client;
        GetClientRect(tool, &client);
        POINT origin = {0, 0};
        ClientToScreen(tool, &origin);
        Snapshot m = ReadScreen(origin.x, origin.y, client.right, client.bottom);
        // Row 40 of the client area, away from the centre marker; skip the
        // first run, which the left edge may cut.
        int x = origin.x + RunLength(m, origin.x, origin.y + 40);
        return RunLength(m, x, origin.y + 40);
    };
    EXPECT_EQ(4, magnification());
    {
        // Released off the button: nothing happens.
        POINT b = Button(tool, 1);
        MouseStep(tool, WM_LBUTTONDOWN, b.x, b.y);
        MouseStep(tool, WM_MOUSEMOVE, b.x + 40, b.y + 80);
        MouseStep(tool, WM_LBUTTONUP, b.x + 40, b.y + 80);
    }
    EXPECT_EQ(4, magnification());
    Click(tool, 1);
    EXPECT_EQ(8, magnification());
    Click(tool, 1);
    EXPECT_EQ(8, magnification());

    // Screenshot of the tool window with the magnifier at 8 for a person to
    // look at: bin/areacap_tool_window.png in the build tree.
    RECT w;
    GetWindowRect(tool, &w);
    Snapshot shot = ReadScreen(w.left, w.top, w.right - w.left, w.bottom - w.top);
    EXPECT_TRUE(WritePng(shot, ProgramDirectory() + "areacap_tool_window.png"));

    Click(tool, 2);
    EXPECT_EQ(4, magnification());
    Click(tool, 2);
    EXPECT_EQ(2, magnification());
    Click(tool, 2);
    EXPECT_EQ(1, magnification());
    Click(tool, 2);
    EXPECT_EQ(1, magnification());

    // The help button writes the hint into the magnifier area: white with
    // dark text.
    Click(tool, 3);
    {
        RECT client;
        GetClientRect(tool, &client);
        POINT origin = {0, 0};
        ClientToScreen(tool, &origin);
        Snapshot m = ReadScreen(origin.x, origin.y + 35, client.right, client.bottom - 35);
        int white = 0, dark = 0;
        for (uint32_t c : m.pixels) {
            white += c == 0xFFFFFF;
            dark += c == 0;
        }
        EXPECT_GT(white, static_cast<int>(m.pixels.size()) / 2);
        EXPECT_GT(dark, 50);
        EXPECT_TRUE(WritePng(ReadScreen(w.left, w.top, w.right - w.left, w.bottom - w.top),
                             ProgramDirectory() + "areacap_tool_window_help.png"));
    }
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
}

TEST_F(Areacap, CentreMarkerTurnsWhiteEveryFourthTick)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Ticks: WM_TIMER posted to
    // the command window.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    MouseStep(tool, WM_MOUSEMOVE, 600, 500);
    POINT marker = {64, 99};
    ClientToScreen(tool, &marker);
    auto markerColour = [&]() { return ReadScreen(marker.x, marker.y, 4, 4).pixels[0]; };
    EXPECT_EQ(0u, markerColour());
    uint32_t seen[4];
    for (int i = 0; i < 4; i++) {
        PostMessageA(command, WM_TIMER, 7, 0);
        Settle();
        seen[i] = markerColour();
    }
    EXPECT_EQ(0u, seen[0]);
    EXPECT_EQ(0u, seen[1]);
    EXPECT_EQ(0u, seen[2]);
    EXPECT_EQ(0xFFFFFFu, seen[3]);
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
}

TEST_F(Areacap, MovingTheToolWindowKeepsItsSize)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA.
    Launch();
    Snapshot before = WholeScreen();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    RECT r0;
    GetWindowRect(tool, &r0);
    EXPECT_EQ(16, r0.left);
    EXPECT_EQ(16, r0.top);
    RECT client;
    GetClientRect(tool, &client);
    EXPECT_EQ(128, client.right);
    EXPECT_EQ(163, client.bottom);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_BORDER | WS_VISIBLE),
              GetWindowLongA(tool, GWL_STYLE) & (WS_POPUP | WS_BORDER | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(GetWindowLongA(tool, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(static_cast<ULONG_PTR>(CS_SAVEBITS | CS_BYTEALIGNCLIENT), GetClassLongPtrA(tool, GCL_STYLE));
    Drag(tool, 400, 300, 450, 350);   // a selection, hidden during the move
    MoveTool(tool, 250, 120);
    RECT r1;
    GetWindowRect(tool, &r1);
    EXPECT_EQ(r0.left + 250, r1.left);
    EXPECT_EQ(r0.top + 120, r1.top);
    EXPECT_EQ(r0.right - r0.left, r1.right - r1.left);
    EXPECT_EQ(r0.bottom - r0.top, r1.bottom - r1.top);
    EXPECT_TRUE(IsWindowVisible(tool));
    EXPECT_TRUE(GetWindowLongA(tool, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The toolbar follows the window: the camera button still captures.
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(400, 300)}, {kBottomRight, 0, MAKELONG(450, 350)}}));
    EXPECT_TRUE(ScreenRestored(before));
    PumpFor(300);   // the backdrop repaints where the tool window was
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
}

TEST_F(Areacap, EscSendsOnlyCancelAndErasesTheOutline)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Esc: real input (SendInput)
    // with the tool window foreground.
    Launch();
    Snapshot before = WholeScreen();
    HWND tool = StartAreaMode(true);
    ASSERT_TRUE(tool != NULL);
    Drag(tool, 400, 300, 450, 350);
    SetForegroundWindow(tool);
    Settle();
    RealKey(VK_ESCAPE, true);
    RealKey(VK_ESCAPE, false);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
    EXPECT_TRUE(ScreenRestored(before));
    PumpFor(300);   // the backdrop repaints where the tool window was
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
}

TEST_F(Areacap, CommandDuringAModeIsIgnored)
{
    // The host posts a second command while the area mode runs; Esc: posted.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    HostDeliverCommand(command, 601, false);
    HostDeliverCommand(command, 605, false);
    PumpFor(300);
    EXPECT_EQ(NULL, FindWindowA("HOOK:95", NULL));
    EXPECT_TRUE(IsWindow(tool));
    EXPECT_TRUE(LogIs({}));
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
}

TEST_F(Areacap, ActivatingAnotherWindowCancelsOnce)
{
    // Focus: SetForegroundWindow on the tool window, then on the backdrop.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    SetForegroundWindow(tool);
    Settle();
    HWND other = ShowBackdrop();
    SetForegroundWindow(other);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
}

// --- window pick ------------------------------------------------------------

namespace {

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(window, &ps);
        // Under Wine a window's painting reaches the screen when its thread
        // next finds its queue empty; an empty look at an unused message
        // puts it there at once, as painting on Windows does.
        MSG msg;
        PeekMessageA(&msg, NULL, WM_APP + 99, WM_APP + 99, PM_NOREMOVE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window with a frame around its client area, at (300, 200).
HWND CreateTarget()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "AreacapTestTarget";
    RegisterClassA(&wc);
    // Never activated: an activation would repaint its frame and, under Wine,
    // flush the whole window over any marks drawn on it.
    HWND w = CreateWindowExA(WS_EX_NOACTIVATE, "AreacapTestTarget", "target", WS_POPUP | WS_THICKFRAME | WS_VISIBLE, 300, 200,
                             200, 150, NULL, NULL, GetModuleHandleA(NULL), NULL);
    UpdateWindow(w);
    PumpFor(200);
    return w;
}

// Runs every message of this thread but WM_PAINT for about ms milliseconds:
// a window of this thread that waits to repaint repaints only when another
// program asks for it (UpdateWindow sends WM_PAINT here).
void PumpAllButPaint(DWORD ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms)
        if (PeekMessageA(&msg, NULL, 0, WM_PAINT - 1, PM_REMOVE) ||
            PeekMessageA(&msg, NULL, WM_PAINT + 1, 0xFFFF, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            Sleep(10);
}

}  // namespace

TEST_F(Areacap, PickFromFrameIntoClientAreaReportsTheWindow)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA to the pick window.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    SetCursorPos(700, 600);   // over the backdrop when the mode starts
    Launch();
    Snapshot before = WholeScreen();
    HWND pick = StartMode(601, false, "HOOK:95");
    ASSERT_TRUE(pick != NULL);
    RECT w, c;
    GetWindowRect(target, &w);
    GetClientRect(target, &c);
    ASSERT_LT(c.right, w.right - w.left) << "the target has a frame";
    MouseStep(pick, WM_MOUSEMOVE, w.left + 1, w.top + 60);   // on the frame
    // The 3-pixel frame around the whole window is inverted.
    Snapshot framed = ReadScreen(w.left, w.top, 10, 10);
    EXPECT_EQ(before.At(w.left, w.top) ^ 0xFFFFFF, framed.At(w.left, w.top));
    EXPECT_EQ(before.At(w.left + 2, w.top + 5) ^ 0xFFFFFF, framed.At(w.left + 2, w.top + 5));
    EXPECT_EQ(before.At(w.left + 5, w.top + 5), framed.At(w.left + 5, w.top + 5));
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);   // into the client area
    MouseStep(pick, WM_LBUTTONUP, w.left + 100, w.top + 60);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kPicked, 1, reinterpret_cast<LPARAM>(target)}}));
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
    DestroyWindow(target);
}

TEST_F(Areacap, PickReleaseOnTheFrameReportsFlagZero)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. The host sends 601.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    SetCursorPos(700, 600);
    Launch();
    HWND pick = StartMode(601, true, "HOOK:95");
    ASSERT_TRUE(pick != NULL);
    EXPECT_EQ(static_cast<LONG>(WS_EX_TOPMOST | WS_EX_TRANSPARENT),
              GetWindowLongA(pick, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TRANSPARENT));
    EXPECT_TRUE(GetWindowLongA(pick, GWL_STYLE) & WS_POPUP);
    RECT w;
    GetWindowRect(target, &w);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 1, w.top + 60);
    MouseStep(pick, WM_LBUTTONUP, w.left + 1, w.top + 60);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kPicked, 0, reinterpret_cast<LPARAM>(target)}}));
    DestroyWindow(target);
}

TEST_F(Areacap, PickEscSendsOnlyCancelAndErasesTheFrame)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Esc: posted WM_KEYDOWN.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    SetCursorPos(700, 600);
    Launch();
    Snapshot before = WholeScreen();
    HWND pick = StartMode(601, false, "HOOK:95");
    ASSERT_TRUE(pick != NULL);
    RECT w;
    GetWindowRect(target, &w);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);
    EXPECT_FALSE(SameScreen(before, WholeScreen())) << "the frame is shown";
    PostKey(pick, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
    DestroyWindow(target);
}

TEST_F(Areacap, PickFocusLossCancelsOnceAndErasesTheFrame)
{
    // Focus: SetForegroundWindow on the pick window, then on another window.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    SetCursorPos(700, 600);
    Launch();
    Snapshot before = WholeScreen();
    HWND pick = StartMode(601, false, "HOOK:95");
    ASSERT_TRUE(pick != NULL);
    RECT w;
    GetWindowRect(target, &w);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);
    SetForegroundWindow(pick);
    Settle();
    // A window away from the target: activating the target itself would
    // repaint it under the frame.
    HWND other = CreateWindowExA(0, "AreacapTestTarget", "other", WS_POPUP | WS_VISIBLE, 700, 50, 100, 100, NULL,
                                 NULL, GetModuleHandleA(NULL), NULL);
    SetForegroundWindow(other);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}}));
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
    DestroyWindow(other);
    DestroyWindow(target);
}

TEST_F(Areacap, PickFrameOnATargetWaitingToRepaintStaysWholeAndIsErased)
{
    // The target is invalidated before the frame reaches it: when the mode
    // starts over it (the first frame) or when the cursor moves onto it
    // later. Mouse: SetCursorPos, then WM_MOUSEMOVE sent with
    // SendMessageTimeoutA in case the move itself did not reach the pick
    // window; Esc: posted WM_KEYDOWN.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    RECT w;
    GetWindowRect(target, &w);
    POINT client = {0, 0};
    ClientToScreen(target, &client);
    for (bool firstFrame : {false, true}) {
        SetCursorPos(firstFrame ? w.left + 100 : 700, firstFrame ? w.top + 60 : 600);
        PumpFor(200);
        Launch();
        Snapshot before = WholeScreen();
        HWND pick = NULL;
        if (firstFrame) {
            InvalidateRect(target, NULL, FALSE);
            HostDeliverCommand(command, 601, false);
            for (int i = 0; i < 100 && !(pick = FindWindowA("HOOK:95", NULL)); i++)
                PumpAllButPaint(50);
            PumpAllButPaint(300);
        } else {
            pick = StartMode(601, false, "HOOK:95");
            InvalidateRect(target, NULL, FALSE);
            SetCursorPos(w.left + 100, w.top + 60);
            PumpAllButPaint(300);
            DWORD_PTR result;
            SendMessageTimeoutA(pick, WM_MOUSEMOVE, 0, 0, SMTO_NORMAL, 5000, &result);
        }
        ASSERT_TRUE(pick != NULL) << firstFrame;
        // The target may now paint what it still had pending: over the frame
        // if the frame was drawn first.
        PumpFor(300);
        Snapshot framed = ReadScreen(client.x, client.y, 10, 10);
        EXPECT_EQ(before.At(client.x, client.y) ^ 0xFFFFFF, framed.At(client.x, client.y))
            << "the frame is whole " << firstFrame;
        EXPECT_EQ(before.At(client.x + 2, client.y + 5) ^ 0xFFFFFF, framed.At(client.x + 2, client.y + 5))
            << firstFrame;
        PostKey(pick, VK_ESCAPE);
        EXPECT_EQ(0, Exit()) << firstFrame;
        EXPECT_TRUE(LogIs({{WM_COMMAND, kCancel, 0}})) << firstFrame;
        EXPECT_TRUE(SameScreen(before, WholeScreen())) << firstFrame;
        EndProgram(&process);
        ClearHostLog();
    }
    DestroyWindow(target);
}

TEST_F(Areacap, EachPlaceHasItsCursor)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA; the tool window is made
    // foreground first, since GetCursorInfo reports the cursor of the
    // foreground thread. Under Wine the cursor handle of another process
    // cannot be looked into (GetIconInfo fails), so the test compares the
    // handles: the cross at the start, the box-select cursor outside the
    // window, the arrow over the toolbar and the move cursor over the rest
    // differ from one another, and each place brings its own back.
    Launch();
    HWND tool = StartAreaMode();
    ASSERT_TRUE(tool != NULL);
    SetForegroundWindow(tool);
    Settle();
    auto cursor = []() {
        CURSORINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        return GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING) ? info.hCursor : NULL;
    };
    RECT w;
    GetWindowRect(tool, &w);
    HCURSOR start = cursor();
    MouseStep(tool, WM_MOUSEMOVE, 600, 500);
    HCURSOR outside = cursor();
    MouseStep(tool, WM_MOUSEMOVE, w.left + 40, w.top + 10);
    HCURSOR toolbar = cursor();
    MouseStep(tool, WM_MOUSEMOVE, w.left + 40, w.top + 100);
    HCURSOR body = cursor();
    HCURSOR all[] = {start, outside, toolbar, body};
    for (int i = 0; i < 4; i++) {
        EXPECT_TRUE(all[i] != NULL) << i;
        for (int j = 0; j < i; j++)
            EXPECT_NE(all[j], all[i]) << j << " " << i;
    }
    MouseStep(tool, WM_MOUSEMOVE, w.left + 40, w.top + 12);
    EXPECT_EQ(toolbar, cursor());
    MouseStep(tool, WM_MOUSEMOVE, 620, 520);
    EXPECT_EQ(outside, cursor());
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EndProgram(&process);

    // The pick mode shows its camera from the start and keeps it while the
    // frame moves from window to window.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    Launch();
    HWND pick = StartMode(601, false, "HOOK:95");
    ASSERT_TRUE(pick != NULL);
    SetForegroundWindow(pick);
    Settle();
    HCURSOR camera = cursor();
    EXPECT_TRUE(camera != NULL);
    GetWindowRect(target, &w);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);
    EXPECT_EQ(camera, cursor());
    MouseStep(pick, WM_MOUSEMOVE, 700, 600);
    EXPECT_EQ(camera, cursor());
    PostKey(pick, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    DestroyWindow(target);
}

// --- the sample host as the client -----------------------------------------

TEST_F(WithSampleHost, CapturesTheSelectedPixels)
{
    // Real input: SendInput mouse events while the tool window is foreground
    // and holds the capture (under Wine they reach it there, inside and
    // outside the window). The host posts 605 and copies the area from the
    // screen when the result comes: the backdrop's pattern, outline erased.
    HWND tool = RunCommand(IDC_SELECT_AREA, "CAPTURE:95");
    ASSERT_TRUE(tool != NULL);
    EXPECT_TRUE(StatusBecomes("Drag over the screen, then click the camera button (Esc cancels)."));
    SetForegroundWindow(tool);
    Settle();
    RealMouse(200, 400, 0);
    RealMouse(200, 400, MOUSEEVENTF_LEFTDOWN);
    RealMouse(260, 440, 0);
    RealMouse(260, 440, MOUSEEVENTF_LEFTUP);
    POINT b = Button(tool, 0);
    RealMouse(b.x, b.y, 0);
    RealMouse(b.x, b.y, MOUSEEVENTF_LEFTDOWN);
    RealMouse(b.x, b.y, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(StatusBecomes("Area captured."));
    EXPECT_EQ("Area (200, 400) - (260, 440), 61 x 41 pixels", ControlText(host, IDC_RESULT));

    std::string path = ProgramDirectory() + "samplehost_capture.bmp";
    DeleteFileA(path.c_str());
    ASSERT_TRUE(SaveAs(path));
    Snapshot saved;
    ASSERT_TRUE(ReadBmp(path, &saved));
    ASSERT_EQ(61, saved.width);
    ASSERT_EQ(41, saved.height);
    int wrong = 0;
    for (int y = 0; y < saved.height; y++)
        for (int x = 0; x < saved.width; x++)
            if (saved.At(x, y) != BackdropColour(200 + x, 400 + y) && wrong++ < 5)
                ADD_FAILURE() << "pixel " << 200 + x << "," << 400 + y << std::hex << ": " << saved.At(x, y)
                              << " instead of " << BackdropColour(200 + x, 400 + y);
    EXPECT_EQ(0, wrong);
}

TEST_F(WithSampleHost, ShowsThePickedWindow)
{
    // Real input: SendInput mouse events while the pick window is foreground.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    HWND pick = StartPick();
    ASSERT_TRUE(pick != NULL);
    EXPECT_TRUE(StatusBecomes("Click the window to pick (Esc cancels)."));
    SetForegroundWindow(pick);
    Settle();
    RECT w;
    GetWindowRect(target, &w);
    RealMouse(w.left + 1, w.top + 60, 0);
    RealMouse(w.left + 100, w.top + 60, 0);
    RealMouse(w.left + 100, w.top + 60, MOUSEEVENTF_LEFTDOWN);
    RealMouse(w.left + 100, w.top + 60, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(StatusBecomes("Window picked."));
    RECT c;
    GetClientRect(target, &c);
    MapWindowPoints(target, NULL, reinterpret_cast<POINT *>(&c), 2);
    char expected[256];
    snprintf(expected, sizeof expected,
             "Window %08lX\nClass: AreacapTestTarget\nTitle: target\nClient area at (%ld, %ld), %ld x %ld",
             static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(target)), c.left, c.top, c.right - c.left,
             c.bottom - c.top);
    EXPECT_EQ(expected, ControlText(host, IDC_RESULT));
    DestroyWindow(target);
}

TEST_F(WithSampleHost, EscWhileMovingLeavesNoMarksAndTheHostSaysCancelled)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Esc: posted WM_KEYDOWN.
    Snapshot before = WholeScreen();
    HWND tool = RunCommand(IDC_SELECT_AREA, "CAPTURE:95");
    ASSERT_TRUE(tool != NULL);
    Drag(tool, 400, 300, 450, 350);
    RECT w;
    GetWindowRect(tool, &w);
    MouseStep(tool, WM_LBUTTONDOWN, w.left + 60, w.top + 100);
    MouseStep(tool, WM_MOUSEMOVE, w.left + 260, w.top + 200);
    NoteToolPlace(tool);
    PostKey(tool, VK_ESCAPE);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(ScreenRestored(before));
    EXPECT_TRUE(StatusBecomes("Cancelled in areacap."));
    EXPECT_EQ("No result yet.", ControlText(host, IDC_RESULT));
    PumpFor(300);   // the backdrop repaints where the tool window was
    EXPECT_TRUE(SameScreen(before, WholeScreen(), {toolPlaces.front()}));
}

TEST_F(WithSampleHost, ClosedDuringAModeItLeavesAreacapToEndNormally)
{
    // The host is closed while the mode runs; the results and the cancel
    // then go nowhere and areacap still ends with code 0.
    // Mouse: SetCursorPos + SendMessageTimeoutA; Esc: posted WM_KEYDOWN.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    RECT t;
    GetWindowRect(target, &t);
    enum Ending { Capture, Esc, Pick };
    for (Ending ending : {Capture, Esc, Pick}) {
        if (!host)
            OpenHost(ProgramDirectory() + "samplehost.exe");
        HWND w = ending == Pick ? StartPick() : RunCommand(IDC_SELECT_AREA, "CAPTURE:95");
        ASSERT_TRUE(w != NULL) << ending;
        CloseHost();
        if (ending == Capture) {
            Drag(w, 400, 300, 450, 350);
            Click(w, 0);
        } else if (ending == Esc) {
            PostKey(w, VK_ESCAPE);
        } else {
            MouseStep(w, WM_MOUSEMOVE, t.left + 100, t.top + 60);
            MouseStep(w, WM_LBUTTONUP, t.left + 100, t.top + 60);
        }
        EXPECT_EQ(0, Exit()) << ending;
        EndProgram(&process);
    }
    DestroyWindow(target);
}

TEST_F(WithSampleHost, FailuresShowInTheStatusLine)
{
    // The picked window closes before the release: areacap ends without a
    // result. Mouse: SetCursorPos + SendMessageTimeoutA.
    HWND target = CreateTarget();
    ASSERT_TRUE(target != NULL);
    HWND pick = StartPick();
    ASSERT_TRUE(pick != NULL);
    RECT w;
    GetWindowRect(target, &w);
    MouseStep(pick, WM_MOUSEMOVE, w.left + 100, w.top + 60);
    DestroyWindow(target);
    PumpFor(200);
    DWORD_PTR result;
    SendMessageTimeoutA(pick, WM_LBUTTONUP, 0, 0, SMTO_NORMAL, 5000, &result);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(StatusBecomes("areacap ended without a result: the window closed before it was picked."));
    EXPECT_EQ("No result yet.", ControlText(host, IDC_RESULT));
    EndProgram(&process);

    // A host without areacap.exe beside it says so.
    CloseHost();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string dir = std::string(temp) + "samplehost_alone\\";
    CreateDirectoryA(dir.c_str(), NULL);
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "samplehost.exe").c_str(), (dir + "samplehost.exe").c_str(), FALSE));
    OpenHost(dir + "samplehost.exe");
    ClickHost(IDC_PICK_WINDOW);
    EXPECT_TRUE(StatusBecomes("Cannot start " + dir + "areacap.exe (error 2)."));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(host, IDC_PICK_WINDOW))) << "the commands stay available";
}
