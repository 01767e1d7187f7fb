// Inclusive screen rectangles: right and bottom name the last column and row
// that belong to the area. Pure operations on plain values; no platform calls.
#ifndef AREACAP_INCL_RECT_H
#define AREACAP_INCL_RECT_H

#include <cstdint>

struct Point {
    int32_t x;
    int32_t y;
};

struct InclRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The value stored whenever a rectangle is cleared.
constexpr InclRect kClearedRect = {1, 1, 0, 0};

bool RectIsEmpty(const InclRect &r);
int32_t RectWidth(const InclRect &r);
int32_t RectHeight(const InclRect &r);
// Field-wise comparison: two empty rectangles with different fields differ.
bool RectEquals(const InclRect &a, const InclRect &b);
void RectOffset(InclRect &r, int32_t dx, int32_t dy);
// Lower bound first, upper bound second on each axis; for an empty rectangle
// the upper bound wins.
void RectClampPoint(Point &p, const InclRect &r);
bool RectContainsPoint(const Point &p, const InclRect &r);
// The rectangle spanned by two corner points, in either order.
InclRect RectFromPoints(const Point &a, const Point &b);

#endif
