// Percent bars drawn into a real window and read back pixel by pixel.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "install/core/install_status.h"
#include "install/script/install_script.h"
#include "install/ui/progress_display.h"
#include "tests/install/ui/ui_test_support.h"

namespace {

const COLORREF BORDER = RGB(255, 255, 0);
const COLORREF BACKGROUND = RGB(0, 0, 160);
const COLORREF FILL = RGB(0, 200, 0);
const unsigned BLACK = 0;

// A 400 x 300 main window over a logical space of 200 x 150: one logical
// unit is two pixels both ways.
const int WINDOW_W = 400, WINDOW_H = 300;

PercentBar MakeBar(int left, int top, int right, int bottom, int direction, bool border)
{
    PercentBar bar = {};
    bar.left = left;
    bar.top = top;
    bar.right = right;
    bar.bottom = bottom;
    bar.fillDirection = direction;
    bar.hasBorder = border ? 1 : 0;
    bar.borderColor = border ? BORDER : 0;
    bar.backgroundColor = BACKGROUND;
    bar.fillColor = FILL;
    return bar;
}

class PercentBarsTest : public ::testing::Test {
protected:
    PercentBar bars[1];

    // One window for the whole suite: creating windows is slow under Wine.
    static void SetUpTestSuite() { CreateTestMainWindow(0, 0, WINDOW_W, WINDOW_H); }
    static void TearDownTestSuite() { DestroyTestMainWindow(); }

    void SetUp() override
    {
        ResetInstallScript("c:\\", "c:\\");
        InstallScript.logicalWidth = 200;
        InstallScript.logicalHeight = 150;
        InstallScript.percentBars = bars;
        InstallScript.percentBarCount = 1;
        picture = nullptr;
        progressPercent = 0;
    }
    void TearDown() override
    {
        InstallScript.percentBars = nullptr;
        InstallScript.percentBarCount = 0;
    }

