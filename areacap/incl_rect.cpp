#include "areacap/incl_rect.h"

// Plain 32-bit arithmetic; wrap-around goes through unsigned values so that
// extreme coordinates never invoke undefined behaviour.
static int32_t Add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

static int32_t Sub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

bool RectIsEmpty(const InclRect &r)
{
    return r.right < r.left || r.bottom < r.top;
}

int32_t RectWidth(const InclRect &r)
{
    return Add(Sub(r.right, r.left), 1);
}

int32_t RectHeight(const InclRect &r)
{
    return Add(Sub(r.bottom, r.top), 1);
}

bool RectEquals(const InclRect &a, const InclRect &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void RectOffset(InclRect &r, int32_t dx, int32_t dy)
{
    r.left = Add(r.left, dx);
    r.right = Add(r.right, dx);
    r.top = Add(r.top, dy);
    r.bottom = Add(r.bottom, dy);
}

void RectClampPoint(Point &p, const InclRect &r)
{
    if (p.x < r.left)
        p.x = r.left;
    if (p.x > r.right)
        p.x = r.right;
    if (p.y < r.top)
        p.y = r.top;
    if (p.y > r.bottom)
        p.y = r.bottom;
}

bool RectContainsPoint(const Point &p, const InclRect &r)
{
    return r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}

InclRect RectFromPoints(const Point &a, const Point &b)
{
    InclRect r;
    r.left = a.x < b.x ? a.x : b.x;
    r.right = a.x < b.x ? b.x : a.x;
    r.top = a.y < b.y ? a.y : b.y;
    r.bottom = a.y < b.y ? b.y : a.y;
    return r;
}
