// The information panel's helpers on the real "InstInfo" template, and the
// sunken frame read back from a window.
#include <gtest/gtest.h>

#include <string>

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"
#include "install/ui/progress_display.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = 0;
    switch (message) {
    case WM_INITDIALOG:
        PlaceInfoPanel(panel);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(panel, &paint);
        DrawMinimizeArrow(panel, nullptr, dc, true);
        EndPaint(panel, &paint);
        return TRUE;
    }
    default:
        if (HandleDialogColours(panel, message, wParam, lParam, true, &result))
            return result;
        return FALSE;
    }
}

class PanelTest : public ::testing::Test {
protected:
    HWND panel = nullptr;

    void SetUp() override
    {
        ResetInstallScript("C:\\APP\\BIN\\", "D:\\Program Files\\Tarvo\\");
        CreateTestMainWindow(0, 0, 640, 480);
        panel = CreateDialogParamA(GetModuleHandleA(nullptr), "InstInfo", mainWindow, PanelProc, 0);
        ASSERT_NE(panel, nullptr);
        ShowWindow(panel, SW_SHOWNORMAL);
        UpdateWindow(panel);
        PumpMessages();
    }
    void TearDown() override
    {
        if (panel != nullptr)
            DestroyWindow(panel);
        DestroyTestMainWindow();
    }
};

TEST_F(PanelTest, SitsAtTheBottomCentreAndShowsSpacedLowerCasePaths)
{
    RECT r;
    GetWindowRect(panel, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, (ScreenMetrics.screenWidth - w) / 2);
    EXPECT_EQ(r.top, ScreenMetrics.screenHeight - 2 * ScreenMetrics.frameHeight - h);
    // Three backslashes gain six spaces.
    EXPECT_EQ(ControlText(panel, IDC_SOURCE_LINE), "c: \\ app \\ bin \\ ");
    EXPECT_EQ(ControlText(panel, IDC_DESTINATION_LINE), "d: \\ program files \\ tarvo \\ ");
    // The settings stay lower-case from now on.
    EXPECT_EQ(std::string(InstallScript.sourceDir), "c:\\app\\bin\\");
    EXPECT_EQ(std::string(InstallScript.destinationDir), "d:\\program files\\tarvo\\");
    SetDlgItemTextA(panel, IDC_FILE_LINE, "c:\\program files\\tarvo\\readme.txt");
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    SavePng(ReadWindowPixels(panel), "info_panel");
}

TEST_F(PanelTest, LongPathTextIsCutWithoutBreakingASeparator)
{
    // "a" and 84 separators make 253 characters; the next separator would
    // need three more than the 255 that fit.
    std::string path = "a";
    for (int i = 0; i < 90; i++)
        path += "\\";
    SetPathText(panel, IDC_FILE_LINE, path.c_str());
    std::string shown = ControlText(panel, IDC_FILE_LINE);
    EXPECT_EQ(shown.size(), 253u);
    EXPECT_EQ(shown.substr(250), " \\ ");

    std::string letters(300, 'a');
    SetPathText(panel, IDC_FILE_LINE, letters.c_str());
    EXPECT_EQ(ControlText(panel, IDC_FILE_LINE), std::string(255, 'a'));
}

TEST_F(PanelTest, MinimizeArrowIsATriangleRightOfThePathFrame)
{
    RECT hit;
    DrawMinimizeArrow(panel, &hit, nullptr, true);
    RECT frame;
    GetWindowRect(GetDlgItem(panel, IDC_PATH_FRAME), &frame);
    MapWindowPoints(nullptr, panel, (POINT*)&frame, 2);
    int s = hit.right - hit.left;
    int h = hit.bottom - hit.top - 1;
    EXPECT_EQ(s % 2, 1);
    EXPECT_EQ(h, s / 2);
    EXPECT_GE(s, 3 * ScreenMetrics.frameWidth);
    EXPECT_GT(hit.left, frame.right);  // right of the frame, inside the panel
    RECT client;
    GetClientRect(panel, &client);
    EXPECT_LE(hit.right, client.right);

    // Drawn white, then black: row i runs from left + i to right - i - 1.
    for (bool dark : {false, true}) {
        HDC dc = GetDC(panel);
        DrawMinimizeArrow(panel, nullptr, dc, dark);
        ReleaseDC(panel, dc);
        Pixels pixels = ReadWindowPixels(panel);
        unsigned want = dark ? 0x000000u : 0xFFFFFFu;
        for (int i = 0; i <= h; i++) {
            int y = hit.top + i;
            for (int x = hit.left; x < hit.right; x++) {
                bool inside = x >= hit.left + i && x <= hit.right - i - 1;
                if (inside)
                    EXPECT_EQ(pixels.At(x, y), want) << x << "," << y << " dark " << dark;
                else
                    EXPECT_NE(pixels.At(x, y), want) << x << "," << y << " dark " << dark;
            }
        }
    }
}

TEST_F(PanelTest, Frame3DDrawsTwoBandsOutsideTheRectangle)
{
    const COLORREF topLeft = RGB(200, 0, 0), bottomRight = RGB(0, 0, 200);
    RECT rect = {100, 100, 200, 150};
    HDC dc = GetDC(mainWindow);
    DrawFrame3D(dc, &rect, 2, topLeft, bottomRight);
    ReleaseDC(mainWindow, dc);
    Pixels pixels = ReadWindowPixels(mainWindow);
    EXPECT_EQ(pixels.At(150, 99), Rgb(topLeft));      // above
    EXPECT_EQ(pixels.At(150, 98), Rgb(topLeft));
    EXPECT_EQ(pixels.At(99, 125), Rgb(topLeft));      // left
    EXPECT_EQ(pixels.At(150, 150), Rgb(bottomRight)); // below
    EXPECT_EQ(pixels.At(200, 125), Rgb(bottomRight)); // right
    EXPECT_EQ(pixels.At(150, 125), 0u);               // inside untouched
    EXPECT_EQ(pixels.At(150, 96), 0u);                // beyond the width
    EXPECT_EQ(pixels.At(150, 153), 0u);
}

}  // namespace
