#include "areacap/selection_window.h"

#include <cstring>

#include "areacap/app_state.h"
#include "areacap/geometry.h"
#include "areacap/host_link.h"
#include "areacap/incl_rect.h"
#include "areacap/mode_loop.h"
#include "areacap/protocol.h"
#include "areacap/screen_outline.h"
#include "areacap/toolbar_button.h"

enum : unsigned char {
    kSelecting = 1,
    kDragged = 2,
    kMoving = 4,
    kButtonHeld = 8,
};

struct ToolbarButton {
    int bitmapId;
    RECT rect;   // screen pixels
};

typedef void (*MouseMoveHandler)(HWND window, const Point &position);

// State of the one selection window; reset when it is created.
static InclRect selection = kClearedRect;
static Point anchor;
static InclRect ghost = kClearedRect;
static InclRect pressedRect = kClearedRect;
static unsigned char stateFlags;
static MouseMoveHandler mouseMoveHandler;
static unsigned phase;
static int blinkToggle;
static int32_t magnification = kStartMagnification;
static unsigned char pressedFlags[kButtonCount];
static int pressedIndex;
static ToolbarButton buttons[kButtonCount] = {
    {IDB_CAPTURE, {0, 0, 0, 0}},
    {IDB_ZOOMIN, {0, 0, 0, 0}},
    {IDB_ZOOMOUT, {0, 0, 0, 0}},
    {IDB_HELP, {0, 0, 0, 0}},
};
static RECT dragArea;
static RECT magnifierArea;
static HBRUSH outlineBrush;
static char hintText[256];

static Box ToBox(const RECT &r)
{
    return Box{r.left, r.top, r.right, r.bottom};
}

static RECT ToRect(const Box &b)
{
    RECT r = {b.left, b.top, b.right, b.bottom};
    return r;
}

static POINT ToPOINT(const Point &p)
{
    POINT q = {p.x, p.y};
    return q;
}

static Point CursorPosition()
{
    POINT p;
    GetCursorPos(&p);
    return Point{p.x, p.y};
}

static bool OutsideWindow(HWND window, const Point &p)
{
    RECT w;
    GetWindowRect(window, &w);
    POINT q = ToPOINT(p);
    return !PtInRect(&w, q);
}

static void Layout(HWND window)
{
    RECT w;
    GetWindowRect(window, &w);
    Box boxes[kButtonCount];
    LayoutButtons(ToBox(w), GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER), boxes);
    for (int i = 0; i < kButtonCount; i++)
        buttons[i].rect = ToRect(boxes[i]);
    dragArea = ToRect(DragArea(ToBox(w)));
    RECT client;
    GetClientRect(window, &client);
    magnifierArea = ToRect(MagnifierArea(client.right, client.bottom));
}

static void RefreshMagnifier(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    r.top += kToolbarHeight;
    InvalidateRect(window, &r, FALSE);
    UpdateWindow(window);
}

static void RepaintButton(HWND window, int index)
{
    RECT r = buttons[index].rect;
    MapWindowPoints(NULL, window, reinterpret_cast<POINT *>(&r), 2);
    InvalidateRect(window, &r, FALSE);
    UpdateWindow(window);
}

// Erases the outline of the old selection and draws the new one.
static void ReplaceSelection(HWND window, const InclRect &r)
{
    HDC dc = OpenScreenContext();
    if (dc) {
        DrawOutline(dc, outlineBrush, selection, phase);
        selection = r;
        DrawOutline(dc, outlineBrush, selection, phase);
        DeleteDC(dc);
    } else {
        selection = r;
    }
    RefreshMagnifier(window);
}

static void DrawCentreMarker(HDC dc)
{
    Strip m = CentreMarker(ToBox(magnifierArea), magnification);
    PatBlt(dc, m.x, m.y, m.width, m.height, (phase & 2) ? WHITENESS : BLACKNESS);
}

static void PaintMagnifier(HDC dc)
{
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, magnifierArea.left, magnifierArea.top - 1, NULL);
    LineTo(dc, magnifierArea.right, magnifierArea.top - 1);
    SelectObject(dc, previousPen);

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    Strip source = MagnifierSource(CursorPosition(), ToBox(desktop), ToBox(magnifierArea), magnification);
    HDC screen = OpenScreenContext();
    if (screen) {
        StretchBlt(dc, 0, magnifierArea.top, magnifierArea.right, magnifierArea.bottom - magnifierArea.top, screen,
                   source.x, source.y, source.width, source.height, SRCCOPY);
        DeleteDC(screen);
    }
    if (!(stateFlags & kSelecting))
        DrawCentreMarker(dc);
}

