// The entry of the installer: single-instance refusal, resource check,
// script loading, the main window, stages 1 and 8 around the message loop.
#pragma once
#include <windows.h>

// Runs the whole program; the result is the exit code (always 0).
int RunInstaller(HINSTANCE instance, HINSTANCE previousInstance, const char* commandLine);

// True when the five dialog templates and the three icons are present; on
// failure the message has been shown.
bool LoadResources();
