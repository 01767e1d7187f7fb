#include "areacap/pick_mode.h"

#include "areacap/geometry.h"
#include "areacap/host_link.h"
#include "areacap/protocol.h"

static HWND pickTarget;
static int clientAreaFlag;

void DrawHighlightFrame(HWND target, int clientArea)
{
    if (!IsWindow(target))
        return;
    HDC dc;
    RECT r;
    if (clientArea) {
        dc = GetDC(target);
        GetClientRect(target, &r);
    } else {
        dc = GetWindowDC(target);
        GetWindowRect(target, &r);
        OffsetRect(&r, -r.left, -r.top);
    }
    if (!dc)
        return;
    if (!IsRectEmpty(&r)) {
        Strip strips[4];
        int n = HighlightFrameStrips(Box{r.left, r.top, r.right, r.bottom}, strips);
        for (int i = 0; i < n; i++)
            PatBlt(dc, strips[i].x, strips[i].y, strips[i].width, strips[i].height, DSTINVERT);
    }
    ReleaseDC(target, dc);
}

int PointInClientArea(HWND target, POINT point)
{
    if (!IsWindow(target))
        return 0;
    RECT client;
    GetClientRect(target, &client);
    MapWindowPoints(target, NULL, reinterpret_cast<POINT *>(&client), 2);
    return PtInRect(&client, point) ? 1 : 0;
}

// Moves the frame to a window (or to the other part of the same window):
// erases it where it is, then draws it on the new target. A new target first
// paints what it has pending: painted afterwards, it would cover parts of the
// inverted frame, and erasing the frame would then leave marks.
static void MoveFrameTo(HWND target, int inClient)
{
    DrawHighlightFrame(pickTarget, clientAreaFlag);
    clientAreaFlag = inClient;
    if (target != pickTarget)
        UpdateWindow(target);
    DrawHighlightFrame(target, clientAreaFlag);
    pickTarget = target;
}

// Frames the window under the cursor when it differs from the target or the
// cursor has crossed its client-area border.
static void TrackCursor()
{
    POINT cursor;
    GetCursorPos(&cursor);
    HWND under = WindowFromPoint(cursor);
    int inClient = PointInClientArea(under, cursor);
    if (under != pickTarget || inClient != clientAreaFlag)
        MoveFrameTo(under, inClient);
}

void StartPickTracking()
{
    pickTarget = NULL;
    TrackCursor();
}

void DropPickTarget()
{
    DrawHighlightFrame(pickTarget, clientAreaFlag);
    pickTarget = NULL;
}

LRESULT CALLBACK PickWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        TrackCursor();
        break;
    case WM_CHAR:
        if (wParam == 27) {
            DropPickTarget();
            SendCancel();
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        DestroyWindow(window);
        break;
    case WM_DESTROY:
        DrawHighlightFrame(pickTarget, clientAreaFlag);
        if (IsWindow(pickTarget) && FindHost())
            SendToHost(AM_WINDOW_PICKED, static_cast<WPARAM>(clientAreaFlag),
                       reinterpret_cast<LPARAM>(pickTarget));
        pickTarget = NULL;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