static void Paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!(stateFlags & kButtonHeld))
        PaintMagnifier(dc);
    RECT client;
    GetClientRect(window, &client);
    IntersectClipRect(dc, client.left, client.top, client.right, client.top + kToolbarHeight + 1);
    for (int i = 0; i < kButtonCount; i++) {
        RECT r = buttons[i].rect;
        MapWindowPoints(NULL, window, reinterpret_cast<POINT *>(&r), 2);
        HBITMAP bitmap = LoadBitmapA(appInstance, MAKEINTRESOURCEA(buttons[i].bitmapId));
        DRAWITEMSTRUCT item;
        memset(&item, 0, sizeof item);
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(buttons[i].bitmapId);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = pressedFlags[i] ? ODS_SELECTED : 0;
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = r;
        item.itemData = reinterpret_cast<ULONG_PTR>(bitmap);
        PaintToolbarButton(&item);
        if (bitmap)
            DeleteObject(bitmap);
    }
    EndPaint(window, &ps);
}

static void DrawHelpText(HWND window)
{
    HDC dc = GetDC(window);
    if (!dc)
        return;
    FillRect(dc, &magnifierArea, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = 14;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynA(font.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, handle);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    if (LoadStringA(appInstance, IDS_HINT, hintText, sizeof hintText) <= 0)
        hintText[0] = '\0';
    RECT box = magnifierArea;
    InflateRect(&box, -4, -4);
    DrawTextA(dc, hintText, -1, &box, DT_WORDBREAK);
    SelectObject(dc, previous);
    DeleteObject(handle);
    ReleaseDC(window, dc);
}

static void IdleMove(HWND window, const Point &p)
{
    RECT w;
    GetWindowRect(window, &w);
    POINT q = ToPOINT(p);
    if (!PtInRect(&w, q)) {
        RefreshMagnifier(window);
        SetCursor(boxSelectCursor);
        return;
    }
    RECT band = ToRect(ToolbarBand(ToBox(w)));
    if (PtInRect(&band, q))
        SetCursor(LoadCursorA(NULL, IDC_ARROW));
    else
        SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32640)));
}

static void ExtendSelection(HWND window, const Point &p)
{
    if (!OutsideWindow(window, p))
        return;
    stateFlags |= kDragged;
    ReplaceSelection(window, RectFromPoints(anchor, p));
}

static void MoveGhost(HWND, const Point &p)
{
    InclRect moved = ghost;
    RectOffset(moved, p.x - anchor.x, p.y - anchor.y);
    HDC dc = OpenScreenContext();
    if (dc) {
        DrawOutline(dc, outlineBrush, ghost, 0);
        DrawOutline(dc, outlineBrush, moved, 0);
        DeleteDC(dc);
    }
    ghost = moved;
    anchor = p;
}

static void TrackButton(HWND window, const Point &p)
{
    unsigned char inside = RectContainsPoint(p, pressedRect) ? 1 : 0;
    if (inside != pressedFlags[pressedIndex]) {
        pressedFlags[pressedIndex] = inside;
        RepaintButton(window, pressedIndex);
    }
}

static void Press(HWND window)
{
    Point p = CursorPosition();
    POINT q = ToPOINT(p);
    RECT w;
    GetWindowRect(window, &w);
    if (!PtInRect(&w, q)) {
        DrawScreenOutline(outlineBrush, selection, phase);
        anchor = p;
        selection = InclRect{p.x, p.y, p.x, p.y};
        DrawScreenOutline(outlineBrush, selection, phase);
        RefreshMagnifier(window);
        stateFlags |= kSelecting;
        stateFlags &= ~kDragged;
        mouseMoveHandler = ExtendSelection;
        return;
    }
    for (int i = 0; i < kButtonCount; i++) {
        if (PtInRect(&buttons[i].rect, q)) {
            pressedFlags[i] = 1;
            pressedIndex = i;
            stateFlags |= kButtonHeld;
            mouseMoveHandler = TrackButton;
            pressedRect = InclusiveFromBox(ToBox(buttons[i].rect));
            RepaintButton(window, i);
            break;
        }
    }
    if (PtInRect(&dragArea, q)) {
        DrawScreenOutline(outlineBrush, selection, phase);   // hidden during the move
        anchor = p;
        ghost = InclusiveFromBox(ToBox(w));
        mouseMoveHandler = MoveGhost;
        DrawScreenOutline(outlineBrush, ghost, 0);
        stateFlags |= kMoving;
    }
}

static void Capture(HWND window)
{
    DrawScreenOutline(outlineBrush, selection, phase);
    stateFlags &= ~kSelecting;
    ShowWindow(window, SW_HIDE);
    SendToHost(AM_AREA_TOPLEFT, 0, MAKELPARAM(selection.left & 0xFFFF, selection.top & 0xFFFF));
    SendToHost(AM_AREA_BOTTOMRIGHT, 0, MAKELPARAM(selection.right & 0xFFFF, selection.bottom & 0xFFFF));
    selection = kClearedRect;
    DestroyWindow(window);
}

