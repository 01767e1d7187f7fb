// The animated dashed outline that marks an area directly on the screen. It is
// drawn by inversion with a checkerboard pattern brush, so drawing the same
// rectangle twice with the same phase restores the screen.
#ifndef AREACAP_SCREEN_OUTLINE_H
#define AREACAP_SCREEN_OUTLINE_H

#include <windows.h>

#include "areacap/incl_rect.h"

// Inverts the outline of r on dc; the phase's bit 0 picks the dash colours.
void DrawOutline(HDC dc, HBRUSH patternBrush, const InclRect &r, unsigned phase);
// The same on a context covering the whole screen; nothing for an empty r.
void DrawScreenOutline(HBRUSH patternBrush, const InclRect &r, unsigned phase);
// A context covering the whole screen; release it with DeleteDC.
HDC OpenScreenContext();

#endif
