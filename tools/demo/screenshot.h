// Screenshots for the demo: an area of the screen as a 24-bit BMP file.
#pragma once
#include <windows.h>

#include <string>

// Writes the screen area (x, y, width, height) to path; false on failure.
bool SaveScreenArea(const std::string& path, int x, int y, int width, int height);
