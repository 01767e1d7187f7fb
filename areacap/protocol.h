// Numbers of the messages exchanged with the host application and the names
// of the window classes that both sides know.
#ifndef AREACAP_PROTOCOL_H
#define AREACAP_PROTOCOL_H

#define HOST_WINDOW_CLASS "VELD:NIMBA"
#define COMMAND_WINDOW_CLASS "NIMBA:95"
#define SELECTION_WINDOW_CLASS "CAPTURE:95"
#define PICK_WINDOW_CLASS "HOOK:95"

// Commands from the host (low word of WM_COMMAND's wParam).
#define IDM_PICK_WINDOW 601
#define IDM_SELECT_AREA 605

// Results to the host.
#define IDM_CAPTURE_CANCEL 1273      // WM_COMMAND wParam, lParam 0
#define AM_AREA_TOPLEFT 2690         // lParam: left, top
#define AM_AREA_BOTTOMRIGHT 2691     // lParam: right, bottom
#define AM_WINDOW_PICKED 2692        // wParam: client-area flag, lParam: window

// Resources.
#define IDS_HINT 1
#define IDB_CAPTURE 108
#define IDB_ZOOMIN 109
#define IDB_ZOOMOUT 110
#define IDB_HELP 111

#endif
