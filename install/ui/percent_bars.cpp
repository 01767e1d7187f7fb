// The percent bars on the main window. Each bar is a rectangle in the
// script's logical space, which is stretched over the whole window; the part
// of its inner rectangle that corresponds to the progress percent is filled
// from the side its fill direction names.
#include "install/ui/progress_display.h"

#include "install/core/install_status.h"
#include "install/script/install_script.h"

int progressPercent = 0;

enum FillDirection {
    FILL_LEFT_TO_RIGHT = 1,
    FILL_TOP_TO_BOTTOM = 2,
    FILL_RIGHT_TO_LEFT = 3,
    FILL_BOTTOM_TO_TOP = 4,
};

static void FillWithColour(HDC dc, const RECT* rect, COLORREF colour)
{
    if (IsRectEmpty(rect))
        return;
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush == nullptr)
        return;
    FillRect(dc, rect, brush);
    DeleteObject(brush);
}

// Converts the bar's corners to device pixels of a window of width x height.
static RECT BarToDevice(HDC dc, const PercentBar& bar, int width, int height)
{
    POINT corners[2] = {{bar.left, bar.top}, {bar.right, bar.bottom}};
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, InstallScript.logicalWidth, InstallScript.logicalHeight, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    LPtoDP(dc, corners, 2);
    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    RECT device = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return device;
}

static void DrawBar(HDC dc, const PercentBar& bar, int width, int height)
{
    RECT outer = BarToDevice(dc, bar, width, height);
    if (bar.hasBorder) {
        HPEN pen = CreatePen(PS_SOLID, 0, bar.borderColor);
        if (pen != nullptr) {
            SelectObject(dc, pen);
            SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
            Rectangle(dc, outer.left, outer.top, outer.right, outer.bottom);
            SelectObject(dc, GetStockObject(NULL_PEN));
            DeleteObject(pen);
        }
    }
    // The inner rectangle lies one pixel inside, border or not.
    int l = outer.left + 1, t = outer.top + 1, r = outer.right - 1, b = outer.bottom - 1;
    RECT filled, rest;
    switch (bar.fillDirection) {
    case FILL_TOP_TO_BOTTOM: {
        int c = MulDiv(b - t, progressPercent, 100);
        SetRect(&filled, l, t, r, t + c);
        SetRect(&rest, l, t + c, r, b);
        break;
    }
    case FILL_RIGHT_TO_LEFT: {
        int c = MulDiv(r - l, progressPercent, 100);
        SetRect(&filled, r - c, t, r, b);
        SetRect(&rest, l, t, r - c, b);
        break;
    }
    case FILL_BOTTOM_TO_TOP: {
        int c = MulDiv(b - t, progressPercent, 100);
        SetRect(&filled, l, b - c, r, b);
        SetRect(&rest, l, t, r, b - c);
        break;
    }
    case FILL_LEFT_TO_RIGHT:
    default: {
        int c = MulDiv(r - l, progressPercent, 100);
        SetRect(&filled, l, t, l + c, b);
        SetRect(&rest, l + c, t, r, b);
        break;
    }
    }
    FillWithColour(dc, &rest, bar.backgroundColor);
    FillWithColour(dc, &filled, bar.fillColor);
}

void DrawPercentBars()
{
    if (InstallScript.windowState == 0)
        return;
    if (InstallScript.pictureDir[0] != '\0' && picture == nullptr)
        return;
    if (mainWindow == nullptr || IsIconic(mainWindow))
        return;
    if (InstallScript.percentBarCount <= 0 || InstallScript.percentBars == nullptr)
        return;
    // The loader guarantees extents of at least 100; a zero extent would
    // make the mapping meaningless.
    if (InstallScript.logicalWidth <= 0 || InstallScript.logicalHeight <= 0)
        return;
    RECT window;
    if (!GetWindowRect(mainWindow, &window))
        return;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    HDC dc = GetDC(mainWindow);
    if (dc == nullptr)
        return;
    for (int i = 0; i < InstallScript.percentBarCount; i++)
        DrawBar(dc, InstallScript.percentBars[i], width, height);
    ReleaseDC(mainWindow, dc);
}

void SetProgressPercent(int value)
{
    if (value < 0)
        value = 0;
    if (value > 100)
        value = 100;
    // The bars change only with the value; a repaint draws them anyway.
    if (value == progressPercent)
        return;
    progressPercent = value;
    if (mainWindow != nullptr && !GetUpdateRect(mainWindow, nullptr, FALSE))
        DrawPercentBars();
}
