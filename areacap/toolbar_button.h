// Paints one toolbar button: light-grey face, its bitmap centred, and a
// raised or pressed frame. The bitmap handle travels in itemData.
#ifndef AREACAP_TOOLBAR_BUTTON_H
#define AREACAP_TOOLBAR_BUTTON_H

#include <windows.h>

void PaintToolbarButton(const DRAWITEMSTRUCT *item);

#endif