// Returns true when the window is gone (after a capture).
static bool Release(HWND window)
{
    mouseMoveHandler = IdleMove;
    if (stateFlags & kMoving) {
        DrawScreenOutline(outlineBrush, ghost, 0);
        ShowWindow(window, SW_HIDE);
        MoveWindow(window, ghost.left, ghost.top, RectWidth(ghost), RectHeight(ghost), FALSE);
        SetFocus(window);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ghost = kClearedRect;
        InvalidateRect(window, NULL, FALSE);
        UpdateWindow(window);
        DrawScreenOutline(outlineBrush, selection, phase);
        stateFlags &= ~kMoving;
    } else if (stateFlags & kSelecting) {
        if (!(stateFlags & kDragged)) {
            DrawScreenOutline(outlineBrush, selection, phase);
            selection = kClearedRect;
        }
        stateFlags &= ~kSelecting;
    } else if (stateFlags & kButtonHeld) {
        stateFlags &= ~kButtonHeld;
        if (!pressedFlags[pressedIndex])
            return false;
        switch (buttons[pressedIndex].bitmapId) {
        case IDB_CAPTURE:
            Capture(window);
            return true;
        case IDB_ZOOMIN:
            magnification = ZoomIn(magnification);
            RefreshMagnifier(window);
            break;
        case IDB_ZOOMOUT:
            magnification = ZoomOut(magnification);
            RefreshMagnifier(window);
            break;
        case IDB_HELP:
            DrawHelpText(window);
            break;
        }
        pressedFlags[pressedIndex] = 0;
        RepaintButton(window, pressedIndex);
    }
    return false;
}

static void ArrowKey(HWND window, int key)
{
    if ((stateFlags & (kSelecting | kMoving | kButtonHeld)) || RectIsEmpty(selection))
        return;
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    InclRect changed = ApplyArrowKey(selection, key, shift, ToBox(desktop));
    if (!RectEquals(changed, selection))
        ReplaceSelection(window, changed);
}

static void TimerTick(HWND window)
{
    if (stateFlags & (kMoving | kButtonHeld))
        return;
    blinkToggle ^= 1;
    if (blinkToggle != 0)
        return;
    Point p = CursorPosition();
    bool outside = OutsideWindow(window, p);
    if (RectIsEmpty(selection)) {
        if (!(stateFlags & kSelecting) && outside) {
            phase++;
            HDC dc = GetDC(window);
            if (dc) {
                DrawCentreMarker(dc);
                ReleaseDC(window, dc);
            }
        }
        return;
    }
    HDC dc = OpenScreenContext();
    if (dc) {
        DrawOutline(dc, outlineBrush, selection, phase);
        phase++;
        DrawOutline(dc, outlineBrush, selection, phase);
        DeleteDC(dc);
    } else {
        phase++;
    }
    if (outside)
        RefreshMagnifier(window);
}

static void Create(HWND window)
{
    blinkToggle = 0;
    HBITMAP pattern = LoadBitmapA(appInstance, "BM_SELECT");
    outlineBrush = pattern ? CreatePatternBrush(pattern) : NULL;
    if (pattern)
        DeleteObject(pattern);
    selection = kClearedRect;
    ghost = kClearedRect;
    mouseMoveHandler = IdleMove;
    stateFlags = 0;
    phase = 0;
    pressedIndex = 0;
    Layout(window);
    memset(pressedFlags, 0, sizeof pressedFlags);
}

static void Destroy()
{
    // While the window is being moved the selection's outline is hidden and
    // the ghost is shown: erase the ghost so that no mark stays behind.
    if (stateFlags & kMoving) {
        DrawScreenOutline(outlineBrush, ghost, 0);
        ghost = kClearedRect;
    } else {
        DrawScreenOutline(outlineBrush, selection, phase);
    }
    stateFlags = 0;
    mouseMoveHandler = IdleMove;
    if (outlineBrush)
        DeleteObject(outlineBrush);
    outlineBrush = NULL;
}

LRESULT CALLBACK SelectionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        Create(window);
        break;
    case WM_DESTROY:
        Destroy();
        break;
    case WM_MOVE:
        Layout(window);
        break;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_KEYDOWN:
        ArrowKey(window, static_cast<int>(wParam));
        break;
    case WM_CHAR:
        if (wParam == 27) {
            SendCancel();
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_TIMER:
        TimerTick(window);
        break;
    case WM_MOUSEMOVE:
        if (mouseMoveHandler)
            mouseMoveHandler(window, CursorPosition());
        break;
    case WM_LBUTTONDOWN:
        Press(window);
        break;
    case WM_LBUTTONUP:
        if (Release(window))
            return 0;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
