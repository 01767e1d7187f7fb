// The polling loop that runs either mode window until it is gone, cancelling
// the mode as soon as the window loses the keyboard focus.
#ifndef AREACAP_MODE_LOOP_H
#define AREACAP_MODE_LOOP_H

#include <windows.h>

enum class CaptureMode { PickWindow, SelectArea };

// The box-select cursor, held while the area-selection mode runs.
extern HCURSOR boxSelectCursor;

// Creates the mode window, runs it to its end and cleans up.
void RunMode(CaptureMode mode);

#endif
