#include "areacap/geometry.h"

InclRect InclusiveFromBox(const Box &b)
{
    return InclRect{b.left, b.top, b.right - 1, b.bottom - 1};
}

Box BoxFromInclusive(const InclRect &r)
{
    return Box{r.left, r.top, r.right + 1, r.bottom + 1};
}

void LayoutButtons(const Box &window, int32_t cxBorder, int32_t cyBorder, Box buttons[kButtonCount])
{
    int32_t gap = (window.right - window.left - kClientWidth) / 5;
    int32_t top = window.top + cyBorder + 2;
    for (int i = 0; i < kButtonCount; i++) {
        buttons[i].left = window.left + cxBorder + gap + i * (gap + kButtonWidth);
        buttons[i].right = buttons[i].left + kButtonWidth;
        buttons[i].top = top;
        buttons[i].bottom = top + kButtonHeight;
    }
}

Box DragArea(const Box &window)
{
    Box b = window;
    b.top = window.top + kToolbarHeight;
    return b;
}

Box ToolbarBand(const Box &window)
{
    Box b = window;
    b.bottom = DragArea(window).top - 1;
    return b;
}

Box MagnifierArea(int32_t clientWidth, int32_t clientHeight)
{
    return Box{0, clientHeight - clientWidth, clientWidth, clientHeight};
}

int OutlineStrips(const InclRect &r, Strip out[4])
{
    if (RectIsEmpty(r))
        return 0;
    int32_t w = RectWidth(r);
    int32_t h = RectHeight(r);
    int n = 0;
    if (w > 2) {
        out[n++] = Strip{r.left + 1, r.top, w - 2, 1};
        if (r.bottom != r.top)
            out[n++] = Strip{r.left + 1, r.bottom, w - 2, 1};
    }
    out[n++] = Strip{r.left, r.top, 1, h};
    if (r.right != r.left)
        out[n++] = Strip{r.right, r.top, 1, h};
    return n;
}

int HighlightFrameStrips(const Box &r, Strip out[4])
{
    if (r.right <= r.left || r.bottom <= r.top)
        return 0;
    int32_t w = r.right - r.left;
    int32_t sideHeight = r.bottom - r.top - 6;
    Strip all[4] = {
        {r.left, r.top, w, 3},
        {r.left, r.bottom - 3, w, 3},
        {r.left, r.top + 3, 3, sideHeight},
        {r.right - 3, r.top + 3, 3, sideHeight},
    };
    // A window too small for the side strips gets only the top and bottom
    // ones; each drawing is still undone by the next.
    int n = 0;
    for (const Strip &s : all)
        if (s.width > 0 && s.height > 0)
            out[n++] = s;
    return n;
}

Strip MagnifierSource(const Point &cursor, const Box &desktop, const Box &magnifier, int32_t magnification)
{
    int32_t sw = (magnifier.right - magnifier.left) / magnification;
    int32_t sh = (magnifier.bottom - magnifier.top) / magnification;
    InclRect limits = {desktop.left + sw / 2, desktop.top + sh / 2, desktop.right - sw / 2 - 1,
                       desktop.bottom - sh / 2 - 1};
    Point c = cursor;
    RectClampPoint(c, limits);
    return Strip{c.x - sw / 2, c.y - sh / 2, sw, sh};
}

Strip CentreMarker(const Box &magnifier, int32_t magnification)
{
    return Strip{magnifier.right / 2, magnifier.top + (magnifier.bottom - magnifier.top) / 2, magnification,
                 magnification};
}

Point ButtonBitmapOrigin(const Box &item, int32_t bitmapWidth, int32_t bitmapHeight, bool pressed)
{
    int32_t p = pressed ? 1 : 0;
    return Point{item.left + p + (item.right - item.left - bitmapWidth) / 2,
                 item.top + p + (item.bottom - item.top - bitmapHeight) / 2};
}

int32_t ZoomIn(int32_t magnification)
{
    return magnification < kMaxMagnification ? magnification * 2 : magnification;
}

int32_t ZoomOut(int32_t magnification)
{
    return magnification > kMinMagnification ? magnification / 2 : magnification;
}

InclRect ApplyArrowKey(const InclRect &selection, int key, bool shift, const Box &desktop)
{
    InclRect r = selection;
    switch (key) {
    case kKeyLeft:
        if (shift)
            r.right -= 1;
        else if (r.left != 0)
            RectOffset(r, -1, 0);
        break;
    case kKeyUp:
        if (shift)
            r.bottom -= 1;
        else if (r.top != 0)
            RectOffset(r, 0, -1);
        break;
    case kKeyRight:
        if (r.right != desktop.right - 1) {
            if (shift)
                r.right += 1;
            else
                RectOffset(r, 1, 0);
        }
        break;
    case kKeyDown:
        if (r.bottom != desktop.bottom - 1) {
            if (shift)
                r.bottom += 1;
            else
                RectOffset(r, 0, 1);
        }
        break;
    default:
        break;
    }
    return r;
}