    // Sets the bar, blanks the window and shows the value: the bar is drawn
    // at once because no paint is pending.
    Pixels Show(const PercentBar& bar, int value)
    {
        bars[0] = bar;
        RedrawWindow(mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpMessages();
        SetProgressPercent(value);
        return ReadWindowPixels(mainWindow);
    }
};

// The colour each pixel must have: the bar's outer device rectangle
// [x0, x1) x [y0, y1), a one-pixel ring (border colour or untouched), and
// inside it the filled part of `filled` pixels measured from the fill side.
unsigned Expected(int x, int y, int x0, int y0, int x1, int y1, bool border, int direction, int filled)
{
    if (x < x0 || x >= x1 || y < y0 || y >= y1)
        return BLACK;
    if (x == x0 || x == x1 - 1 || y == y0 || y == y1 - 1)
        return border ? Rgb(BORDER) : BLACK;
    int ix0 = x0 + 1, iy0 = y0 + 1, ix1 = x1 - 1, iy1 = y1 - 1;
    bool inFill = false;
    switch (direction) {
    case 1: inFill = x < ix0 + filled; break;
    case 2: inFill = y < iy0 + filled; break;
    case 3: inFill = x >= ix1 - filled; break;
    case 4: inFill = y >= iy1 - filled; break;
    }
    return inFill ? Rgb(FILL) : Rgb(BACKGROUND);
}

void ExpectPixels(const Pixels& pixels, int x0, int y0, int x1, int y1, bool border, int direction,
                  int filled, const char* what)
{
    int wrong = 0;
    for (int y = 0; y < pixels.height; y++) {
        for (int x = 0; x < pixels.width; x++) {
            unsigned want = Expected(x, y, x0, y0, x1, y1, border, direction, filled);
            if (pixels.At(x, y) != want && wrong++ < 5)
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex
                              << pixels.At(x, y) << ", expected " << want;
        }
    }
    EXPECT_EQ(wrong, 0) << what;
}

TEST_F(PercentBarsTest, EveryDirectionAtZeroHalfAndFull)
{
    // Logical 10,10 - 60,35 is device 20,20 - 120,70: inner 98 x 48 pixels.
    const int innerW = 98, innerH = 48;
    for (int border = 0; border <= 1; border++) {
        for (int direction = 1; direction <= 4; direction++) {
            for (int value : {0, 50, 100}) {
                Pixels pixels = Show(MakeBar(10, 10, 60, 35, direction, border), value);
                int extent = (direction == 1 || direction == 3) ? innerW : innerH;
                int filled = MulDiv(extent, value, 100);
                char what[64];
                snprintf(what, sizeof(what), "direction %d at %d%% border %d", direction, value, border);
                ExpectPixels(pixels, 20, 20, 120, 70, border != 0, direction, filled, what);
            }
        }
    }
}

TEST_F(PercentBarsTest, HalfFillRoundsLikeMulDiv)
{
    // One unit per pixel: a bar 99 pixels wide has an inner width of 97. At
    // 50 % the half pixel is rounded up (away from zero): 49 filled, 48 not.
    InstallScript.logicalWidth = WINDOW_W;
    InstallScript.logicalHeight = WINDOW_H;
    Pixels pixels = Show(MakeBar(100, 50, 199, 80, 3, true), 50);
    ExpectPixels(pixels, 100, 50, 199, 80, true, 3, 49, "direction 3 at 50%");
    EXPECT_EQ(pixels.At(198 - 49, 60), Rgb(FILL));
    EXPECT_EQ(pixels.At(198 - 50, 60), Rgb(BACKGROUND));
}

TEST_F(PercentBarsTest, ValuesOutsideTheRangeAreClamped)
{
    Pixels below = Show(MakeBar(10, 10, 60, 35, 1, true), -20);
    EXPECT_EQ(progressPercent, 0);
    ExpectPixels(below, 20, 20, 120, 70, true, 1, 0, "-20");
    Pixels above = Show(MakeBar(10, 10, 60, 35, 1, true), 250);
    EXPECT_EQ(progressPercent, 100);
    ExpectPixels(above, 20, 20, 120, 70, true, 1, 98, "250");
}

TEST_F(PercentBarsTest, BarTwoPixelsWideShowsOnlyItsBorder)
{
    // One logical unit wide: two pixels, so the inner rectangle is empty.
    Pixels pixels = Show(MakeBar(10, 10, 11, 35, 1, true), 50);
    ExpectPixels(pixels, 20, 20, 22, 70, true, 1, 0, "two pixels wide");
    for (int y = 20; y < 70; y++)
        for (int x = 20; x < 22; x++)
            ASSERT_EQ(pixels.At(x, y), Rgb(BORDER)) << x << "," << y;
}

TEST_F(PercentBarsTest, BarOverTheWholeLogicalSpaceCoversTheWindow)
{
    Pixels pixels = Show(MakeBar(0, 0, 200, 150, 4, true), 50);
    ExpectPixels(pixels, 0, 0, WINDOW_W, WINDOW_H, true, 4, MulDiv(WINDOW_H - 2, 50, 100), "whole space");
    EXPECT_EQ(pixels.At(0, 0), Rgb(BORDER));
    EXPECT_EQ(pixels.At(WINDOW_W - 1, WINDOW_H - 1), Rgb(BORDER));
}

TEST_F(PercentBarsTest, NothingIsDrawnWhenTheWindowDoesNotShowBars)
{
    const PercentBar bar = MakeBar(10, 10, 60, 35, 1, true);
    InstallScript.windowState = 0;
    ExpectPixels(Show(bar, 50), 0, 0, 0, 0, false, 1, 0, "window state 0");
    InstallScript.windowState = 1;

    // A picture was asked for but is missing.
    lstrcpyA(InstallScript.pictureDir, "c:\\pictures\\");
    ExpectPixels(Show(bar, 50), 0, 0, 0, 0, false, 1, 0, "picture missing");
    InstallScript.pictureDir[0] = '\0';

    InstallScript.percentBarCount = 0;
    ExpectPixels(Show(bar, 50), 0, 0, 0, 0, false, 1, 0, "no bars");
    InstallScript.percentBarCount = 1;
}

TEST_F(PercentBarsTest, PendingPaintDrawsTheNewValue)
{
    bars[0] = MakeBar(10, 10, 60, 35, 1, false);
    SetProgressPercent(0);
    InvalidateRect(mainWindow, nullptr, TRUE);
    // A paint is pending: the update waits for it.
    SetProgressPercent(100);
    UpdateWindow(mainWindow);
    PumpMessages();
    ExpectPixels(ReadWindowPixels(mainWindow), 20, 20, 120, 70, false, 1, 98, "after the paint");
}

TEST_F(PercentBarsTest, ScreenshotOfSeveralBars)
{
    PercentBar several[4] = {
        MakeBar(10, 10, 190, 25, 1, true), MakeBar(10, 40, 30, 140, 2, true),
        MakeBar(40, 40, 190, 60, 3, false), MakeBar(170, 70, 190, 140, 4, true),
    };
    InstallScript.percentBars = several;
    InstallScript.percentBarCount = 4;
    progressPercent = 35;
    RedrawWindow(mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    SavePng(ReadWindowPixels(mainWindow), "percent_bars");
    InstallScript.percentBars = bars;
    InstallScript.percentBarCount = 1;
}

}  // namespace
