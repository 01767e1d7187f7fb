#include "areacap/screen_outline.h"

#include "areacap/geometry.h"

HDC OpenScreenContext()
{
    return CreateDCA("DISPLAY", NULL, NULL, NULL);
}

void DrawOutline(HDC dc, HBRUSH patternBrush, const InclRect &r, unsigned phase)
{
    Strip strips[4];
    int n = OutlineStrips(r, strips);
    if (n == 0)
        return;
    UnrealizeObject(patternBrush);
    SetBrushOrgEx(dc, 0, 0, NULL);
    HGDIOBJ previous = SelectObject(dc, patternBrush);
    // A monochrome pattern paints its 0 bits in the text colour and its 1 bits
    // in the background colour: odd and even phases give complementary dashes.
    if (phase & 1) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, RGB(0, 0, 0));
    } else {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
    }
    for (int i = 0; i < n; i++)
        PatBlt(dc, strips[i].x, strips[i].y, strips[i].width, strips[i].height, PATINVERT);
    SelectObject(dc, previous);
}

void DrawScreenOutline(HBRUSH patternBrush, const InclRect &r, unsigned phase)
{
    if (RectIsEmpty(r))
        return;
    HDC dc = OpenScreenContext();
    if (!dc)
        return;
    DrawOutline(dc, patternBrush, r, phase);
    DeleteDC(dc);
}
