#include <gtest/gtest.h>
#include <cstring>
#include <string>

#include "install/core/install_status.h"

namespace {

int dispatched;  // WM_APP messages that reached the window procedure

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP || msg == WM_INSTALL_FINISH)
        ++dispatched;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PumpTestWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowA("PumpTestWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class PumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        mainWindow = MakeWindow();
        other = MakeWindow();
        dispatched = 0;
    }
    void TearDown() override
    {
        DestroyWindow(other);
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
    }
    HWND other = nullptr;
};

TEST_F(PumpTest, EmptyQueueReturnsTrue)
{
    EXPECT_TRUE(RunPendingMessages());
}

TEST_F(PumpTest, FinishForMainWindowStopsAndLeavesLaterMessagesQueued)
{
    PostMessageA(mainWindow, WM_APP, 0, 0);
    PostMessageA(mainWindow, WM_INSTALL_FINISH, 0, 0);
    PostMessageA(mainWindow, WM_APP, 0, 0);
    EXPECT_FALSE(RunPendingMessages());
    EXPECT_EQ(2, dispatched);  // the finish itself was handled
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_APP), m.message);
}

TEST_F(PumpTest, FinishForAnotherWindowDoesNotStop)
{
    PostMessageA(other, WM_INSTALL_FINISH, 0, 0);
    PostMessageA(mainWindow, WM_APP, 0, 0);
    EXPECT_TRUE(RunPendingMessages());
    EXPECT_EQ(2, dispatched);
}

TEST_F(PumpTest, QuitIsPutBackForTheMainLoop)
{
    PostMessageA(mainWindow, WM_APP, 0, 0);
    PostQuitMessage(7);
    EXPECT_TRUE(RunPendingMessages());
    EXPECT_EQ(1, dispatched);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), m.message);
    EXPECT_EQ(7u, m.wParam);
}

TEST(FinishMessage, IsCutToItsCapacity)
{
    std::string longText(400, 'x');
    SetFinishMessage(longText.c_str());
    EXPECT_EQ(static_cast<size_t>(FINISH_MESSAGE_SIZE - 1), strlen(finishMessage));
    SetFinishMessage("Reading or unpacking error in 'a.arj'. ");
    EXPECT_STREQ("Reading or unpacking error in 'a.arj'. ", finishMessage);
}

}  // namespace
