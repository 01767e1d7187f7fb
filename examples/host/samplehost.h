// The sample host's window: its class is the one areacap looks for, and the
// numbers of its controls.
#ifndef EXAMPLES_HOST_SAMPLEHOST_H
#define EXAMPLES_HOST_SAMPLEHOST_H

#define IDC_PICK_WINDOW 101   // button "Pick a window"
#define IDC_SELECT_AREA 102   // button "Select an area"
#define IDC_SAVE_BMP 103      // button "Save as BMP"
#define IDC_RESULT 104        // the last result as text
#define IDC_STATUS 105        // the status line

#endif
