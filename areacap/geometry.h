// Window-independent geometry of the capture tool: the toolbar layout, the
// drag and magnifier areas, the strips that the inverted outlines and frames
// are made of, the magnifier's source area and the arrow-key edits of the
// selection. Pure computations; no platform calls.
#ifndef AREACAP_GEOMETRY_H
#define AREACAP_GEOMETRY_H

#include <cstdint>

#include "areacap/incl_rect.h"

// A rectangle whose right and bottom lie one past the area (the platform's
// convention for window and client rectangles).
struct Box {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A block of pixels to fill or invert: top-left corner and size.
struct Strip {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

constexpr int kButtonCount = 4;
constexpr int32_t kButtonWidth = 32;
constexpr int32_t kButtonHeight = 30;
constexpr int32_t kToolbarHeight = 34;   // rows above the drag area
constexpr int32_t kClientWidth = 128;
constexpr int32_t kClientHeight = 163;
constexpr int32_t kMaxMagnification = 8;
constexpr int32_t kMinMagnification = 1;
constexpr int32_t kStartMagnification = 4;

// Arrow keys as the platform numbers them.
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;

InclRect InclusiveFromBox(const Box &b);
Box BoxFromInclusive(const InclRect &r);

// The four toolbar buttons, left to right, in screen pixels, for a window
// rectangle and the system's border sizes.
void LayoutButtons(const Box &window, int32_t cxBorder, int32_t cyBorder, Box buttons[kButtonCount]);
// A press here moves the window: the window without its toolbar rows.
Box DragArea(const Box &window);
// The window's toolbar rows (where the arrow cursor is shown).
Box ToolbarBand(const Box &window);
// The square magnifier at the bottom of the client area (client pixels).
Box MagnifierArea(int32_t clientWidth, int32_t clientHeight);

// Strips whose inversion draws the one-pixel outline of an inclusive
// rectangle, every pixel exactly once. Returns the count (0 when empty).
int OutlineStrips(const InclRect &r, Strip out[4]);
// Strips whose inversion draws the 3-pixel border inside a platform
// rectangle. Returns the count (0 when the rectangle is empty).
int HighlightFrameStrips(const Box &r, Strip out[4]);

// The screen area that the magnifier enlarges: centred on the cursor, kept
// inside the desktop rectangle.
Strip MagnifierSource(const Point &cursor, const Box &desktop, const Box &magnifier, int32_t magnification);
// The square that marks the enlarged pixel under the cursor.
Strip CentreMarker(const Box &magnifier, int32_t magnification);
// Top-left corner of a toolbar bitmap centred in its button.
Point ButtonBitmapOrigin(const Box &item, int32_t bitmapWidth, int32_t bitmapHeight, bool pressed);

int32_t ZoomIn(int32_t magnification);
int32_t ZoomOut(int32_t magnification);

// The selection after an arrow key: plain arrows move it by one pixel, with
// Shift they move the right or bottom edge. Left and up stop at 0, right and
// down at the desktop's last column and row.
InclRect ApplyArrowKey(const InclRect &selection, int key, bool shift, const Box &desktop);

#endif
