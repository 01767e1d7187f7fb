// End-to-end tests of areacap under Wine: a test host window of class
// "VELD:NIMBA" (tests/areacap/test_host.cpp) starts the real program, sends
// or posts its command and logs what comes back; the screen is read back to
// show that every mark the program draws is erased again.
//
// Input: under Wine, mouse input outside a window that holds the capture does
// not reliably reach it. Mouse steps therefore set the cursor with
// SetCursorPos (the program reads the position with GetCursorPos) and then
// deliver the mouse message to the mode window with SendMessageTimeoutA, so
// each step is handled before the cursor moves on. Plain keys are posted as
// WM_KEYDOWN (the program's own TranslateMessage makes Esc a WM_CHAR); Shift
// is real input (SendInput) so that GetKeyState sees it. Focus changes use
// SetForegroundWindow. Each test says which it uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/areacap/screen_probe.h"
#include "tests/areacap/test_host.h"

namespace {

const UINT kTopLeft = 2690;
const UINT kBottomRight = 2691;
const UINT kPicked = 2692;
const WPARAM kCancel = 1273;

// The tool window's standard place: client 128 x 163 at (17, 17).
const int kClientLeft = 17;
const int kClientTop = 17;

void Settle()
{
    PumpFor(120);
}

// Moves the cursor, lets any input that the move causes arrive, then hands
// the mouse message to the window and waits until it has been handled.
void MouseStep(HWND window, UINT message, int x, int y)
{
    SetCursorPos(x, y);
    Settle();
    DWORD_PTR result;
    SendMessageTimeoutA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, 0, SMTO_NORMAL, 5000,
                        &result);
    Settle();
}

void PostKey(HWND window, WPARAM key)
{
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
    PostMessageA(window, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
    Settle();
}

void SendShift(bool down)
{
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_SHIFT;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    PumpFor(300);
}

::testing::AssertionResult SameScreen(const Snapshot &a, const Snapshot &b)
{
    int differ = 0;
    std::string first;
    for (int y = a.y; y < a.y + a.height; y++)
        for (int x = a.x; x < a.x + a.width; x++)
            if (a.At(x, y) != b.At(x, y)) {
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

Snapshot WholeScreen()
{
    return ReadScreen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

class Areacap : public ::testing::Test {
protected:
    PROCESS_INFORMATION process = {};
    HWND command = NULL;

    void SetUp() override
    {
        ShowBackdrop();
        PumpFor(200);
        ASSERT_TRUE(StartTestHost());
    }

    void TearDown() override
    {
        EndAreacap(&process);
        StopTestHost();
        PumpFor(100);
    }

    void Launch()
    {
        ASSERT_TRUE(StartAreacap(&process));
        command = WaitForWindow("NIMBA:95", 10000);
        ASSERT_TRUE(command != NULL);
    }

    // Sends or posts the command through the host and waits for the mode window.
    HWND StartMode(WORD commandNumber, bool send, const char *windowClass)
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
        return w;
    }

    long Exit() { return WaitForExit(process, 10000); }

    // Button centres in screen pixels for a window whose client area starts at (cx, cy).
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
    static void MoveTool(HWND tool, int dx, int dy)
    {
        RECT w;
        GetWindowRect(tool, &w);
        int x = w.left + 60, y = w.top + 100;
        MouseStep(tool, WM_LBUTTONDOWN, x, y);
        MouseStep(tool, WM_MOUSEMOVE, x + dx / 2, y + dy / 2);
        MouseStep(tool, WM_MOUSEMOVE, x + dx, y + dy);
        MouseStep(tool, WM_LBUTTONUP, x + dx, y + dy);
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
    PROCESS_INFORMATION second;
    ASSERT_TRUE(StartAreacap(&second));
    EXPECT_EQ(0, WaitForExit(second, 5000));
    EndAreacap(&second);
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

// --- area selection ---------------------------------------------------------

TEST_F(Areacap, CaptureReportsCornersThenEnds)
{
    // Mouse: SetCursorPos + SendMessageTimeoutA. Command posted by the host.
    Launch();
    Snapshot before = WholeScreen();
    HWND tool = StartAreaMode(false);
    ASSERT_TRUE(tool != NULL);
    // The window lies over (30, 40): move it away first.
    MoveTool(tool, 300, 200);
    Drag(tool, 10, 20, 30, 40);
    Click(tool, 0);
    EXPECT_EQ(0, Exit());
    EXPECT_TRUE(LogIs({{kTopLeft, 0, MAKELONG(10, 20)}, {kBottomRight, 0, MAKELONG(30, 40)}}));
    PumpFor(300);
    EXPECT_TRUE(SameScreen(before, WholeScreen()));
}
