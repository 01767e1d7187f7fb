#include "areacap/toolbar_button.h"

#include "areacap/geometry.h"

static void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, NULL);
    LineTo(dc, x1, y1);
}

void PaintToolbarButton(const DRAWITEMSTRUCT *item)
{
    if (item->itemAction != ODA_DRAWENTIRE && item->itemAction != ODA_SELECT)
        return;
    HDC dc = item->hDC;
    RECT rc = item->rcItem;
    bool pressed = (item->itemState & ODS_SELECTED) != 0;

    HBRUSH face = CreateSolidBrush(RGB(192, 192, 192));
    FillRect(dc, &rc, face);
    DeleteObject(face);

    HBITMAP bitmap = reinterpret_cast<HBITMAP>(item->itemData);
    BITMAP info;
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        Point at = ButtonBitmapOrigin(Box{rc.left, rc.top, rc.right, rc.bottom}, info.bmWidth, info.bmHeight,
                                      pressed);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        StretchBlt(dc, at.x, at.y, info.bmWidth, info.bmHeight, memory, 0, 0, info.bmWidth, info.bmHeight,
                   SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }

    // L, T: top-left pixel; R, B: bottom-right pixel. LineTo leaves out the
    // end point, so each call covers exactly the pixels named.
    int L = rc.left, T = rc.top, R = rc.right - 1, B = rc.bottom - 1;
    HPEN grey = CreatePen(PS_SOLID, 0, RGB(128, 128, 128));
    HGDIOBJ previousPen;
    if (pressed) {
        previousPen = SelectObject(dc, grey);
        Line(dc, L, T + 1, L, B + 1);
        Line(dc, L, T, R + 1, T);
    } else {
        previousPen = SelectObject(dc, GetStockObject(WHITE_PEN));
        Line(dc, L, T + 1, L, B);
        Line(dc, L, T, R, T);
        SelectObject(dc, grey);
        Line(dc, L, B, R, B);
        Line(dc, R, T, R, B + 1);
        Line(dc, R - 1, T + 1, R - 1, B - 1);
        Line(dc, L + 1, B - 1, R, B - 1);
    }
    SelectObject(dc, previousPen);
    DeleteObject(grey);
}
