// Helpers of the information panel ("InstInfo") at the bottom of the screen:
// its placement, its spaced path lines and its minimise arrow.
#include "install/ui/progress_display.h"

#include "install/core/install_status.h"
#include "install/resources/resource_ids.h"
#include "install/script/install_script.h"

static const int PATH_TEXT_SIZE = 256;

void SetPathText(HWND dialog, int controlId, const char* text)
{
    char shown[PATH_TEXT_SIZE];
    int length = 0;
    for (const char* p = text; *p != '\0'; p++) {
        if (*p == '\\') {
            // A path too long for the line is cut before a whole separator.
            if (length + 3 > PATH_TEXT_SIZE - 1)
                break;
            shown[length++] = ' ';
            shown[length++] = '\\';
            shown[length++] = ' ';
        } else {
            if (length + 1 > PATH_TEXT_SIZE - 1)
                break;
            shown[length++] = *p;
        }
    }
    shown[length] = '\0';
    SetDlgItemTextA(dialog, controlId, shown);
}

void PlaceInfoPanel(HWND panel)
{
    RECT rect;
    GetWindowRect(panel, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = (ScreenMetrics.screenWidth - width) / 2;
    int y = ScreenMetrics.screenHeight - 2 * ScreenMetrics.frameHeight - height;
    MoveWindow(panel, x, y, width, height, TRUE);
    CharLowerA(InstallScript.sourceDir);
    CharLowerA(InstallScript.destinationDir);
    SetPathText(panel, IDC_SOURCE_LINE, InstallScript.sourceDir);
    SetPathText(panel, IDC_DESTINATION_LINE, InstallScript.destinationDir);
}

void DrawMinimizeArrow(HWND panel, RECT* outHitRect, HDC dc, bool dark)
{
    RECT panelRect, frameRect;
    GetWindowRect(panel, &panelRect);
    MapWindowPoints(nullptr, panel, (POINT*)&panelRect, 2);
    HWND frame = GetDlgItem(panel, IDC_PATH_FRAME);
    if (frame == nullptr)
        return;
    GetWindowRect(frame, &frameRect);
    MapWindowPoints(nullptr, panel, (POINT*)&frameRect, 2);

    int y0 = panelRect.top + (frameRect.top - panelRect.top) / 2;
    int x1 = panelRect.right - (frameRect.left - panelRect.left);
    int s = 3 * ScreenMetrics.frameWidth;
    if (s % 2 == 0)
        s += 1;
    int h = s / 2;

    if (outHitRect != nullptr)
        SetRect(outHitRect, x1 - s, y0, x1, y0 + h + 1);
    if (dc != nullptr) {
        int saved = SaveDC(dc);
        SelectObject(dc, GetStockObject(dark ? BLACK_PEN : WHITE_PEN));
        for (int i = 0; i <= h; i++) {
            MoveToEx(dc, x1 - s + i, y0 + i, nullptr);
            LineTo(dc, x1 - i, y0 + i);
        }
        RestoreDC(dc, saved);
    }
}
