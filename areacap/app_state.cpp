#include "areacap/app_state.h"

HINSTANCE appInstance;
HWND commandWindow;
