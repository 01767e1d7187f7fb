// The sunken three-dimensional frame that the installer's dialogs draw
// around their edit, list and framed static controls, and the colour
// handling those dialogs share.
#include "install/ui/progress_display.h"

static void FillPolygon(HDC dc, const POINT* points, int count, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush == nullptr)
        return;
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    Polygon(dc, points, count);
    SelectObject(dc, previousBrush);
    DeleteObject(brush);
}

void DrawFrame3D(HDC dc, const RECT* rect, int width, COLORREF topLeftColor,
                 COLORREF bottomRightColor)
{
    int l = rect->left, t = rect->top, r = rect->right, b = rect->bottom, w = width;
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const POINT topLeft[6] = {{l, t}, {l, b}, {l - w, b + w}, {l - w, t - w}, {r + w, t - w}, {r, t}};
    FillPolygon(dc, topLeft, 6, topLeftColor);
    const POINT bottomRight[6] = {{r, b}, {l, b}, {l - w, b + w}, {r + w, b + w}, {r + w, t - w}, {r, t}};
    FillPolygon(dc, bottomRight, 6, bottomRightColor);
    SelectObject(dc, previousPen);
}

void DrawControlFrame(HWND dialog, int controlId, int width)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr)
        return;
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, (POINT*)&rect, 2);
    HDC dc = GetDC(dialog);
    if (dc == nullptr)
        return;
    DrawFrame3D(dc, &rect, width, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    ReleaseDC(dialog, dc);
}

bool HandleDialogColours(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         bool frameStatics, INT_PTR* result)
{
    HDC dc = (HDC)wParam;
    HWND control = (HWND)lParam;
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        DrawControlFrame(dialog, GetDlgCtrlID(control), 1);
        *result = 0;
        return true;
    case WM_CTLCOLORSTATIC:
        if (frameStatics) {
            int id = GetDlgCtrlID(control);
            // The platform reports the identifier -1 as 0xFFFF on some
            // systems: both mean an unframed label.
            if (id != -1 && id != 0xFFFF)
                DrawControlFrame(dialog, id, 1);
        }
        SetBkMode(dc, TRANSPARENT);
        *result = (INT_PTR)GetStockObject(LTGRAY_BRUSH);
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        SetBkMode(dc, TRANSPARENT);
        *result = (INT_PTR)GetStockObject(LTGRAY_BRUSH);
        return true;
    default:
        return false;
    }
}
